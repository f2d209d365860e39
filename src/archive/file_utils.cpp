#include "archive/file_utils.h"

#include <cerrno>
#include <memory>
#include <string_view>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {
namespace {

constexpr char kSeparator = '/';
constexpr std::size_t kRootLength = 3;          // longest parent treated as a root
constexpr std::size_t kShortestDeletable = 4;

std::string WithoutTrailingSeparator(std::string path)
{
    if (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    return path;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Entries of a directory can only be removed when the directory is writable;
// this stands in for clearing read-only attributes.
void MakeOwnerWritable(const std::string& directory)
{
    struct stat info {};
    if (::lstat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && (info.st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(directory.c_str(), (info.st_mode & 07777) | S_IRWXU);
}

} // namespace

bool DirectoryExists(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat info {};
    return ::stat(WithoutTrailingSeparator(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDirectoryTree(const std::string& path)
{
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return true;
    const std::string directory = WithoutTrailingSeparator(path);
    const std::size_t lastSeparator = directory.rfind(kSeparator);
    if (lastSeparator == std::string::npos)
        return false;
    const std::string parent = directory.substr(0, lastSeparator + 1);
    if (parent.size() > kRootLength && !DirectoryExists(parent) && !CreateDirectoryTree(parent))
        return false;
    return ::mkdir(directory.c_str(), 0777) == 0;
}

bool DeleteDirectoryTree(const std::string& path)
{
    if (path.size() < kShortestDeletable)
        return false;
    std::string directory = path;
    if (directory.back() != kSeparator)
        directory += kSeparator;

    struct stat self {};
    if (::lstat(directory.substr(0, directory.size() - 1).c_str(), &self) != 0 || !S_ISDIR(self.st_mode))
        return false;
    MakeOwnerWritable(directory);
    {
        DirHandle dir(::opendir(directory.c_str()));
        if (!dir)
            return false;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            if (name.starts_with('.'))
                continue;
            const std::string child = directory + std::string(name);
            struct stat info {};
            if (::lstat(child.c_str(), &info) != 0)
                return false;
            const bool removed = S_ISDIR(info.st_mode) ? DeleteDirectoryTree(child)
                                                       : ::unlink(child.c_str()) == 0;
            if (!removed)
                return false;
        }
    }
    return ::rmdir(directory.c_str()) == 0;
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::int64_t FileSize(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<std::int64_t>(info.st_size);
}

} // namespace archive
