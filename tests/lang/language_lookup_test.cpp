#include "lang/language.h"

#include "language_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using langtest::WriteLanguageFile;

namespace {

std::string Value(const CLanguage& language, std::string_view section, std::string_view key, int* line = nullptr)
{
    std::string result = "stale";
    const int found = language.GetValue(section, key, result);
    if (line)
        *line = found;
    return result;
}

} // namespace

TEST(LanguageFile, LinesAreReadWithEitherLineEndAndEscapesReplaced)
{
    WriteLanguageFile("Mixed", "[STRING]\r\n"
                               "IDS_A=one\\ttwo\\nthree\r\n"
                               "IDS_B=lone\rcarriage\n"
                               "\n"
                               "IDS_C=back\\\\nslash\n"
                               "IDS_D=last line without end");
    CLanguage language;
    EXPECT_EQ(language.LoadLanguage("Mixed"), 6);
    EXPECT_EQ(language.languageName(), "Mixed");
    EXPECT_EQ(Value(language, "STRING", "IDS_A"), "one\ttwo\nthree");
    EXPECT_EQ(Value(language, "STRING", "IDS_B"), "lone\rcarriage");
    EXPECT_EQ(Value(language, "STRING", "IDS_C"), "back\\\nslash");
    EXPECT_EQ(language.GetString("IDS_D"), "last line without end");

    WriteLanguageFile("Empty", "");
    EXPECT_EQ(language.LoadLanguage("Empty"), 0);
    int line = 0;
    EXPECT_EQ(Value(language, "STRING", "IDS_A", &line), "");
    EXPECT_EQ(line, -1);

    WriteLanguageFile("Utf8", "[STRING]\nIDS_X=Überweisung an Ärztin\n");
    EXPECT_EQ(language.LoadLanguage("Utf8"), 2);
    EXPECT_EQ(language.GetString("IDS_X"), QString::fromUtf8("Überweisung an Ärztin"));
}

TEST(LanguageFile, MissingFileGivesEmptyTextsAndOneLineOnStderr)
{
    CLanguage language;
    WriteLanguageFile("English", "[STRING]\nIDS_STR_WARNING=Warning\n");
    ASSERT_EQ(language.LoadLanguage("English"), 2);

    testing::internal::CaptureStderr();
    EXPECT_EQ(language.LoadLanguage("Klingon"), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(language.GetString("IDS_STR_WARNING"), "") << "the old lines are gone";
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(CLanguage::LanguageFolder().toStdString() + "Klingon.ini"), std::string::npos) << err;

    std::filesystem::create_directories("Language/Folder.ini");
    testing::internal::CaptureStderr();
    EXPECT_EQ(language.LoadLanguage("Folder"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Folder.ini"), std::string::npos);

    testing::internal::CaptureStderr();
    EXPECT_EQ(language.LoadLanguage("../Language/English"), 0) << "a name is no path";
    EXPECT_NE(testing::internal::GetCapturedStderr().find("English.ini"), std::string::npos);

    std::filesystem::remove_all("Language");
    testing::internal::CaptureStderr();
    EXPECT_EQ(language.LoadLanguage("English"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("/Language/English.ini"), std::string::npos);
    EXPECT_EQ(language.GetString("IDS_STR_WARNING"), "");
}

TEST(LanguageLookup, SectionsKeysAndTheirResults)
{
    WriteLanguageFile("Rules", "; comment before any section\n"        // 0
                               "[STRING]\n"                             // 1
                               "IDS_BLANK= word\n"                      // 2
                               "IDS_TRAIL=word  \n"                     // 3
                               "   IDS_INDENT=indented\n"               // 4
                               "IDS_SPACED   =  spaced\n"               // 5
                               "1IDS_DIGIT=skipped\n"                   // 6
                               "#IDS_HASH=skipped\n"                    // 7
                               "_IDS_UNDER=skipped\n"                   // 8
                               "IDS_TXT_01=short key\n"                 // 9
                               "IDS_TXT_010=long key\n"                 // 10
                               "IDS_EQ=a=b\n"                           // 11
                               "ids_case=lower\n"                       // 12
                               "IDS_NOEQUALS\n"                         // 13
                               "IDS_EMPTY=\n"                           // 14
                               "IDS_TWICE=first\n"                      // 15
                               "IDS_TWICE=second\n"                     // 16
                               "\t[IDD_SETTING_ALARM] trailing text\n"  // 17
                               "CAPTION=Alarm\n"                        // 18
                               "[IDD_OTHER]\n"                          // 19
                               "IDC0=other\n"                           // 20
                               "[STRING]\n"                             // 21
                               "IDS_LATE=in the second STRING section\n"
                               "[IDD_SETTING_ALARMS]\n"
                               "CAPTION=plural\n");
    CLanguage language;
    ASSERT_EQ(language.LoadLanguage("Rules"), 25);
    int line = 0;
    EXPECT_EQ(Value(language, "STRING", "IDS_BLANK", &line), " word");
    EXPECT_EQ(line, 2);
    EXPECT_EQ(Value(language, "STRING", "IDS_TRAIL"), "word  ");
    EXPECT_EQ(Value(language, "STRING", "IDS_INDENT", &line), "indented");
    EXPECT_EQ(line, 4);
    EXPECT_EQ(Value(language, "STRING", "IDS_SPACED"), "  spaced");
    EXPECT_EQ(Value(language, "STRING", "IDS_DIGIT", &line), "");
    EXPECT_EQ(line, -2);
    EXPECT_EQ(Value(language, "STRING", "1IDS_DIGIT", &line), "");
    EXPECT_EQ(line, -2);
    EXPECT_EQ(Value(language, "STRING", "#IDS_HASH"), "");
    EXPECT_EQ(Value(language, "STRING", "_IDS_UNDER"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_TXT_01"), "short key");
    EXPECT_EQ(Value(language, "STRING", "IDS_TXT_010", &line), "long key") << "a shorter key never matches";
    EXPECT_EQ(line, 10);
    EXPECT_EQ(Value(language, "STRING", "IDS_TXT_0", &line), "");
    EXPECT_EQ(line, -2);
    EXPECT_EQ(Value(language, "STRING", "IDS_EQ"), "a=b");
    EXPECT_EQ(Value(language, "STRING", "IDS_CASE"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_NOEQUALS"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_EMPTY", &line), "");
    EXPECT_EQ(line, 14);
    EXPECT_EQ(Value(language, "STRING", "IDS_TWICE", &line), "first");
    EXPECT_EQ(line, 15);
    EXPECT_EQ(Value(language, "IDD_SETTING_ALARM", "CAPTION", &line), "Alarm");
    EXPECT_EQ(line, 18);
    EXPECT_EQ(Value(language, "IDD_SETTING_ALARMS", "CAPTION"), "plural");
    EXPECT_EQ(Value(language, "idd_setting_alarm", "CAPTION", &line), "");
    EXPECT_EQ(line, -1);
    EXPECT_EQ(Value(language, "STRING", "IDS_LATE", &line), "") << "only the first STRING section is searched";
    EXPECT_EQ(line, -2);
    EXPECT_EQ(Value(language, "IDD_OTHER", "IDC1", &line), "");
    EXPECT_EQ(line, -2);
    EXPECT_EQ(Value(language, "IDD_SETTING_ALARMS", "IDC0", &line), "") << "section runs to the end";
    EXPECT_EQ(line, -1);
    EXPECT_EQ(Value(language, "NOWHERE", "CAPTION", &line), "");
    EXPECT_EQ(line, -1);
    EXPECT_EQ(Value(language, "STRING]", "x", &line), "");
    EXPECT_EQ(line, -1);
}

TEST(LanguageLookup, LengthSuffixCutsTheValue)
{
    WriteLanguageFile("Suffix", "[STRING]\n"
                                "IDS_CUT=Abcdefghijkl<7>\n"
                                "IDS_SHORT=Abc<7>\n"
                                "IDS_AFTER=Abcdefghijkl<3>tail\n"
                                "IDS_ADJACENT=Keep <> this\n"
                                "IDS_REVERSED=Keep > this <\n"
                                "IDS_ZERO=Gone<0>\n"
                                "IDS_WORD=Gone<abc>\n"
                                "IDS_NEGATIVE=Gone<-3>\n"
                                "IDS_DIGITS=Abcdef<2x>\n"
                                "IDS_BLANKS=Abcdef< 4>\n"
                                "IDS_HUGE=Abc<99999999999999999999>\n"
                                "IDS_LAST=a<1>b<2>\n"
                                "IDS_OPEN_LAST=Abc<2>x<\n"
                                "IDS_UTF8=Ärzte<2>\n");
    CLanguage language;
    ASSERT_GT(language.LoadLanguage("Suffix"), 0);
    EXPECT_EQ(Value(language, "STRING", "IDS_CUT"), "Abcdefg");
    EXPECT_EQ(Value(language, "STRING", "IDS_SHORT"), "Abc");
    EXPECT_EQ(Value(language, "STRING", "IDS_AFTER"), "Abc");
    EXPECT_EQ(Value(language, "STRING", "IDS_ADJACENT"), "Keep <> this");
    EXPECT_EQ(Value(language, "STRING", "IDS_REVERSED"), "Keep > this <");
    EXPECT_EQ(Value(language, "STRING", "IDS_ZERO"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_WORD"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_NEGATIVE"), "");
    EXPECT_EQ(Value(language, "STRING", "IDS_DIGITS"), "Ab");
    EXPECT_EQ(Value(language, "STRING", "IDS_BLANKS"), "Abcd");
    EXPECT_EQ(Value(language, "STRING", "IDS_HUGE"), "Abc");
    EXPECT_EQ(Value(language, "STRING", "IDS_LAST"), "a<");
    EXPECT_EQ(Value(language, "STRING", "IDS_OPEN_LAST"), "Abc<2>x<");
    EXPECT_EQ(language.GetString("IDS_UTF8"), QString::fromUtf8("Är")) << "characters, not bytes";
}

TEST(LanguageLookup, GarbageAndHugeLinesAreHandled)
{
    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += static_cast<char>((i * 131 + 7) % 256);
    bytes += "\n[STRING]\nIDS_NUL=before";
    bytes += '\0';
    bytes += "after\n";
    bytes += "IDS_LONG=" + std::string(1 << 20, 'x') + "\n";
    bytes += "IDS_BACKSLASH=\\";
    WriteLanguageFile("Garbage", bytes);
    CLanguage language;
    ASSERT_GT(language.LoadLanguage("Garbage"), 3);
    EXPECT_EQ(Value(language, "STRING", "IDS_NUL"), std::string("before\0after", 12));
    EXPECT_EQ(Value(language, "STRING", "IDS_LONG").size(), std::size_t{1} << 20);
    EXPECT_EQ(Value(language, "STRING", "IDS_BACKSLASH"), "\\");
    EXPECT_EQ(Value(language, "STRING", "IDS_MISSING"), "");
}

TEST(LanguageList, NamesOfTheIniFilesSortedByName)
{
    EXPECT_TRUE(CLanguage::GetLanguageList().isEmpty()) << "no folder, no languages";
    WriteLanguageFile("English", "");
    WriteLanguageFile("Deutsch", "");
    WriteLanguageFile("pt.BR", "");
    std::filesystem::create_directories("Language/Folder.ini");
    std::ofstream("Language/readme.txt") << "x";
    std::ofstream("Language/Upper.INI") << "x";
    EXPECT_EQ(CLanguage::GetLanguageList(), (QStringList{"Deutsch", "English", "pt.BR"}));
    QStringList list{"stale"};
    CLanguage::GetLanguageList(list);
    EXPECT_EQ(list.size(), 3);
}
