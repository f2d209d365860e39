#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// Writes START_DIR/Language/NAME.ini, the place the program looks for its
// language tables.
void WriteLanguageFile(const std::filesystem::path& startDir, const std::string& name, const std::string& content);

// Puts the shipped English.ini into START_DIR/Language, so that windows under
// test show the texts a clinician sees.
void InstallShippedEnglish(const std::filesystem::path& startDir);

} // namespace testsupport
