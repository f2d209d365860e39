#pragma once

#include "signal/ecg_analysis.h"
#include "signal/file_io.h"
#include "signal/qrs_record.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

// Hand-made ECG: a flat line at the zero level with triangular R waves.
inline std::vector<std::uint16_t> FlatLine(std::size_t samples) { return std::vector<std::uint16_t>(samples, 2048); }

inline void AddSpike(std::vector<std::uint16_t>& signal, std::int64_t at, int halfWidth = 4, int height = 300)
{
    for (int k = -halfWidth; k <= halfWidth; ++k) {
        const std::int64_t i = at + k;
        if (i >= 0 && i < static_cast<std::int64_t>(signal.size()))
            signal[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(signal[static_cast<std::size_t>(i)] + height * (halfWidth - std::abs(k)) / halfWidth);
    }
}

inline std::vector<std::uint16_t> SpikeTrain(std::size_t samples, std::int64_t first, std::int64_t spacing,
                                             int halfWidth = 4)
{
    auto signal = FlatLine(samples);
    for (std::int64_t at = first; at + halfWidth < static_cast<std::int64_t>(samples); at += spacing)
        AddSpike(signal, at, halfWidth);
    return signal;
}

inline void WriteSamples(const std::filesystem::path& path, const std::vector<std::uint16_t>& samples)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::uint16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(s >> 8));
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<QrsRecord> ReadBeats(const std::filesystem::path& folder)
{
    return DecodeQrsRecords(ReadWholeFile(folder / "qrs.ecg").value_or(std::vector<std::uint8_t>{}));
}

// Whole-file run: revised and trimmed beats.
inline std::vector<QrsRecord> AnalyseWholeFile(const std::filesystem::path& folder,
                                               const std::vector<std::uint16_t>& samples)
{
    WriteSamples(folder / "data.ecg", samples);
    CECGAnalysis analysis;
    (void)analysis.ProcessFile(folder);
    return ReadBeats(folder);
}

// Live run: the beats as classified sample by sample, before any revision.
inline std::vector<QrsRecord> AnalyseLive(const std::filesystem::path& folder, const std::vector<std::uint16_t>& samples)
{
    CECGAnalysis analysis;
    (void)analysis.Init(1, 0, folder, true);
    for (std::uint16_t value : samples)
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
    return ReadBeats(folder);
}
