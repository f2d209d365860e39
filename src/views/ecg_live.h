#pragma once

#include "views/ecg_page.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The ECG strip as a sweeping monitor: the trace is written column by column
// at a sweep position that wraps at the right edge, and a panel at the right
// shows the heart rate and the R-R interval.
namespace views::ecg {

inline constexpr QRgb kSeparatorColour = qRgb(128, 128, 128);
inline constexpr QRgb kCaptionColour = qRgb(0, 255, 255);
inline constexpr int kSweepGapPx = 20; // erased ahead of the sweep
inline constexpr int kSeparatorWidthPx = 2;

class EcgSweep {
public:
    // Back to the left edge; the next column starts a new trace.
    void Restart();

    // Turns the samples into columns (a block short of LiveBlockSize waits
    // for the next call) and draws them at the sweep, erasing the column and
    // a band of kSweepGapPx ahead with the empty grid. Returns the part of
    // the image that changed. An area too small for a trace takes the
    // samples and draws nothing.
    QRect AddSamples(QImage& image, const QRect& area, std::span<const std::uint16_t> samples, int speedIndex,
                     int gainIndex, bool smooth);

    int column() const { return m_column; }

private:
    QRect PlotColumn(QImage& image, const QRect& area, std::uint16_t value, int gainIndex, bool smooth);

    int m_column = 0;
    std::optional<QPoint> m_previous;
    std::vector<std::uint16_t> m_pending;
};

// The panel's rows: the "HR(bpm):" caption, the heart-rate digits, the
// "R-R(ms):" caption and the R-R digits.
struct LivePanelRows {
    QRect heartRateCaption;
    QRect heartRateDigits;
    QRect intervalCaption;
    QRect intervalDigits;
};
LivePanelRows PanelRows(const EcgLayout& layout);

// The empty panel: background, the grey separator at its left and the captions.
void DrawLivePanel(QImage& image, const EcgLayout& layout);

// The rate (beats per minute) and 60000 / rate (ms) as digits 20 pixels
// apart, centred on the panel; two dashes on both rows for a rate of 0.
// Returns the part of the image that changed.
QRect DrawHeartRate(QImage& image, const EcgLayout& layout, int bpm, bool alarm);

} // namespace views::ecg
