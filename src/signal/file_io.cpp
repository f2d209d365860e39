#include "signal/file_io.h"

#include "base/fd_io.h"
#include "base/file_error_text.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path)
{
    const auto file = base::OpenRegularFile(path);
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->sizeBytes));
    const std::int64_t got = base::ReadFull(file->fd.get(), bytes.data(), bytes.size());
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
    if (!base::WriteAllAt(fd.get(), bytes, offset) || !fd.Close())
        return base::Status::Error(base::FileErrorText("Cannot write", path, errno));
    return base::Status::Ok();
}
