#pragma once

#include "signal/status.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

// Small whole-file helpers for the analysers' input and result files.

// The file's bytes, or std::nullopt when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes to a new file beside `path` and renames it into place, so
// a failed write (read-only folder, full disk) leaves the old file untouched.
Status ReplaceFileContents(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes the bytes at `offset` of the file (created when missing, emptied first
// when `truncate` is set), opening and closing it for this one write.
Status WriteAtOffset(const std::filesystem::path& path, std::uint64_t offset,
                     std::span<const std::uint8_t> bytes, bool truncate);
