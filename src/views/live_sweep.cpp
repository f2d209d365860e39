#include "views/live_sweep.h"

#include <algorithm>

namespace views {

void LiveSweep::Reset(int columns)
{
    m_values.assign(static_cast<std::size_t>(std::max(0, columns)), kNoValue);
    m_column = 0;
}

void LiveSweep::Resize(int columns)
{
    m_values.resize(static_cast<std::size_t>(std::max(0, columns)), kNoValue);
    if (m_column > static_cast<int>(m_values.size()))
        m_column = 0;
}

bool LiveSweep::Add(int value)
{
    const int width = static_cast<int>(m_values.size());
    if (width == 0)
        return false;
    const bool wrapped = m_column >= width;
    if (wrapped)
        m_column = 0;
    m_values[static_cast<std::size_t>(m_column)] = value;
    for (int i = 1; i <= std::min(kErasedColumns, width - 1); ++i)
        m_values[static_cast<std::size_t>((m_column + i) % width)] = kNoValue;
    ++m_column;
    return wrapped;
}

} // namespace views
