#include "base/fd_io.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace base {

std::optional<RegularFile> OpenRegularFile(const std::filesystem::path& path)
{
    RegularFile file{UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))};
    struct stat info {};
    if (!file.fd || ::fstat(file.fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    file.sizeBytes = static_cast<std::uint64_t>(info.st_size);
    return file;
}

namespace {

// The one retry loop behind both writers: `put(at, size)` writes up to `size`
// bytes from bytes[at] and answers like write(2).
template <typename Put>
bool WriteEvery(std::span<const std::uint8_t> bytes, Put put)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = put(done, bytes.size() - done);
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

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    return WriteEvery(bytes, [&](std::size_t at, std::size_t size) { return ::write(fd, bytes.data() + at, size); });
}

bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    return WriteEvery(bytes, [&](std::size_t at, std::size_t size) {
        return ::pwrite(fd, bytes.data() + at, size, static_cast<off_t>(offset + at));
    });
}

std::int64_t ReadFull(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = ::read(fd, bytes + filled, size - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(filled);
}

} // namespace base
