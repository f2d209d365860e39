#include "views/trend_render.h"

#include "archive/recording_format.h"
#include "archive/sample_streams.h"
#include "archive/file_utils.h"
#include "base/fd_io.h"
#include "lang/language.h"
#include "views/view_font.h"
#include "settings/system_settings.h"
#include "signal/qrs_record.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace views {
namespace {

constexpr int kGap = 4;
// 60 s x 200 samples: a beat rate is this over the R-R interval in samples.
constexpr double kSamplesPerMinute = 60.0 * archive::kEcgSamplesPerSecond;

// Up to `count` beat records from record `first` on.
std::vector<QrsRecord> ReadQrsRecords(const std::filesystem::path& file, std::int64_t first, std::int64_t count)
{
    const auto opened = base::OpenRegularFile(file);
    if (!opened || first < 0 || count <= 0)
        return {};
    const std::int64_t available = static_cast<std::int64_t>(opened->sizeBytes / kQrsRecordBytes) - first;
    if (available <= 0 || ::lseek(opened->fd.get(), static_cast<off_t>(first * kQrsRecordBytes), SEEK_SET) < 0)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(count, available)) * kQrsRecordBytes);
    const std::int64_t got = base::ReadFull(opened->fd.get(), bytes.data(), bytes.size());
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return DecodeQrsRecords(bytes);
}

// Background, title, rate labels and the empty plot.
void DrawFrame(QImage& image, const TrendStyle& style, const TrendLayout& layout, int source)
{
    image.fill(kPlotBackground);
    QPainter painter(&image);
    painter.setFont(SerifFont(kLabelCellPx, QFont::Normal));
    painter.setPen(kTextColour);
    painter.drawText(layout.title.adjusted(layout.plot.left(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     source == kSourceSpO2 ? style.spo2Title : style.ecgTitle);
    const QFontMetrics metrics(painter.font());
    const std::vector<int> grid = GridValues(kLowestRate, kHighestRate, kRateGridStep);
    // Labels only where a text line fits between two grid lines.
    if (layout.plot.height() >= metrics.height() * static_cast<int>(grid.size() + 1)) {
        for (int rate : grid) {
            const int y = ValueToRow(rate, kLowestRate, kHighestRate, layout.plot);
            painter.drawText(QRect(layout.labelsLeft, y - metrics.height() / 2,
                                   layout.plot.left() - 1 - kGap - layout.labelsLeft, metrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(rate));
        }
    }
    DrawPlotArea(painter, layout.plot, kLowestRate, kHighestRate, kRateGridStep);
}

} // namespace

int RateOfRRInterval(int rrSamples)
{
    if (rrSamples == 0)
        return kNoValue;
    return static_cast<int>(std::trunc(kSamplesPerMinute / rrSamples + 0.5));
}

std::filesystem::path TrendFile(const std::filesystem::path& caseFolder, int source)
{
    return caseFolder / (source == kSourceSpO2 ? archive::kSpO2DataFile : archive::kQrsFile);
}

std::int64_t CountTrendPoints(const std::filesystem::path& caseFolder, int source)
{
    if (caseFolder.empty())
        return 0;
    if (source == kSourceSpO2)
        return archive::SpO2RecordCount(TrendFile(caseFolder, source));
    return archive::FileSize(TrendFile(caseFolder, source).string()) / static_cast<std::int64_t>(kQrsRecordBytes);
}

std::vector<int> ReadTrendPoints(const std::filesystem::path& caseFolder, int source, std::int64_t first,
                                 std::int64_t count)
{
    std::vector<int> rates;
    if (caseFolder.empty())
        return rates;
    if (source == kSourceSpO2) {
        for (const archive::SpO2Record& record : archive::ReadSpO2Records(TrendFile(caseFolder, source), first, count))
            rates.push_back(record.pulseBpm);
        return rates;
    }
    for (const QrsRecord& beat : ReadQrsRecords(TrendFile(caseFolder, source), first, count))
        rates.push_back(RateOfRRInterval(beat.RRInterval));
    return rates;
}

TrendStyle CurrentTrendStyle()
{
    TrendStyle style;
    style.smooth = g_SmoothLines;
    style.ecgTitle = g_Language.GetString("IDS_TXT_HR") + QStringLiteral(" (bpm)");
    style.spo2Title = g_Language.GetString("IDS_TXT_PR") + QStringLiteral(" (bpm)");
    return style;
}

TrendLayout LayoutTrend(QSize size, const TrendStyle&)
{
    const QFontMetrics metrics(SerifFont(kLabelCellPx, QFont::Normal));
    TrendLayout layout;
    layout.labelsLeft = kGap;
    const int left = kGap + metrics.horizontalAdvance(QStringLiteral("240")) + kGap + 1;
    layout.title = QRect(0, 0, std::max(0, size.width()), metrics.height() + 2);
    const int top = layout.title.bottom() + 2;
    layout.plot = QRect(left, top, std::max(0, size.width() - left - 1 - kGap),
                        std::max(0, size.height() - top - 1 - kGap));
    return layout;
}

void DrawTrendReview(QImage& image, const TrendStyle& style, const std::filesystem::path& caseFolder,
                     const TrendWindow& window)
{
    if (image.isNull())
        return;
    const TrendLayout layout = LayoutTrend(image.size(), style);
    DrawFrame(image, style, layout, window.Source());
    if (caseFolder.empty())
        return;
    const std::vector<int> rates = ReadTrendPoints(caseFolder, window.Source(), window.Start(), window.Width());
    DrawValueTrace(image, layout.plot, rates, kLowestRate, kHighestRate, kRateColour, style.smooth);
    QPainter painter(&image);
    DrawCursorLine(painter, layout.plot, window.Cursor() - window.Start());
}

QRect DrawTrendLive(QImage& image, const TrendStyle& style, int source, const LiveSweep& sweep, bool frame)
{
    if (image.isNull())
        return {};
    const TrendLayout layout = LayoutTrend(image.size(), style);
    if (frame) {
        DrawFrame(image, style, layout, source);
    } else {
        QPainter painter(&image);
        DrawPlotArea(painter, layout.plot, kLowestRate, kHighestRate, kRateGridStep);
    }
    DrawValueTrace(image, layout.plot, sweep.Values(), kLowestRate, kHighestRate, kRateColour, style.smooth);
    return frame ? image.rect() : layout.plot.adjusted(-1, -1, 1, 1);
}

QImage RenderTrend(const std::filesystem::path& caseFolder, int source, std::int64_t start, QSize size,
                   const TrendStyle& style)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    TrendWindow window;
    window.SetSource(source);
    window.SetWidth(LayoutTrend(image.size(), style).plot.width());
    window.SetPoints(window.Source(), CountTrendPoints(caseFolder, window.Source()));
    window.ScrollTo(start);
    DrawTrendReview(image, style, caseFolder, window);
    return image;
}

} // namespace views
