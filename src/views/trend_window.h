#pragma once

#include <array>
#include <cstdint>

namespace views {

// The heart-rate source of the trend: beats of "qrs.ecg" or seconds of "data.spo".
inline constexpr int kSourceEcg = 0;
inline constexpr int kSourceSpO2 = 1;

// Which points of the rate trend the trend view shows: one point per pixel
// column over `Width()` columns from `Start()`, and the cursor point. Each
// source keeps its own start and cursor, so switching back restores the
// earlier place. With no points nothing moves and the cursor stays 0.
class TrendWindow {
public:
    enum class Key { PageUp, PageDown, Left, Right, Other };

    // Both places back to 0; the point counts stay.
    void ResetPlaces();
    void SetPoints(int source, std::int64_t points);
    // A new plot width; both windows are limited to it again.
    void SetWidth(int columns);
    // Only 0 and 1 are sources; other values are ignored.
    void SetSource(int source);

    int Source() const { return m_source; }
    int Width() const { return m_width; }
    std::int64_t Points() const { return m_points[Index(m_source)]; }
    std::int64_t Start() const { return m_places[Index(m_source)].start; }
    std::int64_t Cursor() const { return m_places[Index(m_source)].cursor; }
    std::int64_t LargestStart() const { return LargestStart(m_source); }

    void Press(Key key);
    // A click in pixel column `column`; false when it is outside the plot.
    bool Click(int column);
    // The scroll bar moved the window.
    void ScrollTo(std::int64_t start);
    // The HR source changed: a cursor outside the window starts a new page.
    void ChooseSource(int source);

    // The other panes moved: the beat at the ECG view's cursor, or the SpO2
    // view's window and cursor. Each sets its own source's place.
    void FollowEcg(std::int64_t beat);
    void FollowSpO2(std::int64_t start, std::int64_t cursor);

private:
    struct Place {
        std::int64_t start = 0;
        std::int64_t cursor = 0;
    };
    static std::size_t Index(int source) { return source == kSourceSpO2 ? 1 : 0; }
    Place& Current() { return m_places[Index(m_source)]; }
    // The last page keeps a third of a window of points in view.
    std::int64_t LargestStart(int source) const;
    void CursorIntoWindow(int source);
    void WindowToCursor(int source);

    int m_source = kSourceEcg;
    int m_width = 0;
    std::array<std::int64_t, 2> m_points{};
    std::array<Place, 2> m_places{};
};

} // namespace views
