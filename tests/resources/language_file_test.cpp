// Checks the shipped English language file against the rules of the
// program's look-up: a text that breaks them is silently lost or cut.

#include "english_ini.h"

#include <QByteArray>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>

using namespace resourcetest;

namespace {

const IniSection& Section(std::string_view name)
{
    static const IniSection none;
    const IniSection* section = English().find(name);
    return section ? *section : none;
}

std::string Value(std::string_view section, std::string_view key)
{
    const IniEntry* entry = Section(section).find(key);
    return entry ? entry->value : "<missing>";
}

// The printf conversions of `text` in order ("d", "s", ...); "%%" is a plain
// percent sign. A "%" that starts no conversion is kept as "?" when `strict`.
std::string Conversions(std::string_view text, bool strict)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t j = i + 1;
        if (j < text.size() && text[j] == '%') {
            i = j;
            continue;
        }
        while (j < text.size() && std::string_view("-+ #0").find(text[j]) != std::string_view::npos)
            ++j;
        while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.'))
            ++j;
        while (j < text.size() && std::string_view("hlLqjzt").find(text[j]) != std::string_view::npos)
            ++j;
        if (j < text.size() && std::string_view("diouxXeEfFgGaAcspn").find(text[j]) != std::string_view::npos) {
            result += text[j];
            i = j;
        } else if (strict) {
            result += '?';
        }
    }
    return result;
}

} // namespace

TEST(EnglishFile, IsCleanUtf8WithUniqueSectionsAndKeys)
{
    const std::string& text = EnglishText();
    ASSERT_FALSE(text.empty()) << "English.ini is missing or empty";

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArray::fromRawData(text.data(), qsizetype(text.size())));
    EXPECT_FALSE(utf8.hasError()) << "English.ini is not valid UTF-8";
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << "a byte order mark would hide the first line";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        EXPECT_TRUE(c >= 0x20 || c == '\n') << "control character " << int(c) << " at byte " << i;
    }
    EXPECT_EQ(text.back(), '\n');

    EXPECT_TRUE(English().problems.empty()) << English().problems.front();
    std::set<std::string> sectionNames;
    for (const IniSection& section : English().sections) {
        EXPECT_TRUE(sectionNames.insert(section.name).second)
            << "section [" << section.name << "] repeated at line " << section.line;
        std::set<std::string> keys;
        for (const auto& entry : section.entries) {
            EXPECT_TRUE(keys.insert(entry.key).second)
                << "key " << entry.key << " repeated in [" << section.name << "] at line " << entry.line;
        }
    }
    EXPECT_NE(English().find("STRING"), nullptr);
}

TEST(EnglishFile, ValuesComeThroughTheLookUpUnchanged)
{
    for (const IniSection& section : English().sections) {
        for (const auto& entry : section.entries) {
            const std::string where = "[" + section.name + "] " + entry.key + " (line " +
                                      std::to_string(entry.line) + ")";
            EXPECT_EQ(entry.key.find_first_of(" \t"), std::string::npos) << where << ": blank in key";
            if (entry.value.empty())
                continue;
            // Nothing is trimmed: a blank at either end would show on screen.
            EXPECT_NE(entry.value.front(), ' ') << where;
            EXPECT_NE(entry.value.back(), ' ') << where;
            // A "<" with a ">" later (and something between) cuts the text.
            const size_t open = entry.value.rfind('<');
            const size_t close = entry.value.rfind('>');
            EXPECT_FALSE(open != std::string::npos && close != std::string::npos && close > open + 1)
                << where << ": \"" << entry.value << "\" would be cut by the length suffix rule";
            // Only "\n" and "\t" are escapes; any other backslash is a typo.
            for (size_t i = entry.value.find('\\'); i != std::string::npos; i = entry.value.find('\\', i + 2)) {
                EXPECT_TRUE(i + 1 < entry.value.size() && (entry.value[i + 1] == 'n' || entry.value[i + 1] == 't'))
                    << where << ": stray backslash";
            }
        }
    }
}

TEST(EnglishFile, FormatTextsKeepTheirPlaceholdersInOrder)
{
    // The conversions each caller passes, in its argument order.
    const std::map<std::string, std::string> formats{
        {"IDS_STR_INPUTAREA", "dd"},  // lower and upper limit
        {"IDS_STR_PAGE", "d"},        // number of pages
        {"IDS_STR_TOTALITM", "d"},    // number of cases
        {"IDS_STR_DELETED", "s"},     // case number
        {"IDS_STR_SAVETIP", "s"},     // file name
        {"IDS_STR_REPLACE_CFM", "s"}, // archive name
        {"IDS_STR_CASEMSG", "sss"},   // name, gender, age
        {"IDS_STR_DATE", "ddd"},      // year, month, day
        {"IDS_STR_SPOTIME", "d"},     // SpO2 level
        {"IDS_STR_EVENTLV", "d"},     // SpO2 level
    };
    for (const auto& [key, expected] : formats)
        EXPECT_EQ(Conversions(Value("STRING", key), true), expected) << key << "=" << Value("STRING", key);

    // Every other text is shown as it stands: a placeholder there is a fault.
    for (const IniSection& section : English().sections) {
        for (const auto& entry : section.entries) {
            if (section.name == "STRING" && formats.count(entry.key))
                continue;
            EXPECT_EQ(Conversions(entry.value, false), "")
                << "[" << section.name << "] " << entry.key << "=" << entry.value;
        }
    }
}

TEST(EnglishFile, DialogSectionsNumberEveryControl)
{
    const std::set<std::string> dialogs{
        "IDD_CASE_INFO", "IDD_CASEMANAGE", "IDD_DLG_CASEDISPLACE", "IDD_DLG_DOWNLOAD",
        "IDD_DLG_WAVEBACK", "IDD_SETTING_SYSTEM", "IDD_SETTING_HOSPITAL", "IDD_SETTING_PHYSICIAN",
        "IDD_SETTING_SAMPLE", "IDD_SETTING_ANALYSIS", "IDD_SETTING_ALARM", "IDD_SETTING_INTERFACE",
        "IDD_SETTING_PRINT"};
    for (const std::string& name : dialogs)
        EXPECT_NE(English().find(name), nullptr) << "no section [" << name << "]";

    for (const IniSection& section : English().sections) {
        if (section.name.rfind("IDD_", 0) != 0)
            continue;
        EXPECT_TRUE(dialogs.count(section.name)) << "section [" << section.name << "] is no dialog of the program";
        ASSERT_FALSE(section.entries.empty()) << section.name;
        EXPECT_EQ(section.entries.front().key, "CAPTION") << section.name;
        EXPECT_FALSE(section.entries.front().value.empty()) << section.name;
        for (size_t n = 1; n < section.entries.size(); ++n)
            EXPECT_EQ(section.entries[n].key, "IDC" + std::to_string(n - 1)) << "[" << section.name << "] line "
                                                                             << section.entries[n].line;
    }

    // Dialogs whose control order is fixed: the count and some landmarks, so a
    // lost or doubled line (which shifts every later text) is caught.
    const std::map<std::string, size_t> controls{{"IDD_CASEMANAGE", 45}, {"IDD_DLG_WAVEBACK", 56},
                                                 {"IDD_CASE_INFO", 24}, {"IDD_DLG_DOWNLOAD", 12},
                                                 {"IDD_DLG_CASEDISPLACE", 5}};
    for (const auto& [name, count] : controls)
        EXPECT_EQ(Section(name).entries.size(), count + 1) << name;
    const std::map<std::pair<std::string, std::string>, std::string> landmarks{
        {{"IDD_CASEMANAGE", "IDC16"}, "Query"},         {{"IDD_CASEMANAGE", "IDC31"}, ">|"},
        {{"IDD_CASEMANAGE", "IDC40"}, "ECG&&SpO2"},     {{"IDD_CASEMANAGE", "IDC44"}, "All"},
        {{"IDD_DLG_WAVEBACK", "IDC23"}, "Search"},      {{"IDD_DLG_WAVEBACK", "IDC44"}, "&Save"},
        {{"IDD_DLG_WAVEBACK", "IDC52"}, "Stop"},        {{"IDD_DLG_WAVEBACK", "IDC55"}, "SPO2 Result"},
        {{"IDD_CASE_INFO", "IDC10"}, "OK"},             {{"IDD_CASE_INFO", "IDC23"}, "Remark:"},
        {{"IDD_DLG_DOWNLOAD", "IDC7"}, "Down&load"},    {{"IDD_DLG_CASEDISPLACE", "IDC4"}, "&Same Operation"}};
    for (const auto& [where, text] : landmarks)
        EXPECT_EQ(Value(where.first, where.second), text) << where.first << " " << where.second;
}

TEST(EnglishFile, ColumnChooserMenuMatchesTheColumnTitles)
{
    const IniSection& menu = Section("IDR_LIST_SEL_COLUMN");
    ASSERT_EQ(menu.entries.size(), 13u);
    EXPECT_EQ(menu.entries[0].key, "IDM0");
    const char* titles[] = {"IDS_STR_SN",     "IDS_STR_CASENO", "IDS_STR_NAME",      "IDS_STR_SEX",
                            "IDS_STR_AGE",    "IDS_STR_WEIGHT", "IDS_STR_HEIGHT",    "IDS_STR_TEL",
                            "IDS_STR_ADDR",   "IDS_STR_PHYNAME", "IDS_STR_CHECKDATA", "IDS_STR_REMARK"};
    for (int column = 0; column < 12; ++column) {
        const std::string key = "IDM-0" + std::to_string(column);
        EXPECT_EQ(menu.entries[size_t(column) + 1].key, key);
        EXPECT_EQ(Value("IDR_LIST_SEL_COLUMN", key), Value("STRING", titles[column])) << key;
    }
}

TEST(EnglishFile, HelpTitleNamesTheShippedSelfContainedGuide)
{
    const std::string title = Value("STRING", "IDS_HELP_TITLE");
    ASSERT_GT(title.size(), 1u);
    EXPECT_EQ(title.front(), '/') << "the program appends the title to the start folder";
    const std::filesystem::path guide = ResourcesDir() / "home" / title.substr(1);
    ASSERT_TRUE(std::filesystem::is_regular_file(guide)) << guide;

    std::string html = ReadText(guide);
    for (char& c : html)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(html.find("<title>"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
    for (const char* outside : {"<script", "http:", "https:", "src=", "@import", "url("})
        EXPECT_EQ(html.find(outside), std::string::npos) << "the guide reaches outside itself: " << outside;
    // Links stay inside the page and land on an existing anchor.
    for (size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 6)) {
        const size_t end = html.find('"', at + 6);
        const std::string target = html.substr(at + 6, end - at - 6);
        ASSERT_FALSE(target.empty());
        EXPECT_EQ(target.front(), '#') << target;
        EXPECT_NE(html.find("id=\"" + target.substr(1) + "\""), std::string::npos) << target;
    }
}
