#pragma once

#include "signal/qrs_record.h"
#include "views/ecg_scale.h"
#include "views/view_case.h"

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>
#include <filesystem>
#include <optional>

// How the ECG strip looks: its layout, grid, labels and review page. The
// window draws through these functions into its back buffer, and tools that
// render a strip without a window call RenderPage, so both show the same.
namespace views::ecg {

inline constexpr QRgb kBackground = qRgb(0, 0, 0);
inline constexpr QRgb kTraceColour = qRgb(0, 200, 0); // also the gain and speed labels
inline constexpr QRgb kGridColour = qRgb(50, 50, 50);
inline constexpr QRgb kTimeColour = qRgb(128, 255, 255);
inline constexpr QRgb kMarkerColour = qRgb(110, 150, 150);
inline constexpr int kGridDotPitchPx = 1 * kPixelsPerMm;
inline constexpr int kGridLinePitchPx = 5 * kPixelsPerMm;
inline constexpr int kMarkerOffsetPx = 20;  // markers stand this far left and right of the R wave
inline constexpr int kLivePanelWidthPx = 130;

// Where things lie on a canvas: a label strip across the top (time at the
// left, gain and speed at the right), the wave area below it, and in live
// mode the heart-rate panel along the right edge. Rectangles of a canvas too
// small for them are empty or cut, never negative.
struct EcgLayout {
    QRect waveArea;
    QRect timeLabel;
    QRect gainLabel;
    QRect speedLabel;
    QRect panel; // empty in review mode
};
EcgLayout ComputeLayout(QSize canvas, bool live);

// The empty grid over columns fromX .. toX - 1 of the area (clipped to it): a
// dot every millimetre, a line every 5 mm, counted from the area's top left.
// Every pixel of those columns is written, so it also erases.
void DrawGrid(QImage& image, const QRect& area, int fromX, int toX);

// Gain and speed labels, and the time label when `time` is not empty.
void DrawLabels(QImage& image, const EcgLayout& layout, int speedIndex, int gainIndex, const QString& time);

// One review page of a case.
struct EcgPage {
    ViewCase shownCase;        // not open: grid and labels only
    std::int64_t position = 0; // moved back to the page start the speed allows
    int speedIndex = kDefaultSpeedIndex;
    int gainIndex = kDefaultGainIndex;
    int selectedBeat = -1;     // record of "qrs.ecg" to mark; -1 none
    bool smooth = true;        // anti-aliased trace (the "smooth lines" setting)
};

// Draws the page over the whole image (Format_RGB32), reading only that
// page's samples and the selected beat's record.
void DrawPage(QImage& image, const EcgPage& page);
QImage RenderPage(const EcgPage& page, QSize size);

// The time of day at `position` of a recording that began at `start`, as
// "hh:mm:ss" (an invalid start counts as midnight).
QString PageTime(const QDateTime& start, std::int64_t position);

// Record `index` of a beat file; nothing when it does not exist.
std::optional<QrsRecord> ReadBeat(const std::filesystem::path& beatFile, int index);

} // namespace views::ecg
