#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace resourcetest {

// Every key that a C++ source (.cpp, .h) below `root` writes as a string
// literal of its own (for example "IDS_STR_WARNING"), mapped to the first
// file that holds it. `keyPattern` is an ECMAScript pattern for the key
// alone, without quotes. A missing root gives an empty map.
std::map<std::string, std::filesystem::path> FindQuotedKeys(const std::filesystem::path& root,
                                                            const std::string& keyPattern);

} // namespace resourcetest
