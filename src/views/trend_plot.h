#pragma once

#include "views/trace_area.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QTime>

#include <climits>
#include <cstdint>
#include <span>
#include <vector>

class QImage;
class QPainter;

// Drawing shared by the SpO2 view and the trend view: rates and saturations
// plotted one pixel column per value over a fixed value range.
namespace views {

// A column without a value: the trace breaks there.
inline constexpr int kNoValue = INT_MIN;

// Range of the plotted heart and pulse rates, bpm, with a grid line every 30.
inline constexpr int kLowestRate = 30;
inline constexpr int kHighestRate = 240;
inline constexpr int kRateGridStep = 30;

// Colours of the two panes (RGB).
inline const QColor kPlotBackground(0, 0, 0);
inline const QColor kGridColour(192, 192, 192);
inline const QColor kTextColour(180, 180, 180);
inline const QColor kCursorColour(200, 0, 0);
inline const QColor kRateColour(50, 200, 50);
inline const QColor kSpo2Colour(0, 200, 255);
inline const QColor kPlethColour(255, 255, 0);

// Cell height of the panes' labels, pixels.
inline constexpr int kLabelCellPx = 16;

// The row of `value` in `area`: `lo` on the bottom row, `hi` on the top row,
// values outside the range limited to it. A range under 1 counts as 1.
int ValueToRow(int value, int lo, int hi, const QRect& area);

// One value per column from area.left() on; runs between kNoValue columns are
// drawn as connected lines (a lone value as one pixel). Nothing is drawn in an
// area under kMinTraceHeightPx rows.
void DrawValueTrace(QImage& image, const QRect& area, std::span<const int> values, int lo, int hi,
                    const QColor& colour, bool smooth);

// Clears `inner` and draws its solid frame one pixel outside and a dotted
// grid line at each multiple of `step` strictly between `lo` and `hi`.
void DrawPlotArea(QPainter& painter, const QRect& inner, int lo, int hi, int step);

// The values DrawPlotArea puts grid lines at.
std::vector<int> GridValues(int lo, int hi, int step);

// A vertical line over the area at `column` (0 = area.left()), when inside.
void DrawCursorLine(QPainter& painter, const QRect& area, std::int64_t column);

// "hh:mm:ss" of `base` + `seconds` (time of day, wrapping at midnight).
QString ClockText(QTime base, std::int64_t seconds);

// Minute marks under the columns of `columns` (one second per column from
// `firstSecond` on), ticks from `top`, labels under them where they fit.
void DrawTimeAxis(QPainter& painter, const QRect& columns, int top, QTime base, std::int64_t firstSecond);

} // namespace views
