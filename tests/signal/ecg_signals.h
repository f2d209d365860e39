#pragma once

#include "signal/ecg_analysis.h"
#include "signal/qrs_record.h"
#include "synth/synthetic_ecg.h"

#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

// Hand-made ECG: a flat line at the zero level with triangular R waves.
inline std::vector<std::uint16_t> FlatLine(std::size_t samples) { return std::vector<std::uint16_t>(samples, 2048); }

inline void AddSpike(std::vector<std::uint16_t>& signal, std::int64_t at, int halfWidth = 4)
{
    for (int k = -halfWidth; k <= halfWidth; ++k)
        signal.at(static_cast<std::size_t>(at + k)) +=
            static_cast<std::uint16_t>(300 * (halfWidth - std::abs(k)) / halfWidth);
}

inline std::vector<std::uint16_t> SpikeTrain(std::size_t samples, std::int64_t first, std::int64_t spacing)
{
    auto signal = FlatLine(samples);
    for (std::int64_t at = first; at + 4 < static_cast<std::int64_t>(samples); at += spacing)
        AddSpike(signal, at);
    return signal;
}

// Samples with the R-wave positions of their beats.
struct Signal {
    std::vector<std::uint16_t> samples;
    std::vector<std::int64_t> peaks;
};

inline Signal Synthetic(const synth::EcgOptions& options)
{
    synth::EcgTrace trace = synth::MakeEcg(options);
    Signal signal{std::move(trace.samples), {}};
    for (const synth::EcgBeat& beat : trace.beats)
        signal.peaks.push_back(beat.peakSample);
    return signal;
}

// "data.ecg" holds 16-bit little-endian samples.
inline std::vector<std::uint8_t> EcgBytes(const std::vector<std::uint16_t>& samples)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t s : samples)
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(s >> 8)});
    return bytes;
}

inline std::vector<std::uint16_t> EcgSamples(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint16_t> samples;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return samples;
}

inline std::vector<QrsRecord> ReadBeats(const std::filesystem::path& folder)
{
    return DecodeQrsRecords(testsupport::ReadBytes(folder / "qrs.ecg"));
}

// Feeds one channel sample by sample; gives (sample index, heart rate) of
// each once-per-second heart-rate step.
inline std::vector<std::pair<std::size_t, int>> Feed(CECGAnalysis& analysis, const std::vector<std::uint16_t>& samples)
{
    std::vector<std::pair<std::size_t, int>> steps;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        std::uint16_t value = samples[n];
        if (analysis.ProcessSample(std::span<std::uint16_t>(&value, 1)))
            steps.emplace_back(n, analysis.GetHeartRate());
    }
    return steps;
}

// Whole-file run: its result and the revised and trimmed beats.
struct WholeFileRun {
    EcgFileResult result;
    std::vector<QrsRecord> beats;
};

inline WholeFileRun AnalyseWholeFile(const std::vector<std::uint16_t>& samples)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "data.ecg", EcgBytes(samples));
    CECGAnalysis analysis;
    const EcgFileResult result = analysis.ProcessFile(dir.path());
    EXPECT_TRUE(result.status.ok()) << result.status.error();
    return {result, ReadBeats(dir.path())};
}

// Live run: the beats as classified sample by sample, before any revision,
// the heart-rate steps and the heart rate at the end.
struct LiveRun {
    std::vector<QrsRecord> beats;
    std::vector<std::pair<std::size_t, int>> steps;
    int heartRate = 0;
};

inline LiveRun AnalyseLive(const std::vector<std::uint16_t>& samples, EcgSettings settings = {})
{
    testsupport::TempDir dir;
    CECGAnalysis analysis(settings);
    EXPECT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
    const auto steps = Feed(analysis, samples);
    const LiveRun run{ReadBeats(dir.path()), steps, analysis.GetHeartRate()};
    EXPECT_EQ(analysis.BeatCount(), run.beats.size());
    return run;
}
