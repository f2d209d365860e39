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
#include <cstring>
#include <functional>

namespace {

using ecgstages::FromRing;
using ecgstages::LeadingRun;
using ecgstages::ToRing;

// Samples per pass. The rings must hold a block plus the look-back of the
// detector (the R-wave search reaches about 60 samples behind r, and r lags
// 14 samples behind the newest filtered sample).
constexpr std::int64_t kBlockSamples = 256;

} // namespace

// Notch and baseline filter of one channel, in place; also fills the
// filtered-sample ring. The notch is past its first two samples here.
TAVO_BLOCK_CLONES void CECGAnalysis::FilterBlock(std::span<std::uint16_t> samples)
{
    const std::size_t n = samples.size();
    if (m_settings.Filter50Hz != 0) {
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
    // The 2-second sums and their means first; they do not depend on the track.
    std::array<std::int32_t, kBlockSamples> changes; // sample minus the one 2 s before
    std::uint16_t* const baselineRing = m_baselineRing[0].data();
    for (std::size_t k = 0; k < n;) {
        // Up to the end of the data or of the baseline ring, whichever comes first.
        const std::size_t stretch = std::min<std::size_t>(n - k, kBaselineSize - m_baselinePos);
        std::uint16_t* const slots = baselineRing + m_baselinePos;
        for (std::size_t j = 0; j < stretch; ++j)
            changes[k + j] = static_cast<std::int32_t>(samples[k + j]) - slots[j];
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(k), stretch, slots);
        k += stretch;
        m_baselinePos += static_cast<int>(stretch);
        if (m_baselinePos == kBaselineSize)
            m_baselinePos = 0;
    }
    std::array<std::uint32_t, kBlockSamples> sums;
    std::uint32_t baselineSum = m_baselineSum[0];
    for (std::size_t k = 0; k < n; ++k) {
        baselineSum += changes[k];
        sums[k] = baselineSum;
    }
    m_baselineSum[0] = baselineSum;
    std::array<std::int32_t, kBlockSamples> bases;
    for (std::size_t k = 0; k < n; ++k)
        bases[k] = static_cast<std::int32_t>(sums[k] / kBaselineSize) - ecgstages::kZeroLevel;

    // The track moves one unit a sample towards the mean, so once it is within
    // one unit of the mean it takes the mean's value, and keeps doing so as
    // long as the mean moves by at most one unit a sample: through such runs
    // the track needs no step-by-step chain.
    std::array<char, kBlockSamples> jumps; // the mean moved by more than one unit
    jumps[0] = 0;
    for (std::size_t k = 1; k < n; ++k)
        jumps[k] = static_cast<char>(std::abs(bases[k] - bases[k - 1]) > 1);
    std::array<std::int32_t, kBlockSamples> tracks = bases; // the track after each sample
    std::int32_t track = m_track[0];
    for (std::size_t k = 0; k < n;) {
        if (std::abs(bases[k] - track) > 1) {
            track = ecgstages::NextTrack(track, bases[k]);
            tracks[k++] = track;
            continue;
        }
        const void* jump = std::memchr(jumps.data() + k + 1, 1, n - k - 1);
        k = jump != nullptr ? static_cast<std::size_t>(static_cast<const char*>(jump) - jumps.data()) : n;
        track = bases[k - 1];
    }
    m_track[0] = track;
    for (std::size_t k = 0; k < n; ++k)
        samples[k] = static_cast<std::uint16_t>(samples[k] - tracks[k]);
    ToRing(m_filtered[0], m_processed, samples.data(), n);
}

// Smoothing, slope energy and its six-value mean over the block, on linear
// copies of the rings so that the loops vectorize. Both running sums are
// written as window sums: the energy sum is exactly the sum of its six
// values, and the smoothing sum, which adds x[p + 2] and drops x[p - 3] on
// each step, differs from the five-value window x[p - 2 .. p + 2] by a
// constant (mod 2^32).
TAVO_BLOCK_CLONES void CECGAnalysis::SmoothAndEnergyBlock(std::int64_t count)
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
    if (steepest < ecgstages::kExactSlopeLimit) {
        for (std::size_t k = 0; k < n; ++k)
            e[k + 6] = ecgstages::SmallSlopeEnergy(slope[k]);
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
        FilterBlock(block);
        if (m_enhanced) {
            m_enhanced->ProcessSamples(block, heartRates);
        } else {
            SmoothAndEnergyBlock(count);
            DetectBlock(count, heartRates);
        }
        m_processed += count;
        done += block.size();
    }
}

// How many of the next detector steps (at most `limit`) need none of the rare
// work: no threshold decay, no heart-rate step, no beat due, and the averaged
// energy staying on its side of the threshold (at or under it outside a
// complex, above the lower one inside).
std::int64_t CECGAnalysis::PlainSteps(std::int64_t limit) const
{
    using ecgstages::kClassifyDelay;
    if (m_decayPhase == 0)
        return 0;
    limit = std::min<std::int64_t>(limit, ecgstages::kDecayPeriod - m_decayPhase);
    limit = std::min<std::int64_t>(limit, ecgstages::kHeartRatePeriod - 1 - m_heartRatePhase);
    const std::int64_t firstDue = m_r + 1 - kClassifyDelay; // due point after the first step
    if (m_olderEnd >= firstDue)
        return 0;
    if (m_newestEnd >= firstDue)
        limit = std::min(limit, m_newestEnd - firstDue);
    if (m_inQrs)
        return LeadingRun(m_averaged, m_r - 1, limit, [lower = m_thr / 4](std::int32_t v) { return v > lower; });
    return LeadingRun(m_averaged, m_r - 1, limit, [threshold = m_thr](std::int32_t v) { return v <= threshold; });
}

// Takes the steps counted by PlainSteps: inside a complex they raise its peak
// and mark it as noisy every kNoiseMarkPeriod samples. The heart-rate phase
// cannot wrap within them; the decay phase can reach its period on the last.
void CECGAnalysis::TakePlainSteps(std::int64_t steps)
{
    if (steps == 0)
        return;
    if (m_inQrs) {
        std::int32_t& peak = m_peaks[static_cast<std::size_t>(m_beatCount % 3)];
        peak = ecgstages::Extreme(m_averaged, m_r, steps, peak, std::greater<>());
        QrsRecord& current = m_beats[m_currentSlot];
        const std::int64_t sinceOnset = m_r - static_cast<std::int64_t>(current.Onset);
        const std::int64_t marks = ecgstages::MultiplesIn(sinceOnset, sinceOnset + steps - 1, ecgstages::kNoiseMarkPeriod);
        current.NoiseCount = static_cast<std::uint8_t>(std::min<std::int64_t>(255, current.NoiseCount + marks));
    }
    m_r += steps;
    m_decayPhase += static_cast<int>(steps);
    if (m_decayPhase == ecgstages::kDecayPeriod)
        m_decayPhase = 0;
    m_heartRatePhase += static_cast<int>(steps);
}
