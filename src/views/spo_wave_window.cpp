#include "views/spo_wave_window.h"

#include <algorithm>

namespace views {

void SpOWaveWindow::SetSeconds(std::int64_t seconds)
{
    m_seconds = std::max<std::int64_t>(0, seconds);
    Limit();
}

void SpOWaveWindow::SetWidth(int columns)
{
    m_width = std::max(0, columns);
    Limit();
}

std::int64_t SpOWaveWindow::LargestStart() const
{
    return std::max<std::int64_t>(0, m_seconds - m_width / 3);
}

void SpOWaveWindow::Set(std::int64_t start, std::int64_t cursor)
{
    m_start = start;
    m_cursor = cursor;
    Limit();
}

void SpOWaveWindow::Show(const SpOEvent& event)
{
    const std::int64_t first = std::min(event.StartIndex, event.EndIndex);
    const std::int64_t last = std::max(event.StartIndex, event.EndIndex);
    if (first < m_start)
        Set(first, m_cursor);
    else if (last > m_start + m_width - 1)
        Set(last - m_width + 1, m_cursor);
}

std::optional<std::int64_t> SpOWaveWindow::SecondAt(int column) const
{
    if (column < 0 || column >= m_width || m_seconds == 0)
        return std::nullopt;
    return std::min(m_start + column, m_seconds - 1);
}

std::optional<int> SpOWaveWindow::EventAt(std::span<const SpOEvent> events, std::int64_t second)
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::int64_t first = std::min(events[i].StartIndex, events[i].EndIndex);
        const std::int64_t last = std::max(events[i].StartIndex, events[i].EndIndex);
        if (first <= second && second <= last)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

void SpOWaveWindow::Limit()
{
    m_start = std::clamp<std::int64_t>(m_start, 0, LargestStart());
    const std::int64_t last = std::min(m_start + m_width - 1, m_seconds - 1);
    m_cursor = std::max<std::int64_t>(0, std::min(std::max(m_cursor, m_start), last));
}

} // namespace views
