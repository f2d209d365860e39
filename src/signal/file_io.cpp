#include "signal/file_io.h"

#include "base/file_error_text.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path)
{
    const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break; // the file shrank while being read
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

base::Status WriteAtOffset(const std::filesystem::path& path, std::uint64_t offset,
                           std::span<const std::uint8_t> bytes, bool truncate)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (truncate ? O_TRUNC : 0);
    base::UniqueFd fd(::open(path.c_str(), flags, 0644));
    if (!fd)
        return base::Status::Error(base::FileErrorText("Cannot open", path, errno));
    if (!WriteAll(fd.get(), bytes, offset) || !fd.Close())
        return base::Status::Error(base::FileErrorText("Cannot write", path, errno));
    return base::Status::Ok();
}
