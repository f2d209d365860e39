#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>
#include <span>

class QImage;
class QPainter;

// Draws thin traces into a QImage with the two operations of a device
// context, MoveTo and LineTo, either anti-aliased (smooth) or as plain
// 1-pixel lines.
//
// Smooth lines follow Gupta S, Sproull RF, "Filtering edges for gray-scale
// displays", SIGGRAPH 1981: one column at a time, three pixels per column,
// each blended towards the pen by its perpendicular distance to the ideal
// line (draw/intensity_table.h). Pixels are read and written straight in the
// image's buffer, so no QPainter may be active on it while the drawer works.
// Like a device context's LineTo, a segment leaves out its last column; the
// next segment starts there.
//
// Plain lines go through a QPainter (cosmetic 1-pixel pen, no antialiasing)
// opened on the image for each LineTo, or once for a whole DrawPolyline.
//
// The target must be a 32-bit RGB image (Format_RGB32 or Format_ARGB32); a
// null or other target makes MoveTo and LineTo do nothing.
class CSmoothLine {
public:
    // Smooth pixels are clamped into this box (see ClampToBox); the reference
    // drawings use it, and views pass their own image size.
    static constexpr QSize kDefaultClampBox{1500, 1024};

    // `smooth`: the caller's copy of the "smooth lines" setting, read once
    // per paint.
    CSmoothLine(QImage* target, bool smooth, QSize clampBox = kDefaultClampBox);

    void SetColor(const QColor& pen) { m_pen = pen; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    // MoveTo the first point, LineTo each next one.
    void DrawPolyline(std::span<const QPoint> points);

    QPoint CurrentPoint() const { return m_current; }

private:
    void DrawSmoothSegment(QPoint start, QPoint end);
    void DrawPlainSegment(QPainter& painter, QPoint end);
    void Plot(QPoint start, int octant, int x, int y, double distance);

    QImage* m_target;
    bool m_smooth;
    QSize m_clampBox;
    QColor m_pen = Qt::black;
    QPoint m_current;
    // Added to every LineTo target since the last MoveTo: the sum of the
    // joint shifts (see the .cpp).
    QPoint m_shift;
    int m_lastOctant;
};

namespace draw {

// One trace in one colour: the views' way of drawing a polyline into their
// off-screen image, smooth or plain, with the image's own size as the clamp box.
void DrawTrace(QImage& image, std::span<const QPoint> points, const QColor& pen, bool smooth);

} // namespace draw
