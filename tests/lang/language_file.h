#pragma once

#include <string>

namespace langtest {

// Writes Language/<name>.ini below the current folder, byte for byte.
void WriteLanguageFile(const std::string& name, const std::string& bytes);

} // namespace langtest
