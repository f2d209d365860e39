// The whole-file path of CECGAnalysis: the same pipeline as ProcessSample,
// run stage by stage over blocks of samples. Each stage reads only values the
// stage before produced for earlier samples, so a stage may run over the whole
// block before the next starts, with its state in locals, and the values come
// out exactly as sample by sample.

#include "signal/ecg_analysis.h"

#include "signal/ecg_stages.h"

#include <cstdlib>

namespace {

using ecgstages::RingIndex;

// Samples per pass. The rings must hold a block plus the look-back of the
// detector (the R-wave search reaches about 60 samples behind r, and r lags
// 14 samples behind the newest filtered sample).
constexpr std::int64_t kBlockSamples = 256;

} // namespace

void CECGAnalysis::ProcessSingleChannel(std::span<std::uint16_t> samples, std::vector<int>& heartRates)
{
    static_assert(kBlockSamples + 100 < kRingSize, "a block and its look-back fit the rings");
    std::size_t done = 0;
    // Until the detector has taken its first step the stages start one after
    // the other; from then on each of them runs once per sample.
    while (done < samples.size() && !m_enhanced && m_r == 0) {
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
// filtered-sample ring.
template <bool Notch>
void CECGAnalysis::FilterBlock(std::span<std::uint16_t> samples)
{
    std::uint16_t prev1 = m_notchPrev1[0];
    std::uint16_t prev2 = m_notchPrev2[0];
    std::int64_t notchCount = m_notchCount;
    std::uint16_t* const baselineRing = m_baselineRing[0].data();
    std::uint32_t baselineSum = m_baselineSum[0];
    std::int32_t track = m_track[0];
    int position = m_baselinePos;
    std::uint16_t* const filtered = m_filtered[0].data();
    std::int64_t index = m_processed;
    for (std::uint16_t& sample : samples) {
        std::uint16_t value = sample;
        if constexpr (Notch) {
            if (notchCount >= 2)
                value = static_cast<std::uint16_t>((static_cast<int>(sample) + static_cast<int>(prev2)) / 2);
            prev2 = prev1;
            prev1 = sample;
            ++notchCount;
        }
        baselineSum += static_cast<std::int32_t>(value) - baselineRing[position];
        baselineRing[position] = value;
        if (++position == kBaselineSize)
            position = 0;
        const std::int32_t base = static_cast<std::int32_t>(baselineSum / kBaselineSize) - ecgstages::kZeroLevel;
        track = ecgstages::NextTrack(track, base);
        value = static_cast<std::uint16_t>(value - track);
        sample = value;
        filtered[RingIndex<kRingSize>(index++)] = value;
    }
    m_notchPrev1[0] = prev1;
    m_notchPrev2[0] = prev2;
    m_notchCount = Notch ? notchCount : 0;
    m_baselineSum[0] = baselineSum;
    m_track[0] = track;
    m_baselinePos = position;
}

// Smoothing, slope energy and its six-value mean, one value each per
// sample. The newest smoothed values and energy stay in locals; the stage
// for p' = p + 1 reads y[p' - 1] = y[p] and E[p' - 3] = E[p - 2].
void CECGAnalysis::SmoothAndEnergyBlock(std::int64_t count)
{
    const std::uint16_t* const x = m_filtered[0].data();
    std::uint16_t* const y = m_smoothed[0].data();
    std::int32_t* const energy = m_energy.data();
    std::int32_t* const averaged = m_averaged.data();
    std::uint32_t smoothSum = m_smoothSum[0];
    std::uint64_t energySum = m_energySum;
    std::int64_t q = m_q;
    std::uint16_t y1 = y[RingIndex<kRingSize>(m_p - 1)];
    std::uint16_t y2 = y[RingIndex<kRingSize>(m_p - 2)];
    std::int32_t newestEnergy = energy[RingIndex<kRingSize>(m_p - 2)];
    const std::int64_t end = m_p + count;
    for (std::int64_t p = m_p; p < end; ++p) {
        smoothSum += x[RingIndex<kRingSize>(p + 2)] - x[RingIndex<kRingSize>(p - 3)];
        const auto y0 = static_cast<std::uint16_t>(smoothSum / 4);
        y[RingIndex<kRingSize>(p)] = y0;
        const std::int32_t energyBefore = newestEnergy;
        newestEnergy = ecgstages::SlopeEnergy(std::abs(static_cast<std::int32_t>(y0) - y2));
        energy[RingIndex<kRingSize>(p - 1)] = newestEnergy;
        energySum += energyBefore - energy[RingIndex<kRingSize>(p - 8)];
        averaged[RingIndex<kRingSize>(q++)] = static_cast<std::int32_t>(energySum / 6);
        y2 = y1;
        y1 = y0;
    }
    m_smoothSum[0] = smoothSum;
    m_energySum = energySum;
    m_p = end;
    m_q = q;
}
