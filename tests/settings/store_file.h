#pragma once

#include <filesystem>
#include <string>

namespace settingstest {

// The settings file of the test's own user ($XDG_CONFIG_HOME/Halvik/TAVO_Vezi.ini).
std::filesystem::path StoreFile();
std::string ReadStoreFile();
void WriteStoreFile(const std::string& content);
// Removes every line that contains `fragment`, as a hand edit would.
void RemoveStoreLines(const std::string& fragment);

} // namespace settingstest
