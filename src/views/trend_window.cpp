#include "views/trend_window.h"

#include <algorithm>

namespace views {

void TrendWindow::ResetPlaces()
{
    m_places = {};
}

void TrendWindow::SetPoints(int source, std::int64_t points)
{
    if (source != kSourceEcg && source != kSourceSpO2)
        return;
    m_points[Index(source)] = std::max<std::int64_t>(0, points);
    CursorIntoWindow(source);
}

void TrendWindow::SetSource(int source)
{
    if (source == kSourceEcg || source == kSourceSpO2)
        m_source = source;
}

void TrendWindow::SetWidth(int columns)
{
    m_width = std::max(0, columns);
    for (int source : {kSourceEcg, kSourceSpO2}) {
        Place& place = m_places[Index(source)];
        place.start = std::min(place.start, LargestStart(source));
        CursorIntoWindow(source);
    }
}

std::int64_t TrendWindow::LargestStart(int source) const
{
    return std::max<std::int64_t>(0, m_points[Index(source)] - m_width / 3);
}

void TrendWindow::Press(Key key)
{
    if (Points() == 0)
        return;
    Place& place = Current();
    switch (key) {
    case Key::PageUp:
        place.start = std::max<std::int64_t>(0, place.start - m_width);
        CursorIntoWindow(m_source);
        break;
    case Key::PageDown:
        place.start = std::max<std::int64_t>(0, std::min(place.start + m_width, LargestStart()));
        CursorIntoWindow(m_source);
        break;
    case Key::Left:
    case Key::Right:
        place.cursor = std::clamp<std::int64_t>(place.cursor + (key == Key::Left ? -1 : 1), 0, Points() - 1);
        WindowToCursor(m_source);
        break;
    case Key::Other:
        break;
    }
}

bool TrendWindow::Click(int column)
{
    if (Points() == 0 || column < 0 || column >= m_width)
        return false;
    Current().cursor = std::min(Start() + column, Points() - 1);
    return true;
}

void TrendWindow::ScrollTo(std::int64_t start)
{
    if (Points() == 0)
        return;
    Current().start = std::clamp<std::int64_t>(start, 0, LargestStart());
    CursorIntoWindow(m_source);
}

void TrendWindow::ChooseSource(int source)
{
    SetSource(source);
    Place& place = Current();
    if (m_width > 0 && (place.cursor < place.start || place.cursor >= place.start + m_width))
        place.start = place.cursor - place.cursor % m_width;
}

void TrendWindow::FollowEcg(std::int64_t beat)
{
    const std::int64_t points = m_points[Index(kSourceEcg)];
    if (points == 0)
        return;
    m_places[Index(kSourceEcg)].cursor = std::clamp<std::int64_t>(beat, 0, points - 1);
    WindowToCursor(kSourceEcg);
}

void TrendWindow::FollowSpO2(std::int64_t start, std::int64_t cursor)
{
    const std::int64_t points = m_points[Index(kSourceSpO2)];
    if (points == 0)
        return;
    Place& place = m_places[Index(kSourceSpO2)];
    place.start = std::clamp<std::int64_t>(start, 0, LargestStart(kSourceSpO2));
    place.cursor = std::clamp<std::int64_t>(cursor, 0, points - 1);
    WindowToCursor(kSourceSpO2);
}

// The cursor limited to the window's points (a window past the last point
// leaves it on the last point).
void TrendWindow::CursorIntoWindow(int source)
{
    const std::int64_t points = m_points[Index(source)];
    Place& place = m_places[Index(source)];
    if (points == 0) {
        place.cursor = 0;
        return;
    }
    const std::int64_t last = std::min(place.start + std::max(1, m_width) - 1, points - 1);
    place.cursor = std::clamp(place.cursor, std::min(place.start, last), last);
}

// The window moved just enough to hold the cursor.
void TrendWindow::WindowToCursor(int source)
{
    Place& place = m_places[Index(source)];
    if (place.cursor < place.start)
        place.start = place.cursor;
    else if (place.cursor >= place.start + m_width)
        place.start = place.cursor - std::max(1, m_width) + 1;
}

} // namespace views
