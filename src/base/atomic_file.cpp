#include "base/atomic_file.h"

#include "base/fd_io.h"
#include "base/file_error_text.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace base {
namespace {

Status SyncPath(const std::filesystem::path& path, int flags, const char* what)
{
    const UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0)
        return Status::Error(FileErrorText(what, path, errno));
    return Status::Ok();
}

} // namespace

Status ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode)
{
    // A device, pipe or folder at the path stays what it is: a rename over it
    // would, with enough rights, turn /dev/null into a plain file.
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
        return Status::Error("Cannot replace " + path.string() + ": not a regular file");
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string name(".");
    name.append(path.filename().string()).append(".XXXXXX");
    std::string temporary = (folder / name).string();
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd)
        return Status::Error(FileErrorText("Cannot create a file in", folder, errno));
    const auto fail = [&temporary](const char* what, int error) {
        ::unlink(temporary.c_str());
        return Status::Error(FileErrorText(what, temporary, error));
    };
    if (::fchmod(fd.get(), mode) != 0)
        return fail("Cannot set the permissions of", errno);
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        return fail("Cannot write", errno);
    if (!fd.Close())
        return fail("Cannot write", errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Status::Error(FileErrorText("Cannot replace", path, error));
    }
    return SyncFolder(folder);
}

Status SyncFolder(const std::filesystem::path& folder)
{
    return SyncPath(folder, O_RDONLY | O_DIRECTORY, "Cannot sync the folder");
}

Status SyncFile(const std::filesystem::path& file)
{
    return SyncPath(file, O_RDONLY | O_NOFOLLOW, "Cannot sync");
}

} // namespace base
