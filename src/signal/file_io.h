#pragma once

#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

// Small whole-file helpers for the analysers' input and result files. Whole
// result files are replaced through base::ReplaceFile.

// The file's bytes, or std::nullopt when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes at `offset` of the file (created when missing, emptied first
// when `truncate` is set), opening and closing it for this one write. A
// symbolic link at `path` is refused, never followed, and so is anything but
// a regular file (a FIFO is never waited on).
base::Status WriteAtOffset(const std::filesystem::path& path, std::uint64_t offset,
                           std::span<const std::uint8_t> bytes, bool truncate);
