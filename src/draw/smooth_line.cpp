#include "draw/smooth_line.h"

#include "draw/intensity_table.h"

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>

namespace {

// The octant code of the last segment right after a MoveTo: no joint to adjust.
constexpr int kAfterMove = -10;

// Blend levels run from 0 (pen colour) to 255 (pixel unchanged).
constexpr double kLevelRange = 255.0;

// An integer 2x2 matrix, (u, v) -> (xx u + xy v, yx u + yy v).
struct Turn {
    int xx, xy, yx, yy;
};

// Per octant code, the turn that maps a segment into the normal octant
// (x rising, y rising by at most one row per column) and the turn back.
constexpr std::array<Turn, 8> kToNormal{{
    {1, 0, 0, 1}, {1, 0, 0, -1}, {0, -1, 1, 0}, {0, -1, -1, 0},
    {-1, 0, 0, -1}, {-1, 0, 0, 1}, {0, 1, -1, 0}, {0, 1, 1, 0},
}};
constexpr std::array<Turn, 8> kToScreen{{
    {1, 0, 0, 1}, {1, 0, 0, -1}, {0, 1, -1, 0}, {0, -1, -1, 0},
    {-1, 0, 0, -1}, {-1, 0, 0, 1}, {0, -1, 1, 0}, {0, 1, 1, 0},
}};

// `p` turned about `origin`.
QPoint TurnAbout(const Turn& turn, QPoint origin, QPoint p)
{
    const int u = p.x() - origin.x();
    const int v = p.y() - origin.y();
    return origin + QPoint(turn.xx * u + turn.xy * v, turn.yx * u + turn.yy * v);
}

// 0 and 1: mostly right (down, up); 4 and 5: mostly left (up, down);
// 2 and 7: mostly vertical, right (up, down); 3 and 6: mostly vertical, left
// (up, down).
int OctantOf(QPoint from, QPoint to)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const bool right = dx >= 0;
    const bool down = dy >= 0;
    if (std::abs(dx) >= std::abs(dy))
        return right ? (down ? 0 : 1) : (down ? 5 : 4);
    return right ? (down ? 7 : 2) : (down ? 6 : 3);
}

// A segment leaves out its last column and steps its rows to one side of the
// ideal line, so where a trace turns, the next segment's band would not meet
// the previous one. Moving the new segment by one pixel, chosen by where the
// previous segment went and where the new one goes, closes the joint; every
// later point of the trace moves with it until the next MoveTo.
QPoint JointShift(int previousOctant, int dx, int dy)
{
    switch (previousOctant) {
    case 0:
    case 7:
        if (dx >= 1)
            return dy >= 0 ? QPoint(0, 0) : QPoint(0, -1);
        return dy <= 0 ? QPoint(-1, -1) : QPoint(-1, 0);
    case 1:
    case 2:
        if (dx >= 1)
            return dy < 0 ? QPoint(0, 0) : QPoint(0, 1);
        return dy >= 1 ? QPoint(-1, 1) : QPoint(-1, 0);
    case 3:
    case 4:
        if (dx <= 0)
            return dy <= 0 ? QPoint(0, 0) : QPoint(0, 1);
        return dy >= 1 ? QPoint(1, 1) : QPoint(1, 0);
    case 5:
    case 6:
        if (dx <= 0)
            return dy >= 1 ? QPoint(0, 0) : QPoint(0, -1);
        return dy <= 0 ? QPoint(1, -1) : QPoint(1, 0);
    default: // after a MoveTo
        return {0, 0};
    }
}

// The drawer's coordinate limits: row 0 is never drawn (it is a wave area's
// top frame line), a row below the box moves to its last row, yet a row
// exactly at the box's height stays where it is (it is then drawn only when
// the image is taller than the box); columns are kept inside the box.
QPoint ClampToBox(QPoint p, QSize box)
{
    int x = p.x();
    int y = p.y();
    if (y > box.height())
        y = box.height() - 1;
    if (y < 1)
        y = 1;
    if (x < 0)
        x = 0;
    if (x >= box.width())
        x = box.width() - 1;
    return {x, y};
}

bool IsDrawable(const QImage* image)
{
    return image && !image->isNull()
        && (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32);
}

// Channel `present` moved towards `pen` by `alpha` (0: the pen, 1: unchanged),
// truncated.
int Blend(int present, int pen, double alpha)
{
    return static_cast<int>((present - pen) * alpha + pen) & 0xFF;
}

// One pixel wide at any transform; a flat cap leaves out the end point, as a
// device context's LineTo does.
QPen PlainPen(const QColor& colour)
{
    QPen pen(colour, 0);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

CSmoothLine::CSmoothLine(QImage* target, bool smooth, QSize clampBox)
    : m_target(IsDrawable(target) ? target : nullptr), m_smooth(smooth), m_clampBox(clampBox),
      m_lastOctant(kAfterMove)
{
}

void CSmoothLine::MoveTo(int x, int y)
{
    m_current = QPoint(x, y);
    m_shift = QPoint(0, 0);
    m_lastOctant = kAfterMove;
}

void CSmoothLine::LineTo(int x, int y)
{
    if (!m_target)
        return;
    if (m_smooth) {
        DrawSmoothSegment(m_current, QPoint(x, y) + m_shift);
        return;
    }
    QPainter painter(m_target);
    DrawPlainSegment(painter, QPoint(x, y));
}

void CSmoothLine::DrawPolyline(std::span<const QPoint> points)
{
    if (points.empty())
        return;
    MoveTo(points.front().x(), points.front().y());
    if (m_smooth || !m_target) {
        for (const QPoint& p : points.subspan(1))
            LineTo(p.x(), p.y());
        return;
    }
    QPainter painter(m_target); // one painter for the whole trace
    for (const QPoint& p : points.subspan(1))
        DrawPlainSegment(painter, p);
}

void CSmoothLine::DrawPlainSegment(QPainter& painter, QPoint end)
{
    if (end != m_current) {
        painter.setPen(PlainPen(m_pen));
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawLine(m_current, end);
    }
    m_current = end;
}

// Gupta-Sproull in the normal octant: column x steps by one, row y by one
// when the decision value d was negative. With k = 1 / (2 x length), t k is
// the signed perpendicular distance of the column's centre pixel from the
// ideal line, offset by f (the square of the slope's cosine less one half,
// this drawer's weighting of the first column); w (minus the cosine) is the
// change of that distance from one row to the next.
void CSmoothLine::DrawSmoothSegment(QPoint start, QPoint end)
{
    if (start == end)
        return;
    const QPoint shift = JointShift(m_lastOctant, end.x() - start.x(), end.y() - start.y());
    start += shift;
    end += shift;
    m_shift += shift;
    m_current = end;

    const int octant = OctantOf(start, end);
    m_lastOctant = octant;
    const QPoint normalEnd = TurnAbout(kToNormal[static_cast<std::size_t>(octant)], start, end);
    const int x0 = start.x();
    const int y0 = start.y();
    const int x1 = normalEnd.x();
    const int a = y0 - normalEnd.y();
    const int b = x1 - x0;
    const double squaredLength = static_cast<double>(a) * a + static_cast<double>(b) * b;
    const double k = 1.0 / (2.0 * std::sqrt(squaredLength));
    const double f = static_cast<double>(b) * b / squaredLength - 0.5;
    const double w = -2.0 * b * k;
    int d = 2 * a + b;

    Plot(start, octant, x0, y0, f);
    Plot(start, octant, x0, y0 + 1, w - f);
    Plot(start, octant, x0, y0 - 1, w + f);
    int x = x0;
    int y = y0;
    while (x < x1 - 1) { // column x1 is the next segment's first
        int t = 0;
        const bool stepRow = d < 0;
        ++x;
        if (stepRow) {
            t = b + d;
            ++y;
        } else {
            t = d - b;
        }
        d += stepRow ? 2 * a + 2 * b : 2 * a;
        const double e = t * k + f;
        Plot(start, octant, x, y, e);
        Plot(start, octant, x, y - 1, e + w);
        Plot(start, octant, x, y + 1, w - e);
    }
}

void CSmoothLine::Plot(QPoint start, int octant, int x, int y, double distance)
{
    const QPoint p = ClampToBox(TurnAbout(kToScreen[static_cast<std::size_t>(octant)], start, QPoint(x, y)),
                                m_clampBox);
    if (!m_target->rect().contains(p))
        return;
    const double alpha = draw::IntensityLevel(distance) / kLevelRange;
    QRgb* pixel = reinterpret_cast<QRgb*>(m_target->scanLine(p.y())) + p.x();
    *pixel = qRgb(Blend(qRed(*pixel), m_pen.red(), alpha), Blend(qGreen(*pixel), m_pen.green(), alpha),
                  Blend(qBlue(*pixel), m_pen.blue(), alpha));
}

namespace draw {

void DrawTrace(QImage& image, std::span<const QPoint> points, const QColor& pen, bool smooth)
{
    CSmoothLine line(&image, smooth, image.size());
    line.SetColor(pen);
    line.DrawPolyline(points);
}

} // namespace draw
