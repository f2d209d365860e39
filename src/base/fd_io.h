#pragma once

#include "base/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace base {

// An open regular file, for reading, and its size when opened. Opening never
// blocks: a FIFO or device planted under the name is refused, not waited on.
struct RegularFile {
    UniqueFd fd;
    std::uint64_t sizeBytes = 0;
};
std::optional<RegularFile> OpenRegularFile(const std::filesystem::path& path);

// Writes every byte, retrying when a signal interrupts the call. On failure
// false with errno set; a write that takes no byte counts as a full disk
// (ENOSPC).
[[nodiscard]] bool WriteAll(int fd, std::span<const std::uint8_t> bytes);

// The same at `offset` of the file (pwrite), leaving the file position alone.
[[nodiscard]] bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset);

// Reads until `size` bytes are in or the file ends (also a file that shrank
// while being read), retrying when a signal interrupts the call: the number
// of bytes read, or -1 with errno set on a read error.
[[nodiscard]] std::int64_t ReadFull(int fd, void* buffer, std::size_t size);

} // namespace base
