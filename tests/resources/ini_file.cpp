#include "ini_file.h"

#include <cctype>

namespace resourcetest {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

const IniEntry* IniSection::find(std::string_view key) const
{
    for (const IniEntry& entry : entries) {
        if (entry.key == key)
            return &entry;
    }
    return nullptr;
}

const IniSection* IniFile::find(std::string_view name) const
{
    for (const IniSection& section : sections) {
        if (section.name == name)
            return &section;
    }
    return nullptr;
}

IniFile ParseIni(std::string_view text)
{
    IniFile file;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        line = TrimLeft(line);
        const auto problem = [&](std::string_view what) {
            file.problems.push_back("line " + std::to_string(lineNumber) + ": " + std::string(what));
        };
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.size() < 3 || line.back() != ']')
                problem("broken section header");
            else
                file.sections.push_back({std::string(line.substr(1, line.size() - 2)), lineNumber, {}});
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(line.front())))
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problem("entry without \"=\"");
            continue;
        }
        if (file.sections.empty()) {
            problem("entry before the first section");
            continue;
        }
        file.sections.back().entries.push_back({std::string(TrimRight(line.substr(0, equals))),
                                                std::string(line.substr(equals + 1)), lineNumber});
    }
    return file;
}

} // namespace resourcetest
