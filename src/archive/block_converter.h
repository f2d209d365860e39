#pragma once

#include "archive/recording_format.h"

#include <cstddef>
#include <cstdint>

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

} // namespace archive
