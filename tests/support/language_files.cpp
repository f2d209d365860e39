#include "language_files.h"

#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <fstream>

namespace testsupport {

void WriteLanguageFile(const std::filesystem::path& startDir, const std::string& name, const std::string& content)
{
    std::filesystem::create_directories(startDir / "Language");
    std::ofstream out(startDir / "Language" / (name + ".ini"), std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << "cannot write the language file " << name;
}

void InstallShippedEnglish(const std::filesystem::path& startDir)
{
    ASSERT_TRUE(CopyRequiredFile(SourceDir() / "resources/Language/English.ini",
                                 startDir / "Language/English.ini"));
}

} // namespace testsupport
