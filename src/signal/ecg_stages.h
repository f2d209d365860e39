#pragma once

// Arithmetic of the designed detector's filter stages, shared by its
// sample-by-sample path and its whole-file path in blocks, so that both give
// the same values.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

// The block loops of the whole-file paths are built twice on x86-64, for
// AVX2 and for any x86-64, and the loader picks the one the processor runs.
// Both compute the same integers (no fused multiply-add is enabled).
#if defined(__x86_64__) && defined(__linux__) && __has_attribute(target_clones)
#define TAVO_BLOCK_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVO_BLOCK_CLONES
#endif

namespace ecgstages {

inline constexpr std::int32_t kZeroLevel = 2048;

// Periods of the detector's steps, in samples.
inline constexpr int kClassifyDelay = 20;    // a beat is classified this long after its end
inline constexpr int kHeartRatePeriod = 200; // one second
inline constexpr int kDecayPeriod = 100;     // the threshold decays every half second without a beat
inline constexpr int kNoiseMarkPeriod = 80;  // a complex this long gets a noise mark, and again each period

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

// Copies between a ring and a linear array, from absolute index `first` on.
template <typename T, std::size_t Size>
void FromRing(const std::array<T, Size>& ring, std::int64_t first, T* out, std::size_t count)
{
    const auto start = static_cast<std::size_t>(RingIndex<static_cast<int>(Size)>(first));
    const std::size_t head = std::min(count, Size - start);
    std::copy_n(ring.data() + start, head, out);
    std::copy_n(ring.data(), count - head, out + head);
}

template <typename T, std::size_t Size>
void ToRing(std::array<T, Size>& ring, std::int64_t first, const T* values, std::size_t count)
{
    const auto start = static_cast<std::size_t>(RingIndex<static_cast<int>(Size)>(first));
    const std::size_t head = std::min(count, Size - start);
    std::copy_n(values, head, ring.data() + start);
    std::copy_n(values + head, count - head, ring.data());
}

// Calls visit(values, n) on the one or two stretches of the ring that hold
// the `count` values from absolute index `first` on (count <= Size), until
// a visit returns false.
template <typename T, std::size_t Size, typename Visit>
void ForEachStretch(const std::array<T, Size>& ring, std::int64_t first, std::int64_t count, Visit visit)
{
    if (count <= 0)
        return;
    const auto start = static_cast<std::size_t>(RingIndex<static_cast<int>(Size)>(first));
    const std::size_t head = std::min(static_cast<std::size_t>(count), Size - start);
    if (visit(ring.data() + start, head) && head < static_cast<std::size_t>(count))
        visit(ring.data(), static_cast<std::size_t>(count) - head);
}

// The extreme of `start` and the `count` ring values from absolute index
// `first` on, by `better` (std::greater for the largest); branch-free so
// that it vectorises.
template <typename T, std::size_t Size, typename Better>
T Extreme(const std::array<T, Size>& ring, std::int64_t first, std::int64_t count, T start, Better better)
{
    ForEachStretch(ring, first, count, [&start, better](const T* values, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            start = better(values[i], start) ? values[i] : start;
        return true;
    });
    return start;
}

// The largest magnitude among `count` ring values from absolute index
// `first` on.
template <typename T, std::size_t Size>
std::int64_t LargestMagnitude(const std::array<T, Size>& ring, std::int64_t first, std::int64_t count)
{
    T largest = 0;
    ForEachStretch(ring, first, count, [&largest](const T* values, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            largest = std::max<T>(largest, values[i] < 0 ? -values[i] : values[i]);
        return true;
    });
    return largest;
}

// How many ring values from absolute index `first` on (at most `limit`)
// pass `keep` before the first that does not, looked at eight at a time.
template <typename T, std::size_t Size, typename Keep>
std::int64_t LeadingRun(const std::array<T, Size>& ring, std::int64_t first, std::int64_t limit, Keep keep)
{
    constexpr std::size_t kLanes = 8;
    std::int64_t run = 0;
    ForEachStretch(ring, first, limit, [&run, keep](const T* values, std::size_t n) {
        std::size_t k = 0;
        for (; k + kLanes <= n; k += kLanes) {
            bool all = true;
            for (std::size_t lane = 0; lane < kLanes; ++lane)
                all &= keep(values[k + lane]);
            if (!all)
                break;
        }
        while (k < n && keep(values[k]))
            ++k;
        run += static_cast<std::int64_t>(k);
        return k == n;
    });
    return run;
}

// Positive multiples of `period` in first .. last.
inline std::int64_t MultiplesIn(std::int64_t first, std::int64_t last, std::int64_t period)
{
    first = std::max<std::int64_t>(first, 1);
    return last < first ? 0 : last / period - (first - 1) / period;
}

// The slope energy trunc(d^2 x 1/45) in single precision. Below
// kExactSlopeLimit the square is exact in a float, so it may be taken there,
// which lets a block of slopes go through vector instructions.
inline constexpr float kEnergyScale = 0.022222223f;
inline constexpr std::int32_t kExactSlopeLimit = 4096;

inline std::int32_t SmallSlopeEnergy(std::int32_t slope)
{
    const auto d = static_cast<float>(slope);
    return static_cast<std::int32_t>(d * d * kEnergyScale);
}

inline std::int32_t SlopeEnergy(std::int64_t slope)
{
    if (slope < kExactSlopeLimit) [[likely]]
        return SmallSlopeEnergy(static_cast<std::int32_t>(slope));
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
