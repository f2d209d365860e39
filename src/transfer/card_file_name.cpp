#include "transfer/card_file_name.h"

#include <algorithm>
#include <cctype>

namespace cardname {

namespace {

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

} // namespace cardname
