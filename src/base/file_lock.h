#pragma once

#include "base/unique_fd.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace base {

// An exclusive advisory lock (flock) on a lock file, held while the object
// lives. The lock belongs to the open file, so it also excludes other threads
// of this process that take it through their own FileLock, and the system
// drops it when the process dies.
class FileLock {
public:
    // Takes the lock on `path` (the file is created when missing). While
    // another holder has it, `waiting` (may be empty) hears it once and the
    // lock is tried again every 25 ms for as long as `keepWaiting()` says so.
    // Gives nothing and the reason when the file cannot be opened or waiting
    // was given up.
    static std::optional<FileLock> Take(const std::filesystem::path& path, const std::function<bool()>& keepWaiting,
                                        const std::function<void()>& waiting, std::string& error);

private:
    explicit FileLock(UniqueFd fd) : m_fd(std::move(fd)) {}

    UniqueFd m_fd;
};

} // namespace base
