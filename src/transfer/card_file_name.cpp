#include "transfer/card_file_name.h"

#include <algorithm>
#include <cctype>

namespace cardname {

namespace {

constexpr std::size_t kMaxNameBytes = 250;   // leaves room for ".ECG" within NAME_MAX

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size()
           && std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                         [](char a, char b) {
                             return std::toupper(static_cast<unsigned char>(a))
                                    == std::toupper(static_cast<unsigned char>(b));
                         });
}

} // namespace

std::optional<int> DeviceFileKind(std::string_view fileName)
{
    if (EndsWithNoCase(fileName, ".ECG"))
        return kEcgFile;
    if (EndsWithNoCase(fileName, ".SPO"))
        return kSpo2File;
    return std::nullopt;
}

std::string ArchiveName(std::string_view fileName)
{
    return std::string(fileName.substr(0, fileName.find('.')));
}

std::optional<std::string> RefusalReason(std::string_view archiveName)
{
    if (archiveName.empty())
        return "the archive has no name";
    if (archiveName == "." || archiveName == "..")
        return "the archive name would leave the archive folder";
    if (archiveName.find_first_of("/\\") != std::string_view::npos)
        return "the archive name holds a path separator";
    if (std::any_of(archiveName.begin(), archiveName.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "the archive name holds control characters";
    if (archiveName.size() > kMaxNameBytes)
        return "the archive name is too long";
    return std::nullopt;
}

} // namespace cardname
