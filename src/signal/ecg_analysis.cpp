#include "signal/ecg_analysis.h"

#include "signal/ecg_stages.h"
#include "signal/file_io.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

using ecgstages::kClassifyDelay;
using ecgstages::kDecayPeriod;
using ecgstages::kHeartRatePeriod;
using ecgstages::kNoiseMarkPeriod;
using ecgstages::kZeroLevel;
using ecgstages::RingIndex;
using ecgstages::SlopeEnergy;

constexpr int kRefractorySamples = 36;   // 180 ms
constexpr int kNoiseCrossingDistance = 30;
constexpr int kLongestQrs = 54;          // 270 ms
constexpr int kShortestQrs = 4;
constexpr std::int64_t kNoBeatEnd = std::numeric_limits<std::int64_t>::min();

std::int32_t Limit(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return value < low ? low : (value > high ? high : value);
}

void AddNoise(QrsRecord& beat, int score)
{
    beat.NoiseCount = static_cast<std::uint8_t>(std::min(255, beat.NoiseCount + score));
}

// value mod period in 0 .. period - 1, also for negative values.
int Phase(std::int64_t value, int period)
{
    return static_cast<int>(((value % period) + period) % period);
}

constexpr const char* kQrsFileName = "qrs.ecg";
constexpr const char* kDataFileName = "data.ecg";

} // namespace

CECGAnalysis::CECGAnalysis(EcgSettings settings) : m_settings(settings) {}

CECGAnalysis::~CECGAnalysis() = default;

base::Status CECGAnalysis::Init(int channels, int lead, const std::filesystem::path& caseFolder, bool truncate)
{
    if (channels < 1 || channels > kMaxChannels)
        return base::Status::Error("channel count " + std::to_string(channels) + " is not supported");
    if (lead < 0 || lead >= channels)
        return base::Status::Error("lead " + std::to_string(lead) + " is not one of the channels");
    m_channels = channels;
    m_lead = lead;
    m_qrsPath = caseFolder / kQrsFileName;
    m_dataPath = caseFolder / kDataFileName;
    if (m_settings.Detector != kEnhancedDetector)
        m_enhanced.reset();
    else if (!m_enhanced)
        m_enhanced = std::make_unique<CEnhancedQrsDetector>();
    UseSink(std::make_unique<QrsFileSink>(m_qrsPath));
    ResetState();
    if (truncate) {
        const base::Status emptied = WriteAtOffset(m_qrsPath, 0, {}, true);
        if (!emptied.ok())
            return emptied;
    }
    return base::Status::Ok();
}

void CECGAnalysis::ResetState()
{
    m_notchPrev1 = {};
    m_notchPrev2 = {};
    m_notchCount = 0;
    for (auto& ring : m_baselineRing)
        ring.fill(static_cast<std::uint16_t>(kZeroLevel));
    m_baselineSum.fill(kBaselineSize * kZeroLevel);
    m_track = {};
    m_baselinePos = 0;
    for (auto& ring : m_filtered)
        ring.fill(0);
    for (auto& ring : m_smoothed)
        ring.fill(0);
    m_smoothSum = {};
    m_p = 0;
    m_energy.fill(0);
    m_averaged.fill(0);
    m_energySum = 0;
    m_q = 0;
    m_r = 0;
    m_beatCount = 0;
    m_heartRatePhase = Phase(-20, kHeartRatePeriod);
    m_thr = 60;
    m_thrMin = m_channels == 1 ? 35 : 42;
    m_thrMax = m_channels == 1 ? 200 : 535;
    m_inQrs = false;
    m_lastOnset = 0;
    m_peaks = {};
    m_beats.fill(QrsRecord{});
    m_heartRate = 60;
    m_processed = 0;
    BeatCountChanged();
    if (m_enhanced)
        m_enhanced->Reset();
}

void CECGAnalysis::UseSink(std::unique_ptr<QrsRecordSink> sink)
{
    m_sink = std::move(sink);
    if (m_enhanced)
        m_enhanced->SetSink(m_sink.get());
}

// The phases below replace a division per sample by a counter.
void CECGAnalysis::BeatCountChanged()
{
    m_currentSlot = BeatSlot(m_beatCount);
    // Only a completed beat sets End, and it does so before the count moves on.
    m_newestEnd = m_beatCount < 1 ? kNoBeatEnd : static_cast<std::int64_t>(Beat(m_beatCount - 1).End);
    m_olderEnd = m_beatCount < 2 ? kNoBeatEnd : static_cast<std::int64_t>(Beat(m_beatCount - 2).End);
    m_decayPhase = Phase(m_r - static_cast<std::int64_t>(Beat(m_beatCount - 1).Peak), kDecayPeriod);
}

base::Status CECGAnalysis::LastRecordWrite() const
{
    if (const auto* file = dynamic_cast<const QrsFileSink*>(m_sink.get()))
        return file->lastWrite();
    return base::Status::Ok();
}

inline std::uint16_t CECGAnalysis::Filtered(int channel, std::int64_t index) const
{
    return m_filtered[channel][RingIndex<kRingSize>(index)];
}

inline std::uint16_t CECGAnalysis::Smoothed(int channel, std::int64_t index) const
{
    return m_smoothed[channel][RingIndex<kRingSize>(index)];
}

inline std::int32_t CECGAnalysis::Energy(std::int64_t index) const
{
    return m_energy[RingIndex<kRingSize>(index)];
}

inline std::int32_t CECGAnalysis::Averaged(std::int64_t index) const
{
    return m_averaged[RingIndex<kRingSize>(index)];
}

// Beat slots are addressed by absolute beat index; older indices wrap around
// the ring like the slot arithmetic (index + 40) mod 40.
inline QrsRecord& CECGAnalysis::Beat(std::int64_t index)
{
    return m_beats[BeatSlot(index)];
}

inline const QrsRecord& CECGAnalysis::Beat(std::int64_t index) const
{
    return m_beats[BeatSlot(index)];
}

bool CECGAnalysis::ProcessSample(std::span<std::uint16_t> samples)
{
    if (samples.size() < static_cast<std::size_t>(m_channels))
        return false;
    // One channel (both callers) gets a copy of the pipeline without channel loops.
    return m_channels == 1 ? Step<1>(samples.data()) : Step<0>(samples.data());
}

// The notch and baseline filters change the samples in place, for every
// detector.
template <int FixedChannels>
inline void CECGAnalysis::Filter(std::uint16_t* samples)
{
    const int channels = FixedChannels != 0 ? FixedChannels : m_channels;
    if (m_settings.Filter50Hz != 0) {
        for (int ch = 0; ch < channels; ++ch)
            samples[ch] = Notch(ch, samples[ch]);
        ++m_notchCount;
    } else {
        m_notchCount = 0;
    }
    for (int ch = 0; ch < channels; ++ch)
        samples[ch] = RemoveBaseline(ch, samples[ch]);
    if (++m_baselinePos == kBaselineSize)
        m_baselinePos = 0;
}

template <int FixedChannels>
bool CECGAnalysis::Step(std::uint16_t* samples)
{
    const int channels = FixedChannels != 0 ? FixedChannels : m_channels;
    Filter<FixedChannels>(samples);
    if (m_enhanced) {
        ++m_processed;
        return m_enhanced->ProcessSample(samples[m_lead]);
    }
    for (int ch = 0; ch < channels; ++ch)
        m_filtered[ch][RingIndex<kRingSize>(m_processed)] = samples[ch];

    if (m_r != 0) {
        // Once the detector has run, every stage is due on each sample.
        Smooth(channels, false);
        ComputeSlopeEnergy(channels, false);
        DetectorStep();
    } else {
        // The stages start one after the other as their look-ahead fills.
        if (m_processed > m_p + 2)
            Smooth(channels, m_p == 0);
        if (m_q + 9 < m_p)
            ComputeSlopeEnergy(channels, m_q == 0);
        if (m_r + 2 < m_q)
            DetectorStep();
    }
    const bool heartRateStep = FinishStep();
    ++m_processed;
    return heartRateStep;
}

// The whole-file path starts with single steps.
template bool CECGAnalysis::Step<1>(std::uint16_t* samples);

// The heart-rate step and the live classification that follow each detector
// step; true when the heart-rate step ran.
bool CECGAnalysis::FinishStep()
{
    // The phase is (r - 20) mod 200 and r never goes below 0, so a zero phase
    // also means r >= 20.
    const bool heartRateStep = m_heartRatePhase == 0;
    if (heartRateStep)
        HeartRateStep();
    // A beat is due 20 samples after its end. The ends of the complete beats
    // grow with their index, so while the second newest ended before that
    // point only the newest can be due.
    const std::int64_t due = m_r - kClassifyDelay;
    if (m_newestEnd == due || m_olderEnd >= due)
        ClassifyCompletedBeats();
    return heartRateStep;
}

// Cancels 50 Hz at 200 samples per second: the mean of the sample and the one
// two samples back (half a mains period apart).
inline std::uint16_t CECGAnalysis::Notch(int channel, std::uint16_t sample)
{
    std::uint16_t out = sample;
    if (m_notchCount >= 2)
        out = static_cast<std::uint16_t>((static_cast<int>(sample) + static_cast<int>(m_notchPrev2[channel])) / 2);
    m_notchPrev2[channel] = m_notchPrev1[channel];
    m_notchPrev1[channel] = sample;
    return out;
}

// Follows the 2-second mean slowly (1/1600 of the gap plus one unit per
// sample) and removes it, keeping the signal near the zero level.
inline std::uint16_t CECGAnalysis::RemoveBaseline(int channel, std::uint16_t sample)
{
    std::uint16_t& slot = m_baselineRing[channel][m_baselinePos];
    m_baselineSum[channel] += static_cast<std::int32_t>(sample) - slot;
    slot = sample;
    const std::int32_t base = static_cast<std::int32_t>(m_baselineSum[channel] / kBaselineSize) - kZeroLevel;
    m_track[channel] = ecgstages::NextTrack(m_track[channel], base);
    return static_cast<std::uint16_t>(sample - m_track[channel]);
}

// Four-sample moving sum, started over x[-2] .. x[1]. `first` is a constant
// in the steady path, so its test folds away there.
inline void CECGAnalysis::Smooth(int channels, bool first)
{
    for (int ch = 0; ch < channels; ++ch) {
        std::uint32_t& sum = m_smoothSum[ch];
        if (first)
            sum = Filtered(ch, -2) + Filtered(ch, -1) + Filtered(ch, 0) + Filtered(ch, 1);
        else
            sum += Filtered(ch, m_p + 2) - Filtered(ch, m_p - 3);
        m_smoothed[ch][RingIndex<kRingSize>(m_p)] = static_cast<std::uint16_t>(sum / 4);
    }
    ++m_p;
}

// Squared slope over two samples, scaled by 1/45, and its six-value mean.
inline void CECGAnalysis::ComputeSlopeEnergy(int channels, bool first)
{
    std::int64_t slope = 0;
    for (int ch = 0; ch < channels; ++ch)
        slope += std::abs(static_cast<std::int32_t>(Smoothed(ch, m_p - 1)) - Smoothed(ch, m_p - 3));
    m_energy[RingIndex<kRingSize>(m_p - 2)] = SlopeEnergy(slope);
    if (first) {
        m_energySum = 0;
        for (std::int64_t i = m_p - 8; i <= m_p - 3; ++i)
            m_energySum += Energy(i);
    } else {
        m_energySum += Energy(m_p - 3) - Energy(m_p - 9);
    }
    m_averaged[RingIndex<kRingSize>(m_q)] = static_cast<std::int32_t>(m_energySum / 6);
    ++m_q;
}

// Runs for every sample; the rare events (threshold decay, a new complex)
// live in functions of their own to keep this path short.
inline void CECGAnalysis::DetectorStep()
{
    // Without a beat the threshold decays every half second.
    if (m_decayPhase == 0 && m_r != 0)
        DecayThreshold();

    const std::int32_t lower = m_thr / 4;
    const bool above = Averaged(m_r - 1) > (m_inQrs ? lower : m_thr);
    if (above && !m_inQrs)
        StartQrs(lower);
    if (m_inQrs) {
        std::int32_t& peak = m_peaks[static_cast<std::size_t>(m_beatCount % 3)];
        peak = std::max(peak, Averaged(m_r));
    }
    if (above) {
        QrsRecord& current = m_beats[m_currentSlot];
        const std::int64_t sinceOnset = m_r - static_cast<std::int64_t>(current.Onset);
        if (m_inQrs && ecgstages::MultiplesIn(sinceOnset, sinceOnset, kNoiseMarkPeriod) == 1)
            AddNoise(current, 1);
    } else if (m_inQrs) {
        EndQrs();
    }
    ++m_r;
    if (++m_decayPhase == kDecayPeriod)
        m_decayPhase = 0;
    if (++m_heartRatePhase == kHeartRatePeriod)
        m_heartRatePhase = 0;
}

// The detector, heart-rate and classification steps of the block; plain
// stretches are taken in one go.
void CECGAnalysis::DetectBlock(std::int64_t count, std::vector<int>& heartRates)
{
    const std::int64_t stop = m_r + count;
    while (m_r < stop) {
        TakePlainSteps(PlainSteps(stop - m_r));
        if (m_r == stop)
            break;
        DetectorStep();
        if (FinishStep())
            heartRates.push_back(GetHeartRate());
    }
}

void CECGAnalysis::DecayThreshold()
{
    const std::int32_t decayed = 4 * m_thr / 5;
    if (m_channels == 1 && decayed < m_thrMin && m_thr >= 10)
        m_thrMin = 4 * m_thrMin / 5;
    m_thr = Limit(decayed, m_thrMin, m_thrMax);
}

// The averaged energy has just crossed the threshold outside a complex.
void CECGAnalysis::StartQrs(std::int32_t lower)
{
    std::int64_t back = 0;
    while (back < 20 && back < m_r && Averaged(m_r - 1 - back) >= lower)
        ++back;
    QrsRecord& current = m_beats[m_currentSlot];
    if (m_beatCount >= 1 && m_r - m_lastOnset == kNoiseCrossingDistance) {
        AddNoise(current, 1);
        m_lastOnset = m_r - back;
    } else if (m_r - m_lastOnset >= kRefractorySamples) {
        if (current.Onset != 0)
            AddNoise(current, 2); // the slot holds a rejected candidate
        current.Onset = static_cast<std::uint32_t>(m_r - back);
        m_lastOnset = m_r - back;
        m_inQrs = true;
    } else {
        // Too close to the last onset: the complex belongs to the previous beat.
        m_beatCount = std::max<std::int64_t>(m_beatCount - 1, 0);
        BeatCountChanged();
        m_inQrs = true;
    }
}

void CECGAnalysis::EndQrs()
{
    m_inQrs = false;
    QrsRecord& beat = m_beats[m_currentSlot];
    const std::int64_t width = std::llabs(m_r - static_cast<std::int64_t>(beat.Onset));
    if (width >= kLongestQrs || width <= kShortestQrs)
        return; // dropped; its onset stays and marks the next beat of the slot as noisy

    beat.End = static_cast<std::uint32_t>(m_r);
    beat.Peak = FindRWave(beat);
    const std::int64_t interval = static_cast<std::int64_t>(beat.Peak) - Beat(m_beatCount - 1).Peak;
    beat.RRInterval = static_cast<std::int16_t>(std::clamp<std::int64_t>(interval, -32768, 32767));
    beat.QrsWidth = static_cast<std::int16_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(beat.End) - beat.Onset, 0, 80));
    std::int32_t reference = Beat(std::max<std::int64_t>(m_beatCount - 1, 0)).RRInterval;
    if (reference < 1)
        reference = 1;
    beat.RRRatio = static_cast<std::uint16_t>(Limit(beat.RRInterval * 100 / reference, 1, 32767));

    if (m_peaks[2] > 0) {
        const std::int32_t next = m_channels == 1
            ? std::min({m_peaks[0], m_peaks[1], m_peaks[2]}) / 5
            : static_cast<std::int32_t>((static_cast<std::int64_t>(m_peaks[0]) + m_peaks[1] + m_peaks[2]) / 3) / 7;
        m_thr = Limit(next, m_thrMin, m_thrMax);
    }
    m_peaks[static_cast<std::size_t>((m_beatCount + 1) % 3)] = 0;
    ++m_beatCount;
    BeatCountChanged();
    m_beats[m_currentSlot] = QrsRecord{};
}

// The R wave is the highest smoothed value of the complex, unless the lowest
// one lies more than three times as far from the level before the onset.
std::uint32_t CECGAnalysis::FindRWave(const QrsRecord& beat) const
{
    struct Extremes {
        std::int64_t maxIndex, minIndex;
        std::int32_t maxValue, minValue;
    };
    const auto extremesOf = [&](int ch) {
        Extremes e{beat.Onset, beat.Onset, Smoothed(ch, beat.Onset), Smoothed(ch, beat.Onset)};
        for (std::int64_t i = beat.Onset; i < static_cast<std::int64_t>(beat.End); ++i) {
            const std::int32_t v = Smoothed(ch, i);
            if (v > e.maxValue) {
                e.maxValue = v;
                e.maxIndex = i;
            }
            if (v < e.minValue) {
                e.minValue = v;
                e.minIndex = i;
            }
        }
        return e;
    };
    int channel = m_lead;
    Extremes found = extremesOf(channel);
    if (m_channels > 1) {
        for (int step = 0; step < m_channels; ++step) {
            const int ch = (m_lead + step) % m_channels;
            const Extremes e = extremesOf(ch);
            const bool flat = e.maxValue == kZeroLevel && e.minValue == kZeroLevel;
            if (e.maxIndex != e.minIndex && !flat && e.maxValue - e.minValue > 74) {
                channel = ch;
                found = e;
                break;
            }
        }
    }
    const std::int32_t before = Smoothed(channel, static_cast<std::int64_t>(beat.Onset) - 4);
    const bool downward = 3 * std::abs(found.maxValue - before) < std::abs(found.minValue - before);
    return static_cast<std::uint32_t>(downward ? found.minIndex : found.maxIndex);
}

void CECGAnalysis::HeartRateStep()
{
    m_heartRate = HeartRateOfBeats(m_beats, m_beatCount, m_r);
}

// Each complete beat is classified and written 20 samples after its end. The
// ends grow with the beat index, so only the newest beats need a look.
void CECGAnalysis::ClassifyCompletedBeats()
{
    const std::int64_t due = m_r - kClassifyDelay;
    const std::int64_t oldest = std::max<std::int64_t>(0, m_beatCount - (kBeatRingSize - 1));
    std::size_t slot = m_currentSlot;
    for (std::int64_t j = m_beatCount - 1; j >= oldest; --j) {
        slot = slot == 0 ? kBeatRingSize - 1 : slot - 1; // the slot of beat j
        const QrsRecord& beat = m_beats[slot];
        if (static_cast<std::int64_t>(beat.End) < due)
            break;
        if (static_cast<std::int64_t>(beat.End) == due && beat.BeatClass == kBeatUnclassified)
            ClassifyAndWrite(j);
    }
}

void CECGAnalysis::ClassifyAndWrite(std::int64_t index)
{
    QrsRecord& beat = Beat(index);
    ClassifyBeat(beat, Beat(index - 1));
    m_sink->Put(static_cast<std::uint64_t>(index), beat);
}
