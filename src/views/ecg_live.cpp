#include "views/ecg_live.h"

#include "draw/smooth_line.h"
#include "views/heart_rate_digits.h"
#include "views/view_font.h"

#include <QFontMetrics>
#include <QPainter>
#include <array>

namespace views::ecg {

namespace {

constexpr int kCaptionFontHeight = 20;
constexpr int kCaptionFontWeight = 900;
constexpr int kPanelTopPx = 10;
constexpr int kCaptionIndentPx = 8;
constexpr int kCaptionToDigitsPx = 6;
constexpr int kRowGapPx = 16;
constexpr int kMillisecondsPerMinute = 60000;

QFont CaptionFont()
{
    return SerifFont(kCaptionFontHeight, kCaptionFontWeight);
}

void DrawDigits(QPainter& painter, const QRect& row, const QString& text, bool alarm)
{
    painter.fillRect(row, Qt::black);
    DrawDigitImages(painter, QPoint(row.left() + (row.width() - DigitTextWidth(text)) / 2, row.top()), text, alarm);
}

} // namespace

void EcgSweep::Restart()
{
    m_column = 0;
    m_previous.reset();
}

QRect EcgSweep::AddSamples(QImage& image, const QRect& area, std::span<const std::uint16_t> samples, int speedIndex,
                           int gainIndex, bool smooth)
{
    m_pending.insert(m_pending.end(), samples.begin(), samples.end());
    const auto block = static_cast<std::size_t>(LiveBlockSize(speedIndex));
    const bool drawable = area.width() > 0 && area.height() >= kMinTraceHeightPx;
    QRect changed;
    std::size_t used = 0;
    for (; used + block <= m_pending.size(); used += block) {
        if (!drawable)
            continue;
        const auto columns = LiveColumns(std::span(m_pending).subspan(used, block), speedIndex);
        for (const std::uint16_t value : columns)
            changed |= PlotColumn(image, area, value, gainIndex, smooth);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    return changed;
}

QRect EcgSweep::PlotColumn(QImage& image, const QRect& area, std::uint16_t value, int gainIndex, bool smooth)
{
    if (m_column >= area.width())
        Restart(); // the area became narrower
    const int x = area.left() + m_column;
    const QPoint point(x, TraceY(value, gainIndex, area.top(), area.height()));
    const int bandEnd = x + kSweepGapPx + 1;
    const int areaEnd = area.left() + area.width();
    DrawGrid(image, area, x, bandEnd);
    QRect changed(x - 1, area.top(), bandEnd - x + 1, area.height());
    if (bandEnd > areaEnd) {
        DrawGrid(image, area, area.left(), area.left() + bandEnd - areaEnd);
        changed |= QRect(area.left(), area.top(), bandEnd - areaEnd, area.height());
    }
    if (m_previous) {
        const std::array<QPoint, 2> segment{*m_previous, point};
        draw::DrawTrace(image, segment, QColor(kTraceColour), smooth);
    }
    m_previous = point;
    if (++m_column >= area.width())
        Restart();
    return changed;
}

LivePanelRows PanelRows(const EcgLayout& layout)
{
    const int captionHeight = QFontMetrics(CaptionFont()).height();
    const int left = layout.panel.left() + kSeparatorWidthPx;
    const int width = std::max(layout.panel.width() - kSeparatorWidthPx, 0);
    LivePanelRows rows;
    rows.heartRateCaption = QRect(left, layout.panel.top() + kPanelTopPx, width, captionHeight);
    rows.heartRateDigits = QRect(left, rows.heartRateCaption.bottom() + 1 + kCaptionToDigitsPx, width, kDigitHeightPx);
    rows.intervalCaption = QRect(left, rows.heartRateDigits.bottom() + 1 + kRowGapPx, width, captionHeight);
    rows.intervalDigits = QRect(left, rows.intervalCaption.bottom() + 1 + kCaptionToDigitsPx, width, kDigitHeightPx);
    return rows;
}

void DrawLivePanel(QImage& image, const EcgLayout& layout)
{
    if (layout.panel.isEmpty())
        return;
    QPainter painter(&image);
    painter.fillRect(layout.panel, Qt::black);
    painter.fillRect(QRect(layout.panel.topLeft(), QSize(kSeparatorWidthPx, layout.panel.height())),
                     QColor(kSeparatorColour));
    const LivePanelRows rows = PanelRows(layout);
    painter.setFont(CaptionFont());
    painter.setPen(QColor(kCaptionColour));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    painter.drawText(rows.heartRateCaption.adjusted(kCaptionIndentPx, 0, 0, 0), flags, QStringLiteral("HR(bpm):"));
    painter.drawText(rows.intervalCaption.adjusted(kCaptionIndentPx, 0, 0, 0), flags, QStringLiteral("R-R(ms):"));
}

QRect DrawHeartRate(QImage& image, const EcgLayout& layout, int bpm, bool alarm)
{
    if (layout.panel.isEmpty())
        return {};
    const LivePanelRows rows = PanelRows(layout);
    const bool valid = bpm > 0;
    QPainter painter(&image);
    painter.setClipRect(layout.panel);
    DrawDigits(painter, rows.heartRateDigits, valid ? QString::number(bpm) : QStringLiteral("--"), alarm);
    DrawDigits(painter, rows.intervalDigits,
               valid ? QString::number(kMillisecondsPerMinute / bpm) : QStringLiteral("--"), alarm);
    return (rows.heartRateDigits | rows.intervalDigits) & layout.panel;
}

} // namespace views::ecg
