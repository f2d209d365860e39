#include "transfer/removable_media.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace {

// The kernel writes space, tab, newline and backslash in mount points as
// three-digit octal escapes.
std::string DecodeOctalEscapes(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '\\' && i + 3 < text.size()
                            && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                           text.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                                           [](char c) { return c >= '0' && c <= '7'; });
        if (escape) {
            const int value = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            decoded.push_back(static_cast<char>(value & 0xFF));
            i += 3;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        pos = end;
    }
    return fields;
}

std::string ReadFirstLine(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// "sdb1" -> "sdb", "mmcblk0p1" -> "mmcblk0", "nvme0n1p2" -> "nvme0n1".
std::string WholeDiskName(const std::string& partition)
{
    std::string name = partition;
    while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
        name.pop_back();
    if (name.size() >= 2 && name.back() == 'p' && std::isdigit(static_cast<unsigned char>(name[name.size() - 2])))
        name.pop_back();
    return name;
}

std::filesystem::path Below(const std::filesystem::path& root, const std::filesystem::path& absolute)
{
    return root / absolute.relative_path();
}

std::string CurrentUserName()
{
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name)
        return entry->pw_name;
    if (const char* user = std::getenv("USER"))
        return user;
    return {};
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> mounts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));

        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto fields = SplitFields(line);
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (separator == fields.end() || std::distance(fields.begin(), separator) < 6
            || std::distance(separator, fields.end()) < 3)
            continue;
        mounts.push_back({DecodeOctalEscapes(fields[4]), DecodeOctalEscapes(*(separator + 2)),
                          std::string(*(separator + 1))});
    }
    return mounts;
}

RemovableMediaFinder::RemovableMediaFinder(std::filesystem::path systemRoot, std::string userName)
    : m_systemRoot(std::move(systemRoot)), m_userName(std::move(userName))
{
}

RemovableMediaFinder RemovableMediaFinder::ForThisSystem()
{
    return RemovableMediaFinder("/", CurrentUserName());
}

std::vector<std::filesystem::path> RemovableMediaFinder::MountedCards() const
{
    std::ifstream in(Below(m_systemRoot, "/proc/self/mountinfo"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::vector<std::filesystem::path> cards;
    const auto add = [&cards](const std::filesystem::path& folder) {
        if (std::find(cards.begin(), cards.end(), folder) == cards.end())
            cards.push_back(folder);
    };
    for (const MountEntry& mount : ParseMountInfo(text)) {
        if (IsRemovableDevice(mount.source))
            add(mount.mountPoint);
    }
    for (const auto& folder : UserMediaFolders())
        add(folder);
    return cards;
}

bool RemovableMediaFinder::IsRemovableDevice(const std::string& source) const
{
    constexpr std::string_view devPrefix = "/dev/";
    if (!source.starts_with(devPrefix))
        return false;
    const std::string name = source.substr(devPrefix.size());
    if (name.empty() || name.find('/') != std::string::npos || name.starts_with('.'))
        return false;
    return BlockDeviceRemovable(name) || BlockDeviceRemovable(WholeDiskName(name));
}

bool RemovableMediaFinder::BlockDeviceRemovable(const std::string& blockName) const
{
    if (blockName.empty())
        return false;
    return ReadFirstLine(Below(m_systemRoot, "/sys/block") / blockName / "removable") == "1";
}

std::vector<std::filesystem::path> RemovableMediaFinder::UserMediaFolders() const
{
    std::vector<std::filesystem::path> folders;
    if (m_userName.empty() || m_userName.find('/') != std::string::npos)
        return folders;
    for (const char* base : {"/media", "/run/media"}) {
        std::error_code error;
        std::vector<std::filesystem::path> found;
        for (const auto& item : std::filesystem::directory_iterator(Below(m_systemRoot, std::filesystem::path(base) / m_userName), error)) {
            std::error_code typeError;
            if (item.is_directory(typeError))
                found.push_back(std::filesystem::path(base) / m_userName / item.path().filename());
        }
        std::sort(found.begin(), found.end());
        folders.insert(folders.end(), found.begin(), found.end());
    }
    return folders;
}
