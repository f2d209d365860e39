#pragma once

namespace archive {

// Outlines the rectangle with the painter's current pen: from (left, top)
// down to (left, bottom), across to (right, bottom), up to (right, top) and
// back. Works with any painter offering drawLine(x1, y1, x2, y2), QPainter
// among them, so that this layer needs no drawing library.
template <class Painter>
void DrawFrameRect(Painter& painter, int left, int top, int right, int bottom)
{
    painter.drawLine(left, top, left, bottom);
    painter.drawLine(left, bottom, right, bottom);
    painter.drawLine(right, bottom, right, top);
    painter.drawLine(right, top, left, top);
}

} // namespace archive
