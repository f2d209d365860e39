#pragma once

#include "archive/recording_format.h"
#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

// Reading and writing the headerless case streams "data.ecg" (one word per
// sample) and "data.spo" (one 4-byte record per second). A missing file
// counts as empty; trailing bytes that do not make a whole sample or record
// are ignored.
namespace archive {

std::int64_t EcgSampleCount(const std::filesystem::path& ecgData);
std::int64_t SpO2RecordCount(const std::filesystem::path& spo2Data);

// Up to `count` samples from sample `first` on; fewer at the end of the file.
std::vector<std::uint16_t> ReadEcgSamples(const std::filesystem::path& ecgData, std::int64_t first,
                                          std::int64_t count);
std::vector<SpO2Record> ReadSpO2Records(const std::filesystem::path& spo2Data, std::int64_t first,
                                        std::int64_t count);

std::vector<std::uint8_t> EncodeEcgSamples(std::span<const std::uint16_t> samples);
std::vector<std::uint8_t> EncodeSpO2Records(std::span<const SpO2Record> records);

// Appends to the stream, creating it when missing.
base::Status AppendEcgSamples(const std::filesystem::path& ecgData, std::span<const std::uint16_t> samples);
base::Status AppendSpO2Records(const std::filesystem::path& spo2Data, std::span<const SpO2Record> records);

// Writes `bytes` as the whole file (created or truncated).
base::Status WriteWholeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace archive
