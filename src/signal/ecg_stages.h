#pragma once

// Arithmetic of the designed detector's filter stages, shared by its
// sample-by-sample path and its whole-file path in blocks, so that both give
// the same values.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace ecgstages {

inline constexpr std::int32_t kZeroLevel = 2048;

// Position inside a sample ring. No stage looks back more than about a
// hundred samples, so any ring of that size or more gives the same values; a
// power of two keeps the indexing cheap. Indices before the first sample land
// on slots that are still zero, so they read as 0.
template <int Size>
inline int RingIndex(std::int64_t index)
{
    static_assert((Size & (Size - 1)) == 0, "ring sizes are powers of two");
    return static_cast<int>(static_cast<std::uint64_t>(index) & (Size - 1));
}

// The slope energy trunc(d^2 x 1/45) in single precision, looked up for the
// slopes of 12-bit signals.
inline constexpr float kEnergyScale = 0.022222223f;
inline constexpr int kEnergyTableSize = 4096;
inline constexpr std::array<std::int32_t, kEnergyTableSize> kEnergyTable = [] {
    std::array<std::int32_t, kEnergyTableSize> table{};
    for (std::int64_t d = 0; d < kEnergyTableSize; ++d)
        table[static_cast<std::size_t>(d)] = static_cast<std::int32_t>(static_cast<float>(d * d) * kEnergyScale);
    return table;
}();

inline std::int32_t SlopeEnergy(std::int64_t slope)
{
    if (slope < kEnergyTableSize) [[likely]]
        return kEnergyTable[static_cast<std::size_t>(slope)];
    const float scaled = static_cast<float>(slope * slope) * kEnergyScale;
    // Several channels can reach slopes whose energy no longer fits.
    return static_cast<std::int32_t>(std::min(scaled, static_cast<float>(std::numeric_limits<std::int32_t>::max() / 8)));
}

// One step of the baseline tracking: 1/1600 of the gap (truncated toward
// zero) plus one unit towards `base`. Within 1600 units the division gives 0,
// which spares the common case the division.
inline std::int32_t NextTrack(std::int32_t track, std::int32_t base)
{
    const std::int32_t gap = base - track;
    if (gap > -1600 && gap < 1600) [[likely]]
        return track + (gap > 0) - (gap < 0);
    return track + gap / 1600 + (gap > 0 ? 1 : -1);
}

} // namespace ecgstages
