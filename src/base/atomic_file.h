#pragma once

#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <span>

#include <sys/types.h>

namespace base {

// Replaces the whole content of `path` so that a reader sees either the old
// file or the complete new one, also after a crash: the bytes go into a fresh
// temporary file beside it (created with O_EXCL, so never an existing file or
// a symbolic link planted under that name), are synced, and the temporary is
// renamed over `path`; then the folder is synced. A link at `path` itself is
// replaced, never followed. On failure the old file stays as it was.
Status ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode = 0644);

// Makes the entries of a folder (files created, renamed or removed in it)
// durable.
Status SyncFolder(const std::filesystem::path& folder);

// Makes a file's content durable.
Status SyncFile(const std::filesystem::path& file);

} // namespace base
