#include "base/file_lock.h"

#include "base/file_error_text.h"
#include "base/retry.h"

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <sys/file.h>

namespace base {
namespace {

// How often a waiting caller tries the lock again (and so how soon a stop
// request is seen).
constexpr auto kRetryInterval = std::chrono::milliseconds(25);

} // namespace

std::optional<FileLock> FileLock::Take(const std::filesystem::path& path, const std::function<bool()>& keepWaiting,
                                       const std::function<void()>& waiting, std::string& error)
{
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd) {
        error = FileErrorText("Cannot open the lock file", path, errno);
        return std::nullopt;
    }
    bool failed = false;
    const auto tryLock = [&] {
        while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno == EWOULDBLOCK)
                return Attempt::Busy;
            error = FileErrorText("Cannot lock", path, errno);
            failed = true;
            break;
        }
        return Attempt::Done;
    };
    if (!RetryWhileBusy(tryLock, keepWaiting, waiting, kRetryInterval)) {
        error = "stopped while waiting for the lock " + path.string();
        return std::nullopt;
    }
    if (failed)
        return std::nullopt;
    return FileLock(std::move(fd));
}

} // namespace base
