#pragma once

#include "views/trend_plot.h"

#include <mutex>
#include <span>
#include <utility>
#include <vector>

namespace views {

// One trace of a live monitor: a value per pixel column, written at a sweep
// column that runs left to right and wraps to the left edge. The columns just
// ahead of the sweep are kept empty, so the gap shows where new values come.
class LiveSweep {
public:
    static constexpr int kErasedColumns = 20;

    // Empties every column and starts again at the left edge.
    void Reset(int columns);
    // A new width: the columns that still fit keep their values.
    void Resize(int columns);

    // Writes `value` at the sweep column and moves on. Returns true when the
    // sweep had passed the right edge and restarted at the left (the value is
    // then in column 0).
    bool Add(int value);

    int Column() const { return m_column; }
    std::span<const int> Values() const { return m_values; }

private:
    std::vector<int> m_values;
    int m_column = 0;
};

// Values handed over by another thread, taken by the window's thread in the
// order they came. Push tells the caller whether a take is already due, so one
// queued call serves a whole burst.
template <typename Item>
class LiveFeed {
public:
    // True when no take was pending: the caller must schedule one.
    bool Push(const Item& item) { return Push(std::span(&item, 1)); }
    bool Push(std::span<const Item> items)
    {
        const std::lock_guard lock(m_mutex);
        m_items.insert(m_items.end(), items.begin(), items.end());
        return !std::exchange(m_takeDue, true);
    }

    std::vector<Item> Take()
    {
        const std::lock_guard lock(m_mutex);
        m_takeDue = false;
        return std::exchange(m_items, {});
    }

private:
    std::mutex m_mutex;
    std::vector<Item> m_items;
    bool m_takeDue = false;
};

} // namespace views
