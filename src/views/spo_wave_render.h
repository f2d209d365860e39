#pragma once

#include "signal/spo_result.h"
#include "views/live_sweep.h"
#include "views/spo_wave_window.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QTime>

#include <cstdint>
#include <filesystem>
#include <vector>

// The pictures of the SpO2 view, drawn into an off-screen image without a
// widget: the review page of a case folder and the live monitor. The view
// and the command-line renderer both draw through these functions.
namespace views {

// Live pleth values are percentages.
inline constexpr int kPlethTop = 100;

// What the drawing reads from the settings and the language, copied at paint time.
struct SpOWaveStyle {
    int minSpo2 = 42;
    int maxSpo2 = 100;
    int spo2AlarmLow = 50;
    int spo2AlarmUp = 100;
    int pulseAlarmLow = 50;
    int pulseAlarmUp = 100;
    bool smooth = false;
    QString spo2Label = QStringLiteral("SpO2(%)");
    QString pulseLabel = QStringLiteral("PR(bpm)");
    QString plethLabel = QStringLiteral("Pleth :");
    QString title;

    bool operator==(const SpOWaveStyle&) const = default;
};

// The style from g_Settings (SpO2 range, alarm items 2 and 1), the smooth
// line switch and the language's labels.
SpOWaveStyle CurrentSpOWaveStyle();

// Where things are: the three plot areas (inner rectangles sharing their
// columns, one second or pleth sample per column), the label column on the
// left, the panel on the right, the title on top and the time axis below.
struct SpOWaveLayout {
    QRect title;
    QRect spo2;
    QRect pulse;
    QRect pleth;
    QRect panel;
    int labelsLeft = 0;
    int axisTop = 0;

    // The columns and rows a click may place the cursor in.
    QRect TrendArea() const { return spo2.united(pulse); }
};
SpOWaveLayout LayoutSpOWave(QSize size, const SpOWaveStyle& style);

// The open case as the view reads it: its folder ("data.spo", "ana.spo"),
// the recording's start time and the analysis result.
struct SpOWaveCase {
    std::filesystem::path folder; // empty: no case open
    QTime startTime;
    SpOAnaResult result;
    std::vector<SpOEvent> events;

    bool IsOpen() const { return !folder.empty(); }
    std::int64_t CountSeconds() const;
    // Reads "ana.spo" again; missing or short, it gives no events.
    void LoadAnalysis();
};

// Review page: the window's records of "data.spo", the events overlapping the
// window, the selected event (when it is one), the cursor and its read-out.
void DrawSpOReview(QImage& image, const SpOWaveStyle& style, const SpOWaveCase& spoCase,
                   const SpOWaveWindow& window, int selectedEvent);

// The live monitor's state: the three sweeps, the time axis, the digits, the
// pulse bar and the beat mark.
struct SpOLiveState {
    LiveSweep spo2;
    LiveSweep pulse;
    LiveSweep pleth;
    QTime startTime;               // of the recording, for the time axis
    std::int64_t firstSecond = 0;  // at the left edge of the trend sweeps
    int spo2Value = -1; // -1: nothing received yet
    int pulseValue = -1;
    int barLevel = 0;
    bool beatShown = false;
    // Pulse peak detection over the bar heights.
    int lastBarHeight = 0;
    bool barRising = false;

    void Reset(int columns);
    // Takes a bar level (0..15); true at a pulse peak.
    bool AddBarLevel(int level);
};

// Parts of the live picture, for redrawing only what changed.
enum SpOLivePart : unsigned {
    kLiveFrame = 1, // background, labels, axis: implies every other part
    kLiveSpo2 = 2,
    kLivePulse = 4,
    kLivePleth = 8,
    kLivePanel = 16,
};
// Draws the parts and returns the rectangle they cover.
QRect DrawSpOLive(QImage& image, const SpOWaveStyle& style, const SpOLiveState& state, unsigned parts);

// The review page of a case folder as the view shows it with its window at
// `startSecond` (cursor there too) in an image of `size`.
QImage RenderSpOWave(const std::filesystem::path& caseFolder, std::int64_t startSecond, QSize size,
                     QTime startTime = QTime(0, 0), const SpOWaveStyle& style = CurrentSpOWaveStyle());

} // namespace views
