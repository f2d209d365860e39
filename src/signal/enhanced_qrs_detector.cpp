#include "signal/enhanced_qrs_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

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

std::int64_t Median(std::array<std::int64_t, 8> values)
{
    std::sort(values.begin(), values.end());
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
    m_lowPassSum = 0;
    m_integralSum = 0;
    m_rising = {};
    m_armed = true;
    m_lastPeakValue = 0;
    m_lastPeakIndex = -1;
    m_learningMax = 0;
    m_qrsPeaks.fill(0);
    m_noisePeaks.fill(0);
    m_qrsPeakPos = 0;
    m_noisePeakPos = 0;
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

bool CEnhancedQrsDetector::ProcessSample(std::uint16_t sample)
{
    Filter(std::min<std::int32_t>(sample, kLargestSample) - kZeroLevel);
    if (m_pending.index >= 0 && m_n >= m_pendingDue)
        ResolvePending();
    FindPeak();
    if (m_n >= kLearningSamples)
        FollowLevels();
    const bool heartRateStep = m_n >= 20 && (m_n - 20) % kHeartRatePeriod == 0;
    if (heartRateStep)
        m_heartRate = HeartRateOfBeats(m_beats, m_beatCount, m_n);
    ++m_n;
    return heartRateStep;
}

// Low-pass (1 - z^-6)^2 / (1 - z^-1)^2, high-pass as 32 z^-16 minus a 32-sample
// sum, derivative (2, 1, 0, -1, -2), square, 30-sample mean.
void CEnhancedQrsDetector::Filter(std::int32_t x)
{
    const std::int64_t n = m_n;
    if (n == 0) {
        // Start from the steady state of a constant input, so the first
        // sample does not ring through the filters as a step.
        m_x.fill(x);
        m_lowPass.fill(kLowPassGain * static_cast<std::int64_t>(x));
        m_lowPassSum = kHighPassLength * kLowPassGain * static_cast<std::int64_t>(x);
    }
    m_x[Slot(n)] = x;
    const std::int64_t lowPass = 2 * m_lowPass[Slot(n - 1)] - m_lowPass[Slot(n - 2)] + x
        - 2 * m_x[Slot(n - kLowPassLength)] + m_x[Slot(n - 2 * kLowPassLength)];
    m_lowPass[Slot(n)] = lowPass;
    m_lowPassSum += lowPass - m_lowPass[Slot(n - kHighPassLength)];
    const std::int64_t bandPass = kHighPassLength * m_lowPass[Slot(n - kHighPassLength / 2)] - m_lowPassSum;
    m_bandPass[Slot(n)] = bandPass;
    const std::int64_t slope = 2 * bandPass + m_bandPass[Slot(n - 1)] - m_bandPass[Slot(n - 3)]
        - 2 * m_bandPass[Slot(n - 4)];
    m_slope[Slot(n)] = slope;
    const std::int64_t scaled = slope / 64; // keeps 30 squares of 12-bit slopes inside 64 bits
    const std::int64_t energy = scaled * scaled;
    m_energy[Slot(n)] = energy;
    m_integralSum += energy - m_energy[Slot(n - kIntegralWidth)];
    m_integral[Slot(n)] = m_integralSum / kIntegralWidth;
}

void CEnhancedQrsDetector::FindPeak()
{
    const std::int64_t value = m_integral[Slot(m_n)];
    if (!m_armed) {
        if (2 * value < m_lastPeakValue || m_n - m_lastPeakIndex >= kRefractory)
            m_armed = true;
        else
            return;
    }
    if (value > m_rising.value) {
        m_rising.index = m_n;
        m_rising.value = value;
    }
    if (m_rising.index < 0)
        return;
    const bool fallen = 2 * value < m_rising.value;
    if (!fallen && m_n - m_rising.index < kPeakWait)
        return;
    Candidate peak = m_rising;
    peak.slope = SteepestSlope(peak.index);
    peak.level = static_cast<std::int64_t>(std::sqrt(static_cast<double>(peak.value)));
    m_lastPeakValue = peak.value;
    m_lastPeakIndex = peak.index;
    m_rising = {};
    m_armed = fallen;
    Decide(peak);
}

std::int64_t CEnhancedQrsDetector::SteepestSlope(std::int64_t integralIndex) const
{
    std::int64_t steepest = 0;
    for (std::int64_t i = integralIndex - kIntegralWidth + 1; i <= integralIndex; ++i)
        steepest = std::max<std::int64_t>(steepest, std::llabs(m_slope[Slot(i)]));
    return steepest;
}

void CEnhancedQrsDetector::Decide(const Candidate& peak)
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
        if (holding && peak.level > m_pending.level && peak.slope > m_pending.slope) {
            AddNoisePeak(m_pending.level);
            m_pending = peak;
            m_pendingDue = LocateR(peak.index) - kBandPassDelay + kLookAhead;
        }
        return; // the rest of the last complex
    }
    const bool tWaveShaped = sinceQrs < kTWaveWindow && 2 * peak.slope < lastSlope;
    // Between half the threshold and the threshold a peak is still a QRS
    // when a beat is due by the rhythm (real-time form of the search-back).
    const bool due = m_rrHeld > 0 && 2 * peak.level > m_threshold && 8 * sinceQrs >= AverageRR() * kDueEighths;
    if ((peak.level > m_threshold || due) && !tWaveShaped && StandsOut(peak)) {
        ResolvePending();
        m_pending = peak;
        m_pendingDue = LocateR(peak.index) - kBandPassDelay + kLookAhead;
        return;
    }
    AddNoisePeak(peak.level);
    if (tWaveShaped)
        return;
    if (2 * peak.level > m_threshold)
        ++m_noiseSinceBeat;
}

// A QRS rises from a quiet stretch: between the last QRS and this peak the
// integral has fallen below a share of the peak. On continuous noise it never does.
bool CEnhancedQrsDetector::StandsOut(const Candidate& peak) const
{
    if (m_lastQrs < 0)
        return true;
    std::int64_t valley = peak.value;
    for (std::int64_t i = std::max(m_lastQrs, peak.index - kValleyReach); i < peak.index; ++i)
        valley = std::min(valley, m_integral[Slot(i)]);
    return valley * 100 < peak.value * kValleyPercent;
}

// A QRS is final once the samples up to kLookAhead after its R wave are in.
// A much steeper complex starting before then shows that the held one was a
// P wave or an artefact ahead of the real QRS.
void CEnhancedQrsDetector::ResolvePending()
{
    if (m_pending.index < 0)
        return;
    const Candidate held = m_pending;
    m_pending = {};
    std::int64_t steeper = 0;
    std::int64_t larger = 0;
    for (std::int64_t i = held.index + 1; i <= m_n; ++i) {
        steeper = std::max<std::int64_t>(steeper, std::llabs(m_slope[Slot(i)]));
        larger = std::max(larger, m_integral[Slot(i)]);
    }
    const bool small = 4 * held.level < 3 * Median(m_qrsPeaks);
    if (2 * steeper > 3 * held.slope || larger > held.value || (small && steeper > held.slope)) {
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
    const std::int64_t qrs = Median(m_qrsPeaks);
    const std::int64_t noise = Median(m_noisePeaks);
    m_threshold = noise + (qrs - noise) * kThresholdShare / 16;
}

std::int64_t CEnhancedQrsDetector::AverageRR() const
{
    std::int64_t sum = 0;
    for (int i = 0; i < m_rrHeld; ++i)
        sum += m_rr[static_cast<std::size_t>(i)];
    return m_rrHeld == 0 ? 0 : sum / m_rrHeld;
}

void CEnhancedQrsDetector::FollowLevels()
{
    if (m_n == kLearningSamples) {
        m_qrsPeaks.fill(m_learningMax / 2);
        m_noisePeaks.fill(m_learningMax / 16);
        UpdateThreshold();
        return;
    }
    // After a long silence (a pause, a smaller signal after a lead change)
    // the QRS level is learnt anew.
    const std::int64_t silent = m_n - (m_lastQrs < 0 ? kLearningSamples : m_lastQrs);
    if (silent > kRelearnAfter && (silent - kRelearnAfter) % kRelearnPeriod == 0) {
        for (std::int64_t& level : m_qrsPeaks)
            level /= 2;
        UpdateThreshold();
    }
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
    EmitBeat(peak.index);
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

void CEnhancedQrsDetector::EmitBeat(std::int64_t integralIndex)
{
    const std::int64_t rIndex = LocateR(integralIndex);
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
