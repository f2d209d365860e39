#include "signal/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns one POSIX file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now so that a failing close (delayed write error) can be seen.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

std::string Describe(const std::filesystem::path& path, const char* what)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
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

Status ReplaceFileContents(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    std::filesystem::path temporary = path;
    temporary += ".new";
    {
        FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd.valid())
            return Status::Failure(Describe(temporary, "cannot create"));
        if (!WriteAll(fd.get(), bytes, 0) || ::fsync(fd.get()) != 0 || !fd.Close()) {
            const Status failure = Status::Failure(Describe(temporary, "cannot write"));
            ::unlink(temporary.c_str());
            return failure;
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const Status failure = Status::Failure(Describe(path, "cannot replace"));
        ::unlink(temporary.c_str());
        return failure;
    }
    return Status::Ok();
}

Status WriteAtOffset(const std::filesystem::path& path, std::uint64_t offset,
                     std::span<const std::uint8_t> bytes, bool truncate)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    FileDescriptor fd(::open(path.c_str(), flags, 0644));
    if (!fd.valid())
        return Status::Failure(Describe(path, "cannot open"));
    if (!WriteAll(fd.get(), bytes, offset) || !fd.Close())
        return Status::Failure(Describe(path, "cannot write"));
    return Status::Ok();
}
