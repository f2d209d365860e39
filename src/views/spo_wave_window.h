#pragma once

#include "signal/spo_result.h"

#include <cstdint>
#include <optional>
#include <span>

namespace views {

// Which seconds of an oximetry recording the SpO2 view shows: one second per
// pixel column over `Width()` columns from `Start()`, and the cursor second.
// Every change keeps start within 0 .. LargestStart() and the cursor within
// start .. min(start + width - 1, seconds - 1) (0 without seconds).
class SpOWaveWindow {
public:
    void SetSeconds(std::int64_t seconds);
    void SetWidth(int columns);

    std::int64_t Seconds() const { return m_seconds; }
    int Width() const { return m_width; }
    std::int64_t Start() const { return m_start; }
    std::int64_t Cursor() const { return m_cursor; }
    // The last page keeps two thirds of a window of data in view.
    std::int64_t LargestStart() const;

    void Set(std::int64_t start, std::int64_t cursor);
    void ScrollBy(std::int64_t seconds) { Set(m_start + seconds, m_cursor); }

    // Moves the window so that the event's start (when left of the window) or
    // its end (when right of it) comes into view.
    void Show(const SpOEvent& event);

    // The second under pixel column `column` (0 = the area's first), at most
    // the last second; none outside the columns or without seconds.
    std::optional<std::int64_t> SecondAt(int column) const;

    // The first event whose span holds `second`.
    static std::optional<int> EventAt(std::span<const SpOEvent> events, std::int64_t second);

private:
    void Limit();

    std::int64_t m_seconds = 0;
    int m_width = 0;
    std::int64_t m_start = 0;
    std::int64_t m_cursor = 0;
};

} // namespace views
