#pragma once

#include "archive/recording_format.h"
#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <stop_token>

namespace archive {

// Converts one device file into its sample stream: skips the 8-byte header,
// converts the body chunk by chunk (ConvertBlocks) and writes the result to
// `destination`, which is created or truncated.
//
// Fails, writing nothing, when the source cannot be opened. A read or write
// error or a stop request also fails it, and then the destination is removed
// rather than left half-written. The stop request is checked between chunks.
base::Status CopyArchiveFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                       ConvertMode mode, std::stop_token stop = {});

} // namespace archive
