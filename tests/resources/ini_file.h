#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace resourcetest {

// A language file read the plain way: sections of "key=value" entries, in
// file order, with the line number of each. Lines that are blank or do not
// start with a letter (comments) are left out, as the program's look-up
// skips them too.
struct IniEntry {
    std::string key;
    std::string value;
    int line = 0;
};

struct IniSection {
    std::string name;
    int line = 0;
    std::vector<IniEntry> entries;

    // The first entry named `key`, or nullptr.
    const IniEntry* find(std::string_view key) const;
};

struct IniFile {
    std::vector<IniSection> sections;
    // Lines that are neither a section header, an entry nor a comment,
    // and entries standing before the first section ("line N: ...").
    std::vector<std::string> problems;

    // The first section named `name`, or nullptr.
    const IniSection* find(std::string_view name) const;
};

IniFile ParseIni(std::string_view text);

} // namespace resourcetest
