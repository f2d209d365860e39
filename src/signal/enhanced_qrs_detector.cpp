#include "signal/enhanced_qrs_detector.h"

#include "signal/ecg_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

using ecgstages::Extreme;
using ecgstages::LargestMagnitude;

constexpr std::int32_t kZeroLevel = 2048;
constexpr std::int32_t kLargestSample = 4095;
constexpr std::int64_t kLearningSamples = 400; // 2 s to learn the first levels
// Band-pass: low-pass (1 - z^-4)^2 / (1 - z^-1)^2 (zeros at 50 and 100 Hz),
// high-pass as the sample 8 back minus the mean of 16; about 6-18 Hz.
constexpr int kLowPassLength = 4;
constexpr int kLowPassGain = kLowPassLength * kLowPassLength;
constexpr int kHighPassLength = 16;
constexpr int kBandPassDelay = kLowPassLength - 1 + kHighPassLength / 2;
constexpr int kSlopeDelay = kBandPassDelay + 2; // plus the derivative
constexpr int kIntegralWidth = 30;              // 150 ms
constexpr std::int64_t kPeakWait = 12;          // 60 ms after a peak without a higher one
constexpr std::int64_t kRefractory = 40;        // 200 ms
constexpr std::int64_t kTWaveWindow = 72;       // 360 ms
constexpr std::int64_t kLookAhead = 60;         // a beat is final 300 ms after its R wave
// The threshold lies this many sixteenths of the way from the noise level to
// the QRS level, both as square roots of the integral (amplitudes): half way
// in amplitude is a quarter in energy, the share of the 1985 paper.
constexpr std::int64_t kThresholdShare = 8;
constexpr std::int64_t kDueEighths = 4;         // a beat is due after half an average R-R
constexpr std::int64_t kValleyReach = 200;      // 1 s back at most
constexpr std::int64_t kValleyPercent = 20;
constexpr std::int64_t kRelearnAfter = 500;     // 2.5 s without a QRS
constexpr std::int64_t kRelearnPeriod = 200;    // then the QRS level halves every second
constexpr int kHeartRatePeriod = 200;
constexpr std::int64_t kHeartRateOffset = 20; // the first heart-rate step

// The 19-comparator sorting network for eight values (Knuth, The Art of
// Computer Programming, vol. 3, 5.3.4), unrolled: no branches to mispredict.
constexpr std::array<std::pair<int, int>, 19> kSortingNetwork{{{0, 2}, {1, 3}, {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6},
                                                               {3, 7}, {0, 1}, {2, 3}, {4, 5}, {6, 7}, {2, 4}, {3, 5},
                                                               {1, 4}, {3, 6}, {1, 2}, {3, 4}, {5, 6}}};

template <std::size_t... Comparators>
void SortEight(std::array<std::int64_t, 8>& values, std::index_sequence<Comparators...>)
{
    const auto exchange = [&values](std::pair<int, int> pair) {
        const std::int64_t a = values[static_cast<std::size_t>(pair.first)];
        const std::int64_t b = values[static_cast<std::size_t>(pair.second)];
        values[static_cast<std::size_t>(pair.first)] = std::min(a, b);
        values[static_cast<std::size_t>(pair.second)] = std::max(a, b);
    };
    (exchange(kSortingNetwork[Comparators]), ...);
}

std::int64_t Median(std::array<std::int64_t, 8> values)
{
    SortEight(values, std::make_index_sequence<kSortingNetwork.size()>());
    return (values[3] + values[4]) / 2;
}

} // namespace

void CEnhancedQrsDetector::Reset()
{
    m_n = 0;
    m_x.fill(0);
    m_lowPass.fill(0);
    m_bandPass.fill(0);
    m_slope.fill(0);
    m_energy.fill(0);
    m_integral.fill(0);
    m_integralSum = 0;
    m_nextHeartRateStep = kHeartRateOffset;
    m_nextLevelStep = kLearningSamples;
    m_rising = {};
    m_armed = true;
    m_lastPeakValue = 0;
    m_lastPeakIndex = -1;
    m_learningMax = 0;
    m_qrsPeaks.fill(0);
    m_noisePeaks.fill(0);
    m_qrsPeakPos = 0;
    m_noisePeakPos = 0;
    m_qrsLevel = 0;
    m_threshold = 0;
    m_lastQrs = -1;
    m_lastQrsSlope = 0;
    m_rr.fill(0);
    m_rrPos = 0;
    m_rrHeld = 0;
    m_pending = {};
    m_pendingDue = 0;
    m_intervalNoise = 0;
    m_noiseSinceBeat = 0;
    m_beats.fill(QrsRecord{});
    m_beatCount = 0;
    m_longestDelay = 0;
    m_heartRate = 60;
}

// Low-pass (1 - z^-4)^2 / (1 - z^-1)^2, which is the 7-tap sum with weights
// 1 2 3 4 3 2 1; high-pass as 16 z^-8 minus a 16-sample sum; derivative
// (2, 1, 0, -1, -2), square, 30-sample mean. Each stage is a sum over
// earlier outputs of the one before, so each runs over the whole block on
// linear copies of the rings. Values stay within 32 bits up to the slope
// (|low-pass| <= 16 x 2048, |band-pass| <= 2^20, |slope| <= 6 x 2^20).
TAVO_BLOCK_CLONES void CEnhancedQrsDetector::FilterBlock(std::span<const std::uint16_t> samples)
{
    static_assert(kLowPassLength == 4, "the low-pass weights below are those of length 4");
    constexpr int kLowPassTaps = 2 * kLowPassLength - 1;
    const auto n = static_cast<std::ptrdiff_t>(samples.size());
    const std::int64_t first = m_n;
    if (first == 0) {
        // Start from the steady state of a constant input, so the first
        // sample does not ring through the filters as a step.
        const std::int32_t x = std::min<std::int32_t>(samples[0], kLargestSample) - kZeroLevel;
        m_x.fill(x);
        m_lowPass.fill(kLowPassGain * x);
    }
    std::array<std::int32_t, kLowPassTaps - 1 + kBlock> x;   // x[k]: input first - 6 + k
    std::array<std::int32_t, kHighPassLength - 1 + kBlock> lowPass; // from first - 15 on
    std::array<std::int32_t, 4 + kBlock> bandPass;            // from first - 4 on
    std::array<std::int32_t, kBlock> slope;
    std::array<std::int64_t, kBlock> energy;
    ecgstages::FromRing(m_x, first - (kLowPassTaps - 1), x.data(), kLowPassTaps - 1);
    for (std::ptrdiff_t k = 0; k < n; ++k)
        x[static_cast<std::size_t>(k + kLowPassTaps - 1)] = std::min<std::int32_t>(samples[k], kLargestSample) - kZeroLevel;
    ecgstages::FromRing(m_lowPass, first - (kHighPassLength - 1), lowPass.data(), kHighPassLength - 1);
    ecgstages::FromRing(m_bandPass, first - 4, bandPass.data(), 4);

    const std::int32_t* const xs = x.data() + kLowPassTaps - 1; // xs[k]: input first + k
    std::int32_t* const lows = lowPass.data() + kHighPassLength - 1;
    std::int32_t* const bands = bandPass.data() + 4;
    for (std::ptrdiff_t k = 0; k < n; ++k)
        lows[k] = xs[k] + 2 * xs[k - 1] + 3 * xs[k - 2] + 4 * xs[k - 3] + 3 * xs[k - 4] + 2 * xs[k - 5] + xs[k - 6];
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        std::int32_t window = 0;
        for (std::ptrdiff_t j = 0; j < kHighPassLength; ++j)
            window += lows[k - j];
        bands[k] = kHighPassLength * lows[k - kHighPassLength / 2] - window;
    }
    for (std::ptrdiff_t k = 0; k < n; ++k)
        slope[static_cast<std::size_t>(k)] = 2 * bands[k] + bands[k - 1] - bands[k - 3] - 2 * bands[k - 4];
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        // Scaled down to keep 30 squares inside 64 bits.
        const auto scaled = static_cast<std::uint32_t>(std::abs(slope[static_cast<std::size_t>(k)] / 64));
        energy[static_cast<std::size_t>(k)] = static_cast<std::int64_t>(static_cast<std::uint64_t>(scaled) * scaled);
    }
    const auto count = static_cast<std::size_t>(n);
    ecgstages::ToRing(m_x, first, xs, count);
    ecgstages::ToRing(m_lowPass, first, lows, count);
    ecgstages::ToRing(m_bandPass, first, bands, count);
    ecgstages::ToRing(m_slope, first, slope.data(), count);
    std::int64_t sum = m_integralSum;
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        const std::int64_t i = first + k;
        sum += energy[static_cast<std::size_t>(k)] - m_energy[Slot(i - kIntegralWidth)];
        m_energy[Slot(i)] = energy[static_cast<std::size_t>(k)];
        m_integral[Slot(i)] = static_cast<std::int64_t>(static_cast<std::uint64_t>(sum) / kIntegralWidth);
    }
    m_integralSum = sum;
}

bool CEnhancedQrsDetector::ProcessSample(std::uint16_t sample)
{
    FilterBlock(std::span<const std::uint16_t>(&sample, 1));
    return DetectionStep();
}

void CEnhancedQrsDetector::ProcessSamples(std::span<const std::uint16_t> samples, std::vector<int>& heartRates)
{
    static_assert(kBlock + kLookAhead + kValleyReach + 2 * kIntegralWidth < kRing,
                  "a filtered block and the detector's look-back fit the rings");
    for (std::size_t done = 0; done < samples.size();) {
        const std::size_t count = std::min<std::size_t>(kBlock, samples.size() - done);
        FilterBlock(samples.subspan(done, count));
        const std::int64_t end = m_n + static_cast<std::int64_t>(count);
        while (m_n < end) {
            // Up to the next pending resolution, level change or heart-rate
            // step, a step is only the peak finding; a peak that is taken
            // may move those events.
            std::int64_t quietEnd = std::min({end, m_nextLevelStep, m_nextHeartRateStep});
            if (m_pending.index >= 0)
                quietEnd = std::min(quietEnd, m_pendingDue);
            if (quietEnd <= m_n) {
                if (DetectionStep())
                    heartRates.push_back(m_heartRate);
                continue;
            }
            FindPeaks(quietEnd - 1);
            ++m_n;
        }
        done += count;
    }
}

// Everything after the filters, for sample m_n; the filters may have run
// ahead, as no step reads a filtered value past m_n.
inline bool CEnhancedQrsDetector::DetectionStep()
{
    if (m_pending.index >= 0 && m_n >= m_pendingDue)
        ResolvePending();
    FindPeaks(m_n);
    if (m_n == m_nextLevelStep)
        StepLevels();
    const bool heartRateStep = m_n == m_nextHeartRateStep;
    if (heartRateStep) {
        m_heartRate = HeartRateOfBeats(m_beats, m_beatCount, m_n);
        m_nextHeartRateStep += kHeartRatePeriod;
    }
    ++m_n;
    return heartRateStep;
}

// Follows the integral's rise over the samples m_n .. last, the search state
// in locals: a peak is taken once the integral has fallen to half of it or
// kPeakWait samples have passed without a higher value. Stops at the sample
// that takes a peak; m_n is left at the last sample looked at.
void CEnhancedQrsDetector::FindPeaks(std::int64_t last)
{
    std::int64_t n = m_n;
    bool armed = m_armed;
    std::int64_t risingIndex = m_rising.index;
    std::int64_t risingValue = m_rising.value;
    const auto keep = [&] {
        m_n = n;
        m_armed = armed;
        m_rising.index = risingIndex;
        m_rising.value = risingValue;
    };
    for (;; ++n) {
        const std::int64_t value = m_integral[Slot(n)];
        // After a peak the search waits for the integral to fall or the refractory time to pass.
        if (armed || 2 * value < m_lastPeakValue || n - m_lastPeakIndex >= kRefractory) {
            armed = true;
            if (value > risingValue) {
                risingIndex = n;
                risingValue = value;
            }
            const bool fallen = 2 * value < risingValue;
            if (risingIndex >= 0 && (fallen || n - risingIndex >= kPeakWait)) {
                keep();
                TakePeak(fallen);
                return;
            }
        }
        if (n == last)
            break;
    }
    keep();
}

void CEnhancedQrsDetector::TakePeak(bool fallen)
{
    Candidate peak = m_rising;
    peak.level = static_cast<std::int64_t>(std::sqrt(static_cast<double>(peak.value)));
    m_lastPeakValue = peak.value;
    m_lastPeakIndex = peak.index;
    m_rising = {};
    m_armed = fallen;
    Decide(peak);
}

std::int64_t CEnhancedQrsDetector::SteepestSlope(std::int64_t integralIndex) const
{
    return LargestMagnitude(m_slope, integralIndex - kIntegralWidth + 1, kIntegralWidth);
}

void CEnhancedQrsDetector::Decide(Candidate peak)
{
    if (m_n < kLearningSamples) {
        m_learningMax = std::max(m_learningMax, peak.level);
        return;
    }
    // A held QRS counts as the last one until it is resolved.
    const bool holding = m_pending.index >= 0;
    const std::int64_t lastQrs = holding ? m_pending.index : m_lastQrs;
    const std::int64_t lastSlope = holding ? m_pending.slope : m_lastQrsSlope;
    const std::int64_t sinceQrs = lastQrs < 0 ? kTWaveWindow : peak.index - lastQrs;
    if (sinceQrs < kRefractory) {
        // The larger of two peaks this close is the QRS.
        if (holding && peak.level > m_pending.level && SlopeOf(peak) > m_pending.slope) {
            AddNoisePeak(m_pending.level);
            Hold(peak);
        }
        return; // the rest of the last complex
    }
    const bool tWaveShaped = sinceQrs < kTWaveWindow && 2 * SlopeOf(peak) < lastSlope;
    // Between half the threshold and the threshold a peak is still a QRS
    // when a beat is due by the rhythm (real-time form of the search-back);
    // at half the level it must rise from a valley half as deep.
    const bool aboveThreshold = peak.level > m_threshold;
    const bool due = m_rrHeld > 0 && 2 * peak.level > m_threshold && 8 * sinceQrs >= AverageRR() * kDueEighths;
    if ((aboveThreshold || due) && !tWaveShaped
        && StandsOut(peak, aboveThreshold ? kValleyPercent : kValleyPercent / 2)) {
        ResolvePending();
        Hold(peak);
        return;
    }
    AddNoisePeak(peak.level);
    if (tWaveShaped)
        return;
    if (2 * peak.level > m_threshold)
        ++m_noiseSinceBeat;
}

// The steepest slope of a peak is measured when a rule first needs it.
std::int64_t CEnhancedQrsDetector::SlopeOf(Candidate& peak) const
{
    if (peak.slope < 0)
        peak.slope = SteepestSlope(peak.index);
    return peak.slope;
}

// Holds a QRS until the samples that make it final are in.
void CEnhancedQrsDetector::Hold(Candidate& peak)
{
    SlopeOf(peak);
    peak.r = LocateR(peak.index);
    m_pending = peak;
    m_pendingDue = peak.r - kBandPassDelay + kLookAhead;
}

// A QRS rises from a quiet stretch: between the last QRS and this peak the
// integral has fallen below `percent` of the peak. On continuous noise it never does.
bool CEnhancedQrsDetector::StandsOut(const Candidate& peak, std::int64_t percent) const
{
    if (m_lastQrs < 0)
        return true;
    const std::int64_t from = std::max(m_lastQrs, peak.index - kValleyReach);
    const std::int64_t valley = Extreme(m_integral, from, peak.index - from, peak.value, std::less<>());
    return valley * 100 < peak.value * percent;
}

// A QRS is final once the samples up to kLookAhead after its R wave are in.
// What follows it sooner than the next beat can come (half an average R-R)
// shows whether it was a P wave or an artefact ahead of the real QRS: a much
// steeper slope (any steeper one after a small complex), a larger integral,
// or a larger band-pass swing that is no T wave. After Hamilton and Tompkins
// (rule 1: a peak closely followed by a larger one is not the QRS; rule 3: a
// T wave has under half the slope of its QRS); the band-pass swing shows the
// larger complex within the look-ahead, where the integral's peak would come
// too late.
void CEnhancedQrsDetector::ResolvePending()
{
    if (m_pending.index < 0)
        return;
    const Candidate held = m_pending;
    m_pending = {};
    const std::int64_t last = m_rrHeld == 0 ? m_n : std::min(m_n, held.r + AverageRR() * kDueEighths / 8);
    const std::int64_t after = last - held.index;
    const std::int64_t steeper = LargestMagnitude(m_slope, held.index + 1, after);
    const std::int64_t larger = Extreme(m_integral, held.index + 1, after, std::int64_t{0}, std::greater<>());
    // The held complex's band-pass window ends 2 samples before its integral peak.
    const std::int64_t swing = LargestMagnitude(m_bandPass, held.index - 1, after + 2);
    const bool tWaveAfter = 2 * steeper < held.slope;
    const bool small = 4 * held.level < 3 * m_qrsLevel;
    if (2 * steeper > 3 * held.slope || larger > held.value || (small && steeper > held.slope)
        || (swing > std::abs(m_bandPass[Slot(held.r)]) && !tWaveAfter)) {
        AddNoisePeak(held.level);
        return;
    }
    AcceptQrs(held);
}

// The noise level follows the largest non-QRS peak of each beat interval, so
// the many small ripples of the integral do not drag it to zero.
void CEnhancedQrsDetector::AddNoisePeak(std::int64_t value)
{
    m_intervalNoise = std::max(m_intervalNoise, value);
}

void CEnhancedQrsDetector::CloseNoiseInterval()
{
    m_noisePeaks[static_cast<std::size_t>(m_noisePeakPos)] = m_intervalNoise;
    m_noisePeakPos = (m_noisePeakPos + 1) % kPeakLevels;
    m_intervalNoise = 0;
}

void CEnhancedQrsDetector::UpdateThreshold()
{
    m_qrsLevel = Median(m_qrsPeaks);
    const std::int64_t noise = Median(m_noisePeaks);
    m_threshold = noise + (m_qrsLevel - noise) * kThresholdShare / 16;
}

std::int64_t CEnhancedQrsDetector::AverageRR() const
{
    std::int64_t sum = 0;
    for (int i = 0; i < m_rrHeld; ++i)
        sum += m_rr[static_cast<std::size_t>(i)];
    return m_rrHeld == 0 ? 0 : sum / m_rrHeld;
}

// The first levels once the learning time is over; after a long silence (a
// pause, a smaller signal after a lead change) the QRS level is learnt anew,
// halving each period.
void CEnhancedQrsDetector::StepLevels()
{
    if (m_n == kLearningSamples) {
        m_qrsPeaks.fill(m_learningMax / 2);
        m_noisePeaks.fill(m_learningMax / 16);
        m_nextLevelStep = kLearningSamples + kRelearnAfter + kRelearnPeriod;
    } else {
        for (std::int64_t& level : m_qrsPeaks)
            level /= 2;
        m_nextLevelStep += kRelearnPeriod;
    }
    UpdateThreshold();
}

void CEnhancedQrsDetector::AcceptQrs(const Candidate& peak)
{
    if (m_lastQrs >= 0) {
        m_rr[static_cast<std::size_t>(m_rrPos)] = peak.index - m_lastQrs;
        m_rrPos = (m_rrPos + 1) % kRRCount;
        m_rrHeld = std::min(m_rrHeld + 1, kRRCount);
    }
    CloseNoiseInterval();
    m_qrsPeaks[static_cast<std::size_t>(m_qrsPeakPos)] = peak.level;
    m_qrsPeakPos = (m_qrsPeakPos + 1) % kPeakLevels;
    UpdateThreshold();
    m_lastQrs = peak.index;
    m_lastQrsSlope = peak.slope;
    m_nextLevelStep = m_lastQrs + kRelearnAfter + kRelearnPeriod;
    EmitBeat(peak.r);
    m_noiseSinceBeat = 0;
}

// The R wave is the largest band-pass excursion under the integral's window;
// the complex spans the samples around it whose slope energy stays above 1/32
// of the complex's highest.
std::int64_t CEnhancedQrsDetector::LocateR(std::int64_t integralIndex) const
{
    std::int64_t rIndex = integralIndex - 2;
    std::int64_t largest = -1;
    for (std::int64_t i = integralIndex - kIntegralWidth - 6; i <= integralIndex - 2; ++i) {
        const std::int64_t magnitude = std::llabs(m_bandPass[Slot(i)]);
        if (magnitude > largest) {
            largest = magnitude;
            rIndex = i;
        }
    }
    return rIndex;
}

void CEnhancedQrsDetector::EmitBeat(std::int64_t rIndex)
{
    const std::int64_t centre = rIndex + 2; // in slope samples
    std::int64_t peakEnergy = 0;
    for (std::int64_t i = centre - 8; i <= std::min(centre + 8, m_n); ++i)
        peakEnergy = std::max(peakEnergy, m_energy[Slot(i)]);
    const std::int64_t floor = peakEnergy / 32;
    const auto quiet = [&](std::int64_t i) {
        return m_energy[Slot(i)] <= floor && m_energy[Slot(i - 1)] <= floor && m_energy[Slot(i - 2)] <= floor;
    };
    std::int64_t first = centre;
    while (first > centre - 40 && !quiet(first - 1))
        --first;
    std::int64_t last = centre;
    while (last < centre + 40 && last + 3 <= m_n && !quiet(last + 3))
        ++last;

    const std::int64_t peak = std::max<std::int64_t>(rIndex - kBandPassDelay, 0);
    const std::int64_t onset = std::clamp<std::int64_t>(first - kSlopeDelay, 0, peak);
    const std::int64_t end = std::max(last - kSlopeDelay + 1, peak + 1);

    QrsRecord& beat = m_beats[BeatRingSlot(m_beatCount)];
    const QrsRecord& before = m_beats[BeatRingSlot(m_beatCount - 1)];
    beat = QrsRecord{};
    beat.Onset = static_cast<std::uint32_t>(onset);
    beat.Peak = static_cast<std::uint32_t>(peak);
    beat.End = static_cast<std::uint32_t>(end);
    const std::int64_t interval = peak - static_cast<std::int64_t>(before.Peak);
    beat.RRInterval = static_cast<std::int16_t>(std::clamp<std::int64_t>(interval, -32768, 32767));
    beat.QrsWidth = static_cast<std::int16_t>(std::clamp<std::int64_t>(end - onset, 0, 80));
    std::int32_t reference = m_beats[BeatRingSlot(std::max<std::int64_t>(m_beatCount - 1, 0))].RRInterval;
    if (reference < 1)
        reference = 1;
    beat.RRRatio = static_cast<std::uint16_t>(std::clamp<std::int32_t>(beat.RRInterval * 100 / reference, 1, 32767));
    beat.NoiseCount = static_cast<std::uint8_t>(std::min(m_noiseSinceBeat, 255));
    ClassifyBeat(beat, before);
    m_longestDelay = std::max(m_longestDelay, m_n - peak);
    if (m_sink != nullptr)
        m_sink->Put(static_cast<std::uint64_t>(m_beatCount), beat);
    ++m_beatCount;
}
