#include "store_file.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace settingstest {

std::filesystem::path StoreFile()
{
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "Halvik" / "TAVO_Vezi.ini";
}

std::string ReadStoreFile()
{
    std::ifstream in(StoreFile(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteStoreFile(const std::string& content)
{
    std::filesystem::create_directories(StoreFile().parent_path());
    std::ofstream(StoreFile(), std::ios::binary | std::ios::trunc) << content;
}

void RemoveStoreLines(const std::string& fragment)
{
    std::istringstream in(ReadStoreFile());
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (line.find(fragment) == std::string::npos)
            kept += line + "\n";
    WriteStoreFile(kept);
}

} // namespace settingstest
