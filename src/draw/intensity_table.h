#pragma once

#include <array>

namespace draw {

// The smooth line drawer's intensity table: for each blend level 0..255 the
// smallest distance (in pixels, from a pixel's centre to the ideal line) that
// still gets that level. Level 0 is the pure pen colour, level 255 leaves the
// pixel as it was. Entries 1..227 rise from 0.056 to 1.79; entry 0 and the
// entries from 228 on are 0.
inline constexpr int kIntensityLevels = 256;
using IntensityTable = std::array<float, kIntensityLevels>;

const IntensityTable& SmoothLineIntensity();

// The level of a pixel at `distance` from the line (sign ignored), found by
// bisection over the table (see the .cpp for how the search ends).
int IntensityLevel(double distance);

} // namespace draw
