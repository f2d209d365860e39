#include "views/ecg_page.h"

#include "archive/sample_streams.h"
#include "base/fd_io.h"
#include "draw/smooth_line.h"
#include "views/view_font.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <unistd.h>
#include <vector>

namespace views::ecg {

namespace {

constexpr int kViewFontHeight = 20;
constexpr int kViewFontWeight = 500;
constexpr int kLabelPaddingPx = 4;
constexpr int kMarkerIconPx = 4;

QFont ViewFont()
{
    return SerifFont(kViewFontHeight, kViewFontWeight);
}

QString GainText(int gainIndex)
{
    return QString::number(kGainMmPerMv[static_cast<std::size_t>(ValidGainIndex(gainIndex))])
        + QStringLiteral("mm/mv");
}

QString SpeedText(int speedIndex)
{
    return QString::number(kSpeedMmPerS[static_cast<std::size_t>(ValidSpeedIndex(speedIndex))], 'f', 1)
        + QStringLiteral("mm/s");
}

// Two thin lines 20 pixels either side of the beat's column, half the area
// tall around the trace height there, each with a small wedge at its top
// pointing at the beat.
void DrawBeatMarkers(QImage& image, const QRect& area, QPoint beat)
{
    QPainter painter(&image);
    painter.setPen(QColor(kMarkerColour));
    painter.setBrush(QColor(kMarkerColour));
    const int top = std::max(beat.y() - area.height() / 4, area.top());
    const int bottom = std::min(beat.y() + area.height() / 4, area.bottom());
    for (const int side : {-1, 1}) {
        const int x = std::clamp(beat.x() + side * kMarkerOffsetPx, area.left(), area.right());
        painter.drawLine(x, top, x, bottom);
        const int tip = x - side * kMarkerIconPx;
        painter.drawPolygon(QPolygon({QPoint(x, top), QPoint(tip, top + kMarkerIconPx), QPoint(x, top + 2 * kMarkerIconPx)}));
    }
}

} // namespace

EcgLayout ComputeLayout(QSize canvas, bool live)
{
    const QFontMetrics metrics(ViewFont());
    const int width = std::max(canvas.width(), 0);
    const int height = std::max(canvas.height(), 0);
    const int strip = std::min(metrics.height() + kLabelPaddingPx, height);
    const int panelWidth = live ? std::min(kLivePanelWidthPx, width) : 0;
    EcgLayout layout;
    layout.panel = live ? QRect(width - panelWidth, 0, panelWidth, height) : QRect();
    layout.waveArea = QRect(0, strip, width - panelWidth, height - strip);
    const int speedWidth = metrics.horizontalAdvance(QStringLiteral("25.0mm/s")) + 2 * kLabelPaddingPx;
    const int gainWidth = metrics.horizontalAdvance(QStringLiteral("20mm/mv")) + 2 * kLabelPaddingPx;
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 2 * kLabelPaddingPx;
    const int right = layout.waveArea.x() + layout.waveArea.width();
    layout.speedLabel = QRect(right - speedWidth, 0, speedWidth, strip);
    layout.gainLabel = QRect(right - speedWidth - gainWidth, 0, gainWidth, strip);
    layout.timeLabel = QRect(0, 0, timeWidth, strip);
    return layout;
}

void DrawGrid(QImage& image, const QRect& area, int fromX, int toX)
{
    const QRect columns = area.intersected(image.rect()) & QRect(fromX, area.top(), toX - fromX, area.height());
    for (int y = columns.top(); y <= columns.bottom(); ++y) {
        const int row = y - area.top();
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = columns.left(); x <= columns.right(); ++x) {
            const int column = x - area.left();
            const bool onLine = row % kGridLinePitchPx == 0 || column % kGridLinePitchPx == 0;
            const bool onDot = row % kGridDotPitchPx == 0 && column % kGridDotPitchPx == 0;
            line[x] = onLine || onDot ? kGridColour : kBackground;
        }
    }
}

void DrawLabels(QImage& image, const EcgLayout& layout, int speedIndex, int gainIndex, const QString& time)
{
    QPainter painter(&image);
    painter.setFont(ViewFont());
    for (const QRect& label : {layout.timeLabel, layout.gainLabel, layout.speedLabel})
        painter.fillRect(label, QColor(kBackground));
    painter.setPen(QColor(kTraceColour));
    painter.drawText(layout.gainLabel, Qt::AlignCenter, GainText(gainIndex));
    painter.drawText(layout.speedLabel, Qt::AlignCenter, SpeedText(speedIndex));
    if (!time.isEmpty()) {
        painter.setPen(QColor(kTimeColour));
        painter.drawText(layout.timeLabel, Qt::AlignCenter, time);
    }
}

QString PageTime(const QDateTime& start, std::int64_t position)
{
    const QTime base = start.isValid() ? start.time() : QTime(0, 0);
    const QTime time = base.addSecs(static_cast<int>(position / kSamplesPerSecond % 86400));
    return QString::asprintf("%02d:%02d:%02d", time.hour(), time.minute(), time.second());
}

void DrawPage(QImage& image, const EcgPage& page)
{
    const EcgLayout layout = ComputeLayout(image.size(), false);
    const QRect& area = layout.waveArea;
    const int speed = ValidSpeedIndex(page.speedIndex);
    const std::int64_t start = AlignPageStart(page.position, speed);
    image.fill(kBackground);
    DrawGrid(image, area, area.left(), area.left() + area.width());
    if (page.shownCase.isOpen() && area.height() >= kMinTraceHeightPx) {
        const std::vector<std::uint16_t> samples
            = archive::ReadEcgSamples(page.shownCase.ecgData(), start, PageLength(speed, area.width()));
        const std::vector<std::uint16_t> columns = PageColumns(samples, speed);
        std::vector<QPoint> points;
        points.reserve(columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c)
            points.emplace_back(area.left() + static_cast<int>(c),
                                TraceY(columns[c], page.gainIndex, area.top(), area.height()));
        draw::DrawTrace(image, points, QColor(kTraceColour), page.smooth);

        const auto beat = ReadBeat(page.shownCase.beatFile(), page.selectedBeat);
        if (beat && beat->Peak >= start) {
            const auto column = static_cast<std::size_t>(ColumnOfSample(beat->Peak - start, speed));
            if (column < points.size())
                DrawBeatMarkers(image, area, points[column]);
        }
    }
    DrawLabels(image, layout, speed, page.gainIndex,
               page.shownCase.isOpen() ? PageTime(page.shownCase.startTime, start) : QString());
}

QImage RenderPage(const EcgPage& page, QSize size)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    DrawPage(image, page);
    return image;
}

std::optional<QrsRecord> ReadBeat(const std::filesystem::path& beatFile, int index)
{
    if (index < 0)
        return std::nullopt;
    const auto file = base::OpenRegularFile(beatFile);
    const auto offset = static_cast<std::uint64_t>(index) * kQrsRecordBytes;
    if (!file || file->sizeBytes < offset + kQrsRecordBytes
        || ::lseek(file->fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0)
        return std::nullopt;
    std::array<std::uint8_t, kQrsRecordBytes> bytes{};
    if (base::ReadFull(file->fd.get(), bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    return DecodeQrsRecord(bytes);
}

} // namespace views::ecg
