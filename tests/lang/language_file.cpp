#include "language_file.h"

#include <filesystem>
#include <fstream>

namespace langtest {

void WriteLanguageFile(const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories("Language");
    std::ofstream(std::filesystem::path("Language") / (name + ".ini"), std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace langtest
