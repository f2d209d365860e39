// The whole-file path of CECGAnalysis: the same pipeline as ProcessSample,
// run stage by stage over blocks of samples. Each stage reads only values the
// stage before produced for earlier samples, so a stage may run over the whole
// block before the next starts, with its state in locals, and the values come
// out exactly as sample by sample.

#include "signal/ecg_analysis.h"

#include "signal/ecg_stages.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

using ecgstages::RingIndex;

// Samples per pass. The rings must hold a block plus the look-back of the
// detector (the R-wave search reaches about 60 samples behind r, and r lags
// 14 samples behind the newest filtered sample).
constexpr std::int64_t kBlockSamples = 256;

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

} // namespace

void CECGAnalysis::ProcessSingleChannel(std::span<std::uint16_t> samples, std::vector<int>& heartRates)
{
    static_assert(kBlockSamples + 100 < kRingSize, "a block and its look-back fit the rings");
    std::size_t done = 0;
    // Until the detector has taken its first step the stages start one after
    // the other, and the notch passes its first two samples; from then on
    // each stage runs once per sample.
    while (done < samples.size() && (m_enhanced ? m_processed < 2 : m_r == 0)) {
        if (Step<1>(&samples[done]))
            heartRates.push_back(GetHeartRate());
        ++done;
    }
    while (done < samples.size()) {
        const auto count = static_cast<std::int64_t>(std::min<std::size_t>(kBlockSamples, samples.size() - done));
        const std::span<std::uint16_t> block = samples.subspan(done, static_cast<std::size_t>(count));
        if (m_settings.Filter50Hz != 0)
            FilterBlock<true>(block);
        else
            FilterBlock<false>(block);
        if (m_enhanced) {
            for (const std::uint16_t sample : block) {
                if (m_enhanced->ProcessSample(sample))
                    heartRates.push_back(GetHeartRate());
            }
        } else {
            SmoothAndEnergyBlock(count);
            DetectBlock(count, heartRates);
        }
        m_processed += count;
        done += block.size();
    }
}

// Notch and baseline filter of one channel, in place; also fills the
// filtered-sample ring. The notch is past its first two samples here.
template <bool Notch>
void CECGAnalysis::FilterBlock(std::span<std::uint16_t> samples)
{
    const std::size_t n = samples.size();
    if constexpr (Notch) {
        std::array<std::uint16_t, kBlockSamples + 2> raw; // the inputs from two samples back on
        raw[0] = m_notchPrev2[0];
        raw[1] = m_notchPrev1[0];
        std::copy(samples.begin(), samples.end(), raw.begin() + 2);
        for (std::size_t k = 0; k < n; ++k)
            samples[k] = static_cast<std::uint16_t>((static_cast<int>(raw[k + 2]) + static_cast<int>(raw[k])) / 2);
        m_notchPrev2[0] = raw[n];
        m_notchPrev1[0] = raw[n + 1];
        m_notchCount += static_cast<std::int64_t>(n);
    } else {
        m_notchCount = 0;
    }
    std::uint16_t* const baselineRing = m_baselineRing[0].data();
    std::uint32_t baselineSum = m_baselineSum[0];
    std::int32_t track = m_track[0];
    for (std::size_t k = 0; k < n;) {
        // Up to the end of the data or of the baseline ring, whichever comes first.
        const std::size_t stretch = std::min<std::size_t>(n - k, kBaselineSize - m_baselinePos);
        std::uint16_t* const slots = baselineRing + m_baselinePos;
        for (std::size_t j = 0; j < stretch; ++j, ++k) {
            const std::uint16_t value = samples[k];
            baselineSum += static_cast<std::int32_t>(value) - slots[j];
            slots[j] = value;
            const std::int32_t base = static_cast<std::int32_t>(baselineSum / kBaselineSize) - ecgstages::kZeroLevel;
            track = ecgstages::NextTrack(track, base);
            samples[k] = static_cast<std::uint16_t>(value - track);
        }
        m_baselinePos += static_cast<int>(stretch);
        if (m_baselinePos == kBaselineSize)
            m_baselinePos = 0;
    }
    m_baselineSum[0] = baselineSum;
    m_track[0] = track;
    ToRing(m_filtered[0], m_processed, samples.data(), n);
}

// Smoothing, slope energy and its six-value mean over the block, on linear
// copies of the rings so that the loops vectorize. Both running sums are
// written as window sums: the energy sum is exactly the sum of its six
// values, and the smoothing sum, which adds x[p + 2] and drops x[p - 3] on
// each step, differs from the five-value window x[p - 2 .. p + 2] by a
// constant (mod 2^32).
void CECGAnalysis::SmoothAndEnergyBlock(std::int64_t count)
{
    const std::int64_t p0 = m_p;
    const auto n = static_cast<std::size_t>(count);
    std::array<std::uint16_t, kBlockSamples + 5> x;  // x[k]: filtered sample p0 - 3 + k
    std::array<std::uint16_t, kBlockSamples + 2> y;  // y[k]: smoothed value p0 - 2 + k
    std::array<std::int32_t, kBlockSamples> slope;   // slope[k]: |y[p] - y[p - 2]| for p = p0 + k
    std::array<std::int32_t, kBlockSamples + 6> e;   // e[k]: energy p0 - 7 + k
    std::array<std::int32_t, kBlockSamples> a;       // a[k]: averaged energy m_q + k
    FromRing(m_filtered[0], p0 - 3, x.data(), n + 5);
    FromRing(m_smoothed[0], p0 - 2, y.data(), 2);
    FromRing(m_energy, p0 - 7, e.data(), 6);

    const auto window = [&](std::size_t k) -> std::uint32_t { return x[k] + x[k + 1] + x[k + 2] + x[k + 3] + x[k + 4]; };
    const std::uint32_t offset = m_smoothSum[0] - window(0);
    for (std::size_t k = 0; k < n; ++k)
        y[k + 2] = static_cast<std::uint16_t>((offset + window(k + 1)) / 4);
    m_smoothSum[0] = offset + window(n);

    std::int32_t steepest = 0;
    for (std::size_t k = 0; k < n; ++k) {
        slope[k] = std::abs(static_cast<std::int32_t>(y[k + 2]) - static_cast<std::int32_t>(y[k]));
        steepest = std::max(steepest, slope[k]);
    }
    if (steepest < ecgstages::kEnergyTableSize) {
        for (std::size_t k = 0; k < n; ++k)
            e[k + 6] = ecgstages::kEnergyTable[static_cast<std::size_t>(slope[k])];
    } else {
        for (std::size_t k = 0; k < n; ++k)
            e[k + 6] = ecgstages::SlopeEnergy(slope[k]);
    }
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t sum = static_cast<std::uint32_t>(e[k] + e[k + 1] + e[k + 2])
                                  + static_cast<std::uint32_t>(e[k + 3] + e[k + 4] + e[k + 5]);
        a[k] = static_cast<std::int32_t>(sum / 6);
    }
    m_energySum = static_cast<std::uint64_t>(e[n - 1]) + e[n] + e[n + 1] + e[n + 2] + e[n + 3] + e[n + 4];

    ToRing(m_smoothed[0], p0, y.data() + 2, n);
    ToRing(m_energy, p0 - 1, e.data() + 6, n);
    ToRing(m_averaged, m_q, a.data(), n);
    m_p = p0 + count;
    m_q += count;
}
