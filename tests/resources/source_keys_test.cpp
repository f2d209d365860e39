// Every text key the program's code looks up must be in the English file:
// a missing key shows up only as an empty caption or message at run time.

#include "ini_file.h"
#include "key_scanner.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using resourcetest::FindQuotedKeys;

namespace {

const char kTextKey[] = "IDS_[A-Z0-9_]*[A-Z0-9]";
const char kDialogKey[] = "IDD_[A-Z_]*[A-Z]";

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

resourcetest::IniFile English()
{
    std::ifstream in(testsupport::SourceDir() / "resources" / "Language" / "English.ini", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return resourcetest::ParseIni(text.str());
}

} // namespace

TEST(SourceKeys, EveryKeyTheCodeLooksUpIsInTheEnglishFile)
{
    const resourcetest::IniFile english = English();
    const resourcetest::IniSection* strings = english.find("STRING");
    ASSERT_NE(strings, nullptr);

    int checked = 0;
    for (const char* folder : {"src", "tools"}) {
        const std::filesystem::path root = testsupport::SourceDir() / folder;
        for (const auto& [key, file] : FindQuotedKeys(root, kTextKey)) {
            EXPECT_NE(strings->find(key), nullptr) << key << " (used in " << file << ") is not in [STRING]";
            ++checked;
        }
        for (const auto& [key, file] : FindQuotedKeys(root, kDialogKey)) {
            EXPECT_NE(english.find(key), nullptr) << "no section [" << key << "] (used in " << file << ")";
            ++checked;
        }
    }
    RecordProperty("KeysChecked", checked);
}

TEST(SourceKeys, ScannerTakesWholeQuotedKeysFromSourcesOnly)
{
    testsupport::TempDir dir;
    WriteFile(dir / "a.cpp",
              "auto t = g_Language.GetString(\"IDS_STR_WARNING\");\n"
              "auto u = QStringLiteral(\"IDS_TXT_009\") + \"IDS_STR_\";   // a prefix is no key\n"
              "const char q = '\"'; auto v = \"IDS_STR_TIP\";            // a stray quote first\n"
              "// IDS_STR_COMMENT without quotes is no look-up\n"
              "auto w = \"see IDS_STR_INSIDE\"; auto x = \"IDS_lower\";\n");
    WriteFile(dir / "deep" / "dialog.h", "SetDialogText(this, \"IDD_CASE_INFO\");\n");
    WriteFile(dir / "notes.txt", "\"IDS_STR_IN_TEXT_FILE\"\n");

    std::set<std::string> texts;
    for (const auto& [key, file] : FindQuotedKeys(dir.path(), kTextKey))
        texts.insert(key);
    EXPECT_EQ(texts, (std::set<std::string>{"IDS_STR_TIP", "IDS_STR_WARNING", "IDS_TXT_009"}));

    const auto dialogs = FindQuotedKeys(dir.path(), kDialogKey);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs.begin()->first, "IDD_CASE_INFO");
    EXPECT_EQ(dialogs.begin()->second, dir / "deep" / "dialog.h");

    EXPECT_TRUE(FindQuotedKeys(dir / "missing", kTextKey).empty());
}
