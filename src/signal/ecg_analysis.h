#pragma once

#include "signal/analysis_progress.h"
#include "signal/beat_classification.h"
#include "signal/ecg_settings.h"
#include "signal/enhanced_qrs_detector.h"
#include "signal/qrs_record.h"
#include "signal/qrs_record_sink.h"
#include "base/status.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What a whole-file run found, for summaries and the batch tool.
struct EcgFileResult {
    base::Status status = base::Status::Ok();
    std::uint64_t samples = 0;           // complete samples fed to the detector
    std::uint64_t ignoredBytes = 0;      // a trailing odd byte of "data.ecg"
    std::uint64_t outOfRangeSamples = 0; // values above 4095 (fed all the same)
    std::uint64_t beats = 0;             // records of the written "qrs.ecg"
    std::uint64_t heartRateSteps = 0;    // once-per-second steps with a valid rate
    int minHeartRate = 0;
    int maxHeartRate = 0;
    double meanHeartRate = 0.0;
};

// ECG filtering (50 Hz notch, baseline tracking), QRS detection on the slope
// energy, running heart rate and live beat classification, fed one sample at
// a time. All per-sample work runs on fixed rings. With the enhanced detector
// chosen in the settings, the filtered lead goes to CEnhancedQrsDetector
// instead, which writes the same beat records.
class CECGAnalysis {
public:
    static constexpr int kMaxChannels = 8;

    explicit CECGAnalysis(EcgSettings settings = {});
    ~CECGAnalysis();
    CECGAnalysis(const CECGAnalysis&) = delete;
    CECGAnalysis& operator=(const CECGAnalysis&) = delete;

    // Resets every filter, ring and detector value; the beats of the following
    // samples go to "qrs.ecg" in `caseFolder` (emptied now when `truncate`).
    // Fails for a channel count outside 1..kMaxChannels or a lead outside it.
    base::Status Init(int channels, int lead, const std::filesystem::path& caseFolder, bool truncate);

    // Runs one sample per channel through the pipeline; the filters change the
    // values in place. Returns true when this sample ran the once-per-second
    // heart-rate step.
    bool ProcessSample(std::span<std::uint16_t> samples);

    // Beats per minute; 0 when there is no valid rate; 60 until the first step.
    int GetHeartRate() const { return m_enhanced ? m_enhanced->HeartRate() : m_heartRate; }

    // Re-analyses "data.ecg" of the case folder from scratch (one channel) and
    // replaces "qrs.ecg" there with the revised and trimmed beat list. A
    // missing, unreadable or empty "data.ecg", or a failed write, leaves the
    // previous "qrs.ecg" as it was.
    EcgFileResult ProcessFile(const std::filesystem::path& caseFolder, AnalysisProgress* progress = nullptr);

    // Number of beats completed so far (the beat under construction excluded).
    std::uint64_t BeatCount() const
    {
        return static_cast<std::uint64_t>(m_enhanced ? m_enhanced->BeatCount() : m_beatCount);
    }

    // The last failed write of a live beat record, if any.
    base::Status LastRecordWrite() const;

private:
    static constexpr int kRingSize = 1024;
    static constexpr int kBaselineSize = 400;

    // Whole-file path: runs the one-channel pipeline over `samples` (filtered
    // in place) and appends the rate of each heart-rate step to `heartRates`.
    void ProcessSingleChannel(std::span<std::uint16_t> samples, std::vector<int>& heartRates);
    void ResetState();
    void UseSink(std::unique_ptr<QrsRecordSink> sink);
    template <int FixedChannels>
    void Filter(std::uint16_t* samples);
    void BeatCountChanged();
    std::uint16_t Notch(int channel, std::uint16_t sample);
    std::uint16_t RemoveBaseline(int channel, std::uint16_t sample);
    template <int FixedChannels>
    bool Step(std::uint16_t* samples);
    bool FinishStep();
    // Whole-file path in blocks: each stage runs over the whole block before
    // the next, as every stage reads only older outputs of the one before.
    void FilterBlock(std::span<std::uint16_t> samples);
    void SmoothAndEnergyBlock(std::int64_t count);
    void DetectBlock(std::int64_t count, std::vector<int>& heartRates);
    std::int64_t PlainSteps(std::int64_t limit) const;
    void TakePlainSteps(std::int64_t steps);
    void Smooth(int channels, bool first);
    void ComputeSlopeEnergy(int channels, bool first);
    void DetectorStep();
    void DecayThreshold();
    void StartQrs(std::int32_t lower);
    void EndQrs();
    std::uint32_t FindRWave(const QrsRecord& beat) const;
    void HeartRateStep();
    void ClassifyCompletedBeats();
    void ClassifyAndWrite(std::int64_t index);

    std::uint16_t Filtered(int channel, std::int64_t index) const;
    std::uint16_t Smoothed(int channel, std::int64_t index) const;
    std::int32_t Energy(std::int64_t index) const;
    std::int32_t Averaged(std::int64_t index) const;
    static std::size_t BeatSlot(std::int64_t index) { return BeatRingSlot(index); }
    QrsRecord& Beat(std::int64_t index);
    const QrsRecord& Beat(std::int64_t index) const;

    EcgSettings m_settings;
    int m_channels = 1;
    int m_lead = 0;
    std::filesystem::path m_qrsPath;
    std::filesystem::path m_dataPath;
    std::unique_ptr<QrsRecordSink> m_sink;
    std::unique_ptr<CEnhancedQrsDetector> m_enhanced; // set when the enhanced detector is chosen

    // The running sums (baseline, smoothing, energy) add up samples and
    // energies that are never negative; unsigned types keep their divisions
    // cheap.

    // notch filter
    std::array<std::uint16_t, kMaxChannels> m_notchPrev1{};
    std::array<std::uint16_t, kMaxChannels> m_notchPrev2{};
    std::int64_t m_notchCount = 0;
    // baseline filter
    std::array<std::array<std::uint16_t, kBaselineSize>, kMaxChannels> m_baselineRing{};
    std::array<std::uint32_t, kMaxChannels> m_baselineSum{};
    std::array<std::int32_t, kMaxChannels> m_track{};
    int m_baselinePos = 0;
    // filtered samples, smoothed samples
    std::array<std::array<std::uint16_t, kRingSize>, kMaxChannels> m_filtered{};
    std::array<std::array<std::uint16_t, kRingSize>, kMaxChannels> m_smoothed{};
    std::array<std::uint32_t, kMaxChannels> m_smoothSum{};
    std::int64_t m_p = 0;
    // slope energy and its average
    std::array<std::int32_t, kRingSize> m_energy{};
    std::array<std::int32_t, kRingSize> m_averaged{};
    std::uint64_t m_energySum = 0;
    std::int64_t m_q = 0;
    // detector
    std::int64_t m_r = 0;
    std::int64_t m_beatCount = 0;
    std::size_t m_currentSlot = 0; // slot of the beat under construction
    std::int64_t m_newestEnd = 0;  // End of the newest complete beat (set with the count)
    std::int64_t m_olderEnd = 0;   // End of the complete beat before it
    int m_decayPhase = 0;          // (r - previous beat's Peak) mod 100
    int m_heartRatePhase = 0;      // (r - 20) mod 200
    std::int32_t m_thr = 60;
    std::int32_t m_thrMin = 35;
    std::int32_t m_thrMax = 200;
    bool m_inQrs = false;
    std::int64_t m_lastOnset = 0;
    std::array<std::int32_t, 3> m_peaks{};
    BeatRing m_beats{};
    int m_heartRate = 60;
    std::int64_t m_processed = 0;
};
