#include "key_scanner.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace resourcetest {

namespace {

bool IsSourceFile(const std::filesystem::path& path)
{
    const std::string extension = path.extension().string();
    return extension == ".cpp" || extension == ".h";
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::map<std::string, std::filesystem::path> FindQuotedKeys(const std::filesystem::path& root,
                                                            const std::string& keyPattern)
{
    std::map<std::string, std::filesystem::path> found;
    std::error_code error;
    if (!std::filesystem::is_directory(root, error))
        return found;
    // The key between two quotes; the quotes are not paired up with the
    // rest of the file, so a stray quote elsewhere cannot hide a key.
    const std::regex quoted("\"(" + keyPattern + ")\"");
    for (const auto& item : std::filesystem::recursive_directory_iterator(root, error)) {
        if (!item.is_regular_file() || !IsSourceFile(item.path()))
            continue;
        const std::string text = ReadAll(item.path());
        for (std::sregex_iterator it(text.begin(), text.end(), quoted), last; it != last; ++it)
            found.emplace((*it)[1].str(), item.path());
    }
    return found;
}

} // namespace resourcetest
