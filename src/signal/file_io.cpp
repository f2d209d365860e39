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

std::optional<RegularFile> OpenRegularFile(const std::filesystem::path& path)
{
    RegularFile file{base::UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))};
    struct stat info {};
    if (!file.fd || ::fstat(file.fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    file.sizeBytes = static_cast<std::uint64_t>(info.st_size);
    return file;
}

std::int64_t ReadUpTo(int fd, std::span<std::uint8_t> buffer)
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break; // the end, also of a file that shrank while being read
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path)
{
    const auto file = OpenRegularFile(path);
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->sizeBytes));
    const std::int64_t got = ReadUpTo(file->fd.get(), bytes);
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

base::Status WriteAtOffset(const std::filesystem::path& path, std::uint64_t offset,
                           std::span<const std::uint8_t> bytes, bool truncate)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (truncate ? O_TRUNC : 0);
    base::UniqueFd fd(::open(path.c_str(), flags, 0644));
    if (!fd)
        return base::Status::Error(base::FileErrorText("Cannot open", path, errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return base::Status::Error("Cannot write \"" + path.string() + "\": not a regular file.");
    if (!WriteAll(fd.get(), bytes, offset) || !fd.Close())
        return base::Status::Error(base::FileErrorText("Cannot write", path, errno));
    return base::Status::Ok();
}
