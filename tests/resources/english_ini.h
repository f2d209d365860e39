#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace resourcetest {

// A language file read the plain way: sections of "key=value" entries in file
// order with their line numbers. Lines that are blank or do not start with a
// letter (comments) are left out, as the program's look-up skips them too.
struct IniEntry {
    std::string key;
    std::string value;
    int line = 0;
};

struct IniSection {
    std::string name;
    int line = 0;
    std::vector<IniEntry> entries;
    const IniEntry* find(std::string_view key) const; // the first entry named `key`
};

struct IniFile {
    std::vector<IniSection> sections;
    std::vector<std::string> problems; // "line N: ..." for lines that are nothing of the above
    const IniSection* find(std::string_view name) const; // the first section named `name`
};

IniFile ParseIni(std::string_view text);

std::filesystem::path ResourcesDir();
std::string ReadText(const std::filesystem::path& path);
// The shipped Language/English.ini, read once.
const std::string& EnglishText();
const IniFile& English();

} // namespace resourcetest
