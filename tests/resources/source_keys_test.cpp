// Every text key the program's code looks up must be in the English file:
// a missing key shows up only as an empty caption or message at run time.

#include "english_ini.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace {

const char kTextKey[] = "IDS_[A-Z0-9_]*[A-Z0-9]";
const char kDialogKey[] = "IDD_[A-Z_]*[A-Z]";

// Every key matching `keyPattern` that a .cpp or .h file below `root` writes
// as a string literal of its own, mapped to the first file that holds it. The
// quotes are not paired up over the file, so a stray quote cannot hide a key.
std::map<std::string, std::filesystem::path> FindQuotedKeys(const std::filesystem::path& root,
                                                            const std::string& keyPattern)
{
    std::map<std::string, std::filesystem::path> found;
    std::error_code error;
    if (!std::filesystem::is_directory(root, error))
        return found;
    const std::regex quoted("\"(" + keyPattern + ")\"");
    for (const auto& item : std::filesystem::recursive_directory_iterator(root, error)) {
        const std::string extension = item.path().extension().string();
        if (!item.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        const std::string text = resourcetest::ReadText(item.path());
        for (std::sregex_iterator it(text.begin(), text.end(), quoted), last; it != last; ++it)
            found.emplace((*it)[1].str(), item.path());
    }
    return found;
}

} // namespace

TEST(SourceKeys, EveryKeyTheCodeLooksUpIsInTheEnglishFile)
{
    const resourcetest::IniFile& english = resourcetest::English();
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
    EXPECT_GT(checked, 0) << "the scan found no keys at all";
    RecordProperty("KeysChecked", checked);

    // The scanner itself: whole quoted keys, from sources only.
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "deep");
    std::ofstream(dir / "a.cpp") << "auto t = g_Language.GetString(\"IDS_STR_WARNING\");\n"
                                    "auto u = QStringLiteral(\"IDS_TXT_009\") + \"IDS_STR_\";   // a prefix\n"
                                    "const char q = '\"'; auto v = \"IDS_STR_TIP\";            // stray quote\n"
                                    "// IDS_STR_COMMENT without quotes is no look-up\n"
                                    "auto w = \"see IDS_STR_INSIDE\"; auto x = \"IDS_lower\";\n";
    std::ofstream(dir / "deep" / "dialog.h") << "SetDialogText(this, \"IDD_CASE_INFO\");\n";
    std::ofstream(dir / "notes.txt") << "\"IDS_STR_IN_TEXT_FILE\"\n";
    std::set<std::string> texts;
    for (const auto& [key, file] : FindQuotedKeys(dir.path(), kTextKey))
        texts.insert(key);
    EXPECT_EQ(texts, (std::set<std::string>{"IDS_STR_TIP", "IDS_STR_WARNING", "IDS_TXT_009"}));
    const auto dialogs = FindQuotedKeys(dir.path(), kDialogKey);
    EXPECT_EQ(dialogs, (std::map<std::string, std::filesystem::path>{{"IDD_CASE_INFO", dir / "deep" / "dialog.h"}}));
}
