#include "views/trend_plot.h"

#include "draw/smooth_line.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace views {
namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr int kTickLength = 4;
constexpr int kLabelGap = 8; // least space between two time labels
// Minutes between two labelled marks: the first step whose labels do not touch.
constexpr std::array<int, 10> kLabelStepsMinutes{1, 2, 5, 10, 15, 30, 60, 120, 240, 1440};

// A line leaves out its last point (the next segment's first): the run's end
// is set on its own, so a lone value shows as one pixel.
void DrawRun(QImage& image, std::vector<QPoint>& run, const QColor& colour, bool smooth)
{
    draw::DrawTrace(image, run, colour, smooth);
    if (image.rect().contains(run.back()))
        image.setPixel(run.back(), colour.rgb());
    run.clear();
}

} // namespace

int ValueToRow(int value, int lo, int hi, const QRect& area)
{
    const std::int64_t span = std::max(1, hi - lo);
    const std::int64_t limited = std::clamp(value, lo, std::max(lo, hi));
    return area.bottom() - static_cast<int>((limited - lo) * (area.height() - 1) / span);
}

void DrawValueTrace(QImage& image, const QRect& area, std::span<const int> values, int lo, int hi,
                    const QColor& colour, bool smooth)
{
    if (area.height() < kMinTraceHeightPx)
        return;
    const std::size_t columns = std::min(values.size(), static_cast<std::size_t>(std::max(0, area.width())));
    std::vector<QPoint> run;
    for (std::size_t i = 0; i < columns; ++i) {
        if (values[i] == kNoValue) {
            if (!run.empty())
                DrawRun(image, run, colour, smooth);
            continue;
        }
        run.emplace_back(area.left() + static_cast<int>(i), ValueToRow(values[i], lo, hi, area));
    }
    if (!run.empty())
        DrawRun(image, run, colour, smooth);
}

std::vector<int> GridValues(int lo, int hi, int step)
{
    std::vector<int> values;
    if (step <= 0)
        return values;
    for (int value = (lo / step + 1) * step; value < hi; value += step)
        values.push_back(value);
    return values;
}

void DrawPlotArea(QPainter& painter, const QRect& inner, int lo, int hi, int step)
{
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    painter.fillRect(inner, kPlotBackground);
    painter.setPen(QPen(kGridColour, 0));
    painter.drawRect(inner.adjusted(-1, -1, 0, 0));
    if (inner.height() < kMinTraceHeightPx)
        return;
    painter.setPen(QPen(kGridColour, 0, Qt::DotLine));
    for (int value : GridValues(lo, hi, step)) {
        const int y = ValueToRow(value, lo, hi, inner);
        painter.drawLine(inner.left(), y, inner.right(), y);
    }
}

void DrawCursorLine(QPainter& painter, const QRect& area, std::int64_t column)
{
    if (column < 0 || column >= area.width() || area.height() <= 0)
        return;
    const int x = area.left() + static_cast<int>(column);
    painter.setPen(QPen(kCursorColour, 0));
    painter.drawLine(x, area.top(), x, area.bottom());
}

QString ClockText(QTime base, std::int64_t seconds)
{
    const std::int64_t ofDay = ((base.isValid() ? base.msecsSinceStartOfDay() / 1000 : 0) + seconds) % kSecondsPerDay;
    const int s = static_cast<int>(ofDay < 0 ? ofDay + kSecondsPerDay : ofDay);
    return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

void DrawTimeAxis(QPainter& painter, const QRect& columns, int top, QTime base, std::int64_t firstSecond)
{
    if (columns.width() <= 0)
        return;
    const QFontMetrics metrics(painter.font());
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
    int step = kLabelStepsMinutes.back();
    for (int minutes : kLabelStepsMinutes)
        if (minutes * kSecondsPerMinute >= labelWidth + kLabelGap) {
            step = minutes;
            break;
        }
    const std::int64_t first = (base.isValid() ? base.msecsSinceStartOfDay() / 1000 : 0) + firstSecond;
    // The first whole minute at or after the first column.
    std::int64_t column = (kSecondsPerMinute - first % kSecondsPerMinute) % kSecondsPerMinute;
    painter.setPen(QPen(kTextColour, 0));
    for (; column < columns.width(); column += kSecondsPerMinute) {
        const int x = columns.left() + static_cast<int>(column);
        const std::int64_t minuteOfDay = (first + column) / kSecondsPerMinute;
        const bool labelled = minuteOfDay % step == 0;
        painter.drawLine(x, top, x, top + (labelled ? 2 * kTickLength : kTickLength));
        const int left = x - labelWidth / 2;
        if (labelled && left >= columns.left() && left + labelWidth <= columns.right() + 1)
            painter.drawText(QRect(left, top + 2 * kTickLength, labelWidth, metrics.height()), Qt::AlignCenter,
                             ClockText(base, firstSecond + column));
    }
}

} // namespace views
