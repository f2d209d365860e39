#pragma once

#include "archive/recording_format.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace archive {

// Scans `sourceWords` words of a device file body for marked blocks and
// copies their payload to `destination`: the 253 samples of every ECG block
// (mode 0) or the SpO2 and pulse-rate words of every SpO2 block (mode 1).
// Returns the number of words written; 0 when a buffer is missing, the count
// is below 1 or the mode is neither 0 nor 1. `destination` must hold
// ConvertedWordsCapacity(sourceWords, mode) words: a damaged or crafted body
// may hold marker pairs every half block, which yields more than a
// well-formed one.
std::size_t ConvertBlocks(std::uint16_t* destination, const std::uint16_t* source,
                          long long sourceWords, int mode);

// The most words ConvertBlocks can write for that many source words.
std::size_t ConvertedWordsCapacity(std::size_t sourceWords, ConvertMode mode);

// Why a converted stream is no recording, or nothing when it is one. A body of
// `bodyBytes` that yielded `convertedBytes` is refused when it gave no block,
// or fewer blocks than its size allows by more than the scan loses by design
// (one block cut at each chunk boundary, and a last block cut short).
std::optional<std::string> NotARecording(std::uint64_t bodyBytes, std::uint64_t convertedBytes, ConvertMode mode);

} // namespace archive
