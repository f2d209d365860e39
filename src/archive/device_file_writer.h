#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"

#include <cstdint>
#include <span>
#include <vector>

// Device files as the recorder writes them: the header, then whole blocks.
// Word 2 of every block carries the block's sequence number; the unused
// words of an SpO2 block are 0.
namespace archive {

// One ECG block per 253 samples; samples beyond the last whole block are not
// written (the recorder only stores complete blocks).
std::vector<std::uint8_t> BuildEcgDeviceFile(const DeviceHeader& header, std::span<const std::uint16_t> samples);

// One SpO2 block per record (second).
std::vector<std::uint8_t> BuildSpO2DeviceFile(const DeviceHeader& header, std::span<const SpO2Record> records);

// How many samples BuildEcgDeviceFile stores of `sampleCount`.
std::size_t StoredEcgSamples(std::size_t sampleCount);

DeviceHeader HeaderFor(const DateTime& start);

} // namespace archive
