#pragma once

#include "signal/beat_classification.h"
#include "signal/qrs_record.h"
#include "signal/qrs_record_sink.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// QRS detection after Pan J, Tompkins WJ, "A real-time QRS detection
// algorithm", IEEE Trans Biomed Eng 32(3):230-236, 1985, with the decision
// rules of Hamilton PS, Tompkins WJ, "Quantitative investigation of QRS
// detection rules using the MIT/BIH arrhythmia database", IEEE Trans Biomed
// Eng 33(12):1157-1165, 1986:
//  - integer band-pass (about 6-18 Hz, zeros at 50 and 100 Hz), five-point
//    derivative, squaring and a 150 ms moving-window integral;
//  - peaks of the integral, each decided once the integral has fallen to half
//    of it or 60 ms have passed;
//  - an adaptive threshold half way between the medians of the last eight
//    QRS peaks and of the largest noise peak of each of the last eight beat
//    intervals (peak levels taken as amplitudes, the square root of the
//    integral);
//  - a 200 ms refractory time, and T-wave rejection by slope and timing: a
//    peak within 360 ms of the previous QRS whose steepest slope is under half
//    of that QRS's is a T wave;
//  - search-back in real-time form: once half an average R-R interval has
//    passed, a peak above half the threshold is taken as a QRS too;
//  - a QRS must rise from a quiet stretch (the integral fell below a fifth of
//    its peak since the last QRS, below a tenth for a search-back peak),
//    which rejects continuous noise;
//  - a QRS is final 300 ms after its R wave; a steeper or larger complex, or
//    a larger band-pass swing that is no T wave, following it within that
//    time and within half an average R-R marks it as a P wave or an artefact
//    ahead of the real QRS (rule 1 of the 1986 paper: a peak closely
//    followed by a larger one is not the QRS).
// Beats get the same fields, classes and heart rate as the designed detector.
// Fed one sample at a time or in runs of samples, with the same beats either
// way; all state lives in fixed rings.
class CEnhancedQrsDetector {
public:
    CEnhancedQrsDetector() { Reset(); }

    void Reset();
    // Where each beat record goes once it is final; may be null.
    void SetSink(QrsRecordSink* sink) { m_sink = sink; }

    // One sample (12-bit, zero level 2048; larger values are clipped). Returns
    // true when this sample ran the once-per-second heart-rate step.
    bool ProcessSample(std::uint16_t sample);
    // The same for a run of samples, filtered a block at a time; appends the
    // rate of each heart-rate step to `heartRates`.
    void ProcessSamples(std::span<const std::uint16_t> samples, std::vector<int>& heartRates);

    int HeartRate() const { return m_heartRate; }
    std::int64_t BeatCount() const { return m_beatCount; }
    // The longest time in samples from a beat's Peak to the sample that made
    // it final.
    std::int64_t LongestDelay() const { return m_longestDelay; }

private:
    static constexpr int kRing = 1024;
    static constexpr int kPeakLevels = 8;
    static constexpr int kRRCount = 8;

    struct Candidate {
        std::int64_t index = -1; // integral index of the peak; -1: none
        std::int64_t value = 0;
        std::int64_t level = 0; // square root of the value, in the units of the slope
        std::int64_t slope = -1; // steepest slope under the integral's window; -1: not measured yet
        std::int64_t r = -1;     // band-pass index of the R wave, once held
    };

    static constexpr int kBlock = 256; // samples filtered at a time

    static int Slot(std::int64_t index) { return static_cast<int>(static_cast<std::uint64_t>(index) & (kRing - 1)); }
    // Runs the filter chain over up to kBlock samples from sample m_n on,
    // into the rings; the detection steps follow one sample at a time.
    void FilterBlock(std::span<const std::uint16_t> samples);
    bool DetectionStep();
    void FindPeaks(std::int64_t last);
    void TakePeak(bool fallen);
    void Decide(Candidate peak);
    std::int64_t SlopeOf(Candidate& peak) const;
    void Hold(Candidate& peak);
    void StepLevels();
    bool StandsOut(const Candidate& peak, std::int64_t percent) const;
    void ResolvePending();
    void AddNoisePeak(std::int64_t value);
    void CloseNoiseInterval();
    std::int64_t LocateR(std::int64_t integralIndex) const;
    void AcceptQrs(const Candidate& peak);
    void EmitBeat(std::int64_t rIndex);
    std::int64_t SteepestSlope(std::int64_t integralIndex) const;
    void UpdateThreshold();
    std::int64_t AverageRR() const;

    QrsRecordSink* m_sink = nullptr;
    std::int64_t m_n = 0; // samples processed

    // filter chain, each ring indexed by the sample count
    std::array<std::int32_t, kRing> m_x{};
    std::array<std::int32_t, kRing> m_lowPass{};
    std::array<std::int32_t, kRing> m_bandPass{};
    std::array<std::int32_t, kRing> m_slope{};
    std::array<std::int64_t, kRing> m_energy{};
    std::array<std::int64_t, kRing> m_integral{};
    std::int64_t m_integralSum = 0;
    std::int64_t m_nextHeartRateStep = 0; // sample of the next once-per-second step
    std::int64_t m_nextLevelStep = 0;     // sample of the next change of the levels by time

    // peak finding on the integral
    Candidate m_rising;
    bool m_armed = true; // the integral has fallen since the last decided peak
    std::int64_t m_lastPeakValue = 0;
    std::int64_t m_lastPeakIndex = -1;

    // detection levels
    std::int64_t m_learningMax = 0;
    std::array<std::int64_t, kPeakLevels> m_qrsPeaks{};
    std::array<std::int64_t, kPeakLevels> m_noisePeaks{};
    int m_qrsPeakPos = 0;
    int m_noisePeakPos = 0;
    std::int64_t m_intervalNoise = 0; // largest noise peak since the last QRS
    std::int64_t m_qrsLevel = 0; // median of the QRS peaks
    std::int64_t m_threshold = 0;

    // the last QRS and the rhythm
    std::int64_t m_lastQrs = -1; // integral index
    std::int64_t m_lastQrsSlope = 0;
    std::array<std::int64_t, kRRCount> m_rr{};
    int m_rrPos = 0;
    int m_rrHeld = 0;
    Candidate m_pending; // a QRS waiting for the samples that make it final
    std::int64_t m_pendingDue = 0;
    int m_noiseSinceBeat = 0;

    // beats
    BeatRing m_beats{};
    std::int64_t m_beatCount = 0;
    std::int64_t m_longestDelay = 0;
    int m_heartRate = 60;
};
