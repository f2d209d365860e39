#pragma once

#include "views/trace_area.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The paper-recorder scales of the ECG strip: 4 pixels per millimetre, 200
// samples per second, four paper speeds and three gains, and the rules that
// turn samples into pixel columns and heights. Shared by the window, its live
// sweep and the strip renderer.
namespace views::ecg {

inline constexpr int kSamplesPerSecond = 200;
inline constexpr int kPixelsPerMm = 4;
inline constexpr int kZeroLevel = 2048;     // the sample value of 0 mV
inline constexpr double kPixelsPerUnitAndGain = 0.0214; // per sample unit and mm/mV
inline constexpr int kEdgeInsetPx = 5;      // traces stay this far inside the area

inline constexpr std::array<double, 4> kSpeedMmPerS{12.5, 20.0, 25.0, 50.0};
inline constexpr std::array<int, 3> kGainMmPerMv{5, 10, 20};
inline constexpr int kDefaultSpeedIndex = 2; // 25 mm/s
inline constexpr int kDefaultGainIndex = 1;  // 10 mm/mV
inline constexpr int kTwentyMmPerSIndex = 1; // 2.5 samples per pixel: 5 samples make 2 columns

// A speed or gain index out of range is taken as the nearest valid one.
int ValidSpeedIndex(int speedIndex);
int ValidGainIndex(int gainIndex);

// Samples on a page `widthPx` columns wide: samples per pixel x width, and at
// 20 mm/s 5 x width / 2 rounded up.
std::int64_t PageLength(int speedIndex, int widthPx);

// The page start at or before `position`: a multiple of 5 samples at 20 mm/s,
// of the samples per pixel at the other speeds.
std::int64_t AlignPageStart(std::int64_t position, int speedIndex);

// The start of the page that shows `sample`: the page boundary at or before
// it (pages counted from sample 0), aligned. At 20 mm/s with an odd width the
// alignment could leave the sample just past the page's end; the start then
// moves on by one pair of columns.
std::int64_t PageStartShowing(std::int64_t sample, std::int64_t pageLength, int speedIndex);

// The largest scroll position over `samples` samples: the last page shows
// the final two thirds of a page of data. 0 when everything fits.
std::int64_t ScrollMaximum(std::int64_t samples, std::int64_t pageLength);

// The column that shows sample `offset` of a page (offset >= 0).
int ColumnOfSample(std::int64_t offset, int speedIndex);

// First/last/largest/smallest rule: one value for a block of samples that
// keeps a spike inside the block (an R wave). The block must not be empty.
std::uint16_t ReduceBlock(std::span<const std::uint16_t> block);

// One value per pixel column for the samples of a page that starts on an
// aligned sample; a page cut short by the end of the data ends with the last
// column that has a sample.
std::vector<std::uint16_t> PageColumns(std::span<const std::uint16_t> page, int speedIndex);

// Live sweep: samples arrive in blocks of 4 (5 at 20 mm/s); each block gives
// one column at 12.5 mm/s (reduced), two at 20 mm/s (samples 0 and 3) and at
// 25 mm/s (samples 0 and 2), four at 50 mm/s.
int LiveBlockSize(int speedIndex);
std::vector<std::uint16_t> LiveColumns(std::span<const std::uint16_t> block, int speedIndex);

// Height of a sample in a wave area of `heightPx` rows from `topPx`: the zero
// level at three fifths of the height, limited to kEdgeInsetPx inside the
// area.
int TraceY(std::uint16_t sample, int gainIndex, int topPx, int heightPx);

} // namespace views::ecg
