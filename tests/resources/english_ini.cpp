#include "english_ini.h"

#include "temp_dir.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace resourcetest {

const IniEntry* IniSection::find(std::string_view key) const
{
    for (const IniEntry& entry : entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

const IniSection* IniFile::find(std::string_view name) const
{
    for (const IniSection& section : sections)
        if (section.name == name)
            return &section;
    return nullptr;
}

IniFile ParseIni(std::string_view text)
{
    IniFile file;
    std::istringstream in{std::string(text)};
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        line.erase(0, first == std::string::npos ? line.size() : first);
        const auto problem = [&](const char* what) {
            file.problems.push_back("line " + std::to_string(lineNumber) + ": " + what);
        };
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.size() < 3 || line.back() != ']')
                problem("broken section header");
            else
                file.sections.push_back({line.substr(1, line.size() - 2), lineNumber, {}});
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(line.front())))
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            problem("entry without \"=\"");
        else if (file.sections.empty())
            problem("entry before the first section");
        else {
            std::string key = line.substr(0, equals);
            key.erase(key.find_last_not_of(" \t") + 1);
            file.sections.back().entries.push_back({key, line.substr(equals + 1), lineNumber});
        }
    }
    return file;
}

std::filesystem::path ResourcesDir() { return testsupport::SourceDir() / "resources"; }

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string& EnglishText()
{
    static const std::string text = ReadText(ResourcesDir() / "Language" / "English.ini");
    return text;
}

const IniFile& English()
{
    static const IniFile file = ParseIni(EnglishText());
    return file;
}

} // namespace resourcetest
