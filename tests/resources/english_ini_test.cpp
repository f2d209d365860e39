// Checks the shipped English language file against the rules of the
// program's look-up (a text that breaks them is silently lost or cut) and
// against the keys the program's code looks up.

#include "temp_dir.h"
#include "test_data.h"

#include <QByteArray>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

const std::filesystem::path kResources = testsupport::SourceDir() / "resources";

const std::string& EnglishText()
{
    static const std::string text = testsupport::ReadRequiredText(kResources / "Language/English.ini");
    return text;
}

// The file read the plain way: sections of "key=value" entries in file order
// with their line numbers. Lines that are blank or do not start with a letter
// or "[" are comments, as for the program's look-up; any other line that is no
// section header or entry is a problem ("line N: ...").
struct Entry {
    std::string key;
    std::string value;
    int line = 0;
};
struct Section {
    std::string name;
    int line = 0;
    std::vector<Entry> entries;
};
struct Ini {
    std::vector<Section> sections;
    std::vector<std::string> problems;
};

const Ini& English()
{
    static const Ini ini = [] {
        Ini file;
        std::istringstream in(EnglishText());
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            const std::string where = "line " + std::to_string(++number) + ": ";
            line.erase(0, std::min(line.find_first_not_of(" \t"), line.size()));
            const size_t equals = line.find('=');
            if (line.empty() || (line[0] != '[' && !std::isalpha(static_cast<unsigned char>(line[0]))))
                continue;
            if (line[0] == '[' && (line.size() < 3 || line.back() != ']'))
                file.problems.push_back(where + "broken section header");
            else if (line[0] == '[')
                file.sections.push_back({line.substr(1, line.size() - 2), number, {}});
            else if (equals == std::string::npos)
                file.problems.push_back(where + "entry without \"=\"");
            else if (file.sections.empty())
                file.problems.push_back(where + "entry before the first section");
            else
                file.sections.back().entries.push_back(
                    {line.substr(0, line.find_last_not_of(" \t", equals - 1) + 1), line.substr(equals + 1), number});
        }
        return file;
    }();
    return ini;
}

std::string Where(const Section& section, const Entry& entry)
{
    return "[" + section.name + "] " + entry.key + ", line " + std::to_string(entry.line);
}

const Section* FindSection(std::string_view name)
{
    for (const Section& section : English().sections)
        if (section.name == name)
            return &section;
    return nullptr;
}

std::string Value(std::string_view section, std::string_view key)
{
    if (const Section* found = FindSection(section))
        for (const Entry& entry : found->entries)
            if (entry.key == key)
                return entry.value;
    return "<missing>";
}

// The printf conversions of `text` in order ("d", "s", ...); "%%" is a plain
// percent sign. A "%" that starts no conversion is kept as "?" when `strict`.
std::string Conversions(const std::string& text, bool strict)
{
    static const std::regex percent("%(%|[-+ #0]*[0-9.]*[hlLqjzt]*([diouxXeEfFgGaAcspn])?)");
    std::string result;
    for (std::sregex_iterator it(text.begin(), text.end(), percent), last; it != last; ++it) {
        if ((*it)[2].matched)
            result += (*it)[2].str();
        else if (strict && (*it)[1] != "%")
            result += '?';
    }
    return result;
}

// Every key matching `keyPattern` that a .cpp or .h file below `root` writes
// as a string literal of its own, mapped to the first file that holds it. The
// quotes are not paired up over the file, so a stray quote cannot hide a key.
std::map<std::string, std::filesystem::path> FindQuotedKeys(const std::filesystem::path& root,
                                                            const std::string& keyPattern)
{
    std::map<std::string, std::filesystem::path> found;
    const std::regex quoted("\"(" + keyPattern + ")\"");
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        const std::string extension = item.path().extension().string();
        if (!item.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        const std::string text = testsupport::ReadRequiredText(item.path());
        for (std::sregex_iterator it(text.begin(), text.end(), quoted), last; it != last; ++it)
            found.emplace((*it)[1].str(), item.path());
    }
    return found;
}

const char kTextKey[] = "IDS_[A-Z0-9_]*[A-Z0-9]";
const char kDialogKey[] = "IDD_[A-Z_]*[A-Z]";

} // namespace

TEST(EnglishFile, IsCleanUtf8WithUniqueSections)
{
    const std::string& text = EnglishText();
    ASSERT_FALSE(text.empty()) << "English.ini is missing or empty";
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(QByteArray::fromRawData(text.data(), qsizetype(text.size())));
    EXPECT_FALSE(utf8.hasError()) << "English.ini is not valid UTF-8";
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF") << "a byte order mark would hide the first line";
    for (size_t i = 0; i < text.size(); ++i)
        EXPECT_TRUE(static_cast<unsigned char>(text[i]) >= 0x20 || text[i] == '\n') << "control character, byte " << i;
    EXPECT_EQ(text.back(), '\n');

    EXPECT_TRUE(English().problems.empty()) << English().problems.front();
    std::set<std::string> names;
    for (const Section& section : English().sections)
        EXPECT_TRUE(names.insert(section.name).second) << section.name << " again, line " << section.line;
    EXPECT_TRUE(names.count("STRING"));
}

TEST(EnglishFile, EveryTextComesThroughTheLookUpUnchanged)
{
    // The printf conversions each caller passes, in its argument order; every
    // other text is shown as it stands, so a conversion there is a fault.
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
        {"IDS_STR_LENDIFF", "dd"},    // ECG and SpO2 seconds
        {"IDS_STR_ANAFAIL", "s"},     // the file's error
        {"IDS_STR_NOCASE", "s"},      // case number
    };
    for (const auto& [key, conversions] : formats)
        EXPECT_NE(Value("STRING", key), "<missing>") << key;
    // Only "\n" and "\t" are escapes; any other backslash is a typo.
    const std::regex strayBackslash(R"(\\([^nt]|$))");
    for (const Section& section : English().sections) {
        std::set<std::string> keys;
        for (const Entry& entry : section.entries) {
            const std::string where = Where(section, entry);
            const std::string& value = entry.value;
            EXPECT_TRUE(keys.insert(entry.key).second) << where << ": key repeated";
            EXPECT_EQ(entry.key.find_first_of(" \t"), std::string::npos) << where << ": blank in key";
            // Nothing is trimmed: a blank at either end would show on screen.
            EXPECT_FALSE(!value.empty() && (value.front() == ' ' || value.back() == ' ')) << where;
            // A "<" with a ">" later (and something between) cuts the text.
            const size_t open = value.rfind('<');
            const size_t close = value.rfind('>');
            EXPECT_FALSE(open != std::string::npos && close != std::string::npos && close > open + 1)
                << where << ": \"" << value << "\" would be cut by the length suffix rule";
            EXPECT_FALSE(std::regex_search(value, strayBackslash)) << where << ": stray backslash";
            const auto format = section.name == "STRING" ? formats.find(entry.key) : formats.end();
            const bool isFormat = format != formats.end();
            EXPECT_EQ(Conversions(value, isFormat), isFormat ? format->second : "") << where << ": " << value;
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
    std::set<std::string> found;
    for (const Section& section : English().sections) {
        if (section.name.rfind("IDD_", 0) != 0)
            continue;
        found.insert(section.name);
        ASSERT_FALSE(section.entries.empty()) << section.name;
        EXPECT_EQ(section.entries.front().key, "CAPTION") << section.name;
        EXPECT_FALSE(section.entries.front().value.empty()) << section.name;
        for (size_t n = 1; n < section.entries.size(); ++n)
            EXPECT_EQ(section.entries[n].key, "IDC" + std::to_string(n - 1)) << Where(section, section.entries[n]);
    }
    EXPECT_EQ(found, dialogs) << "one section per dialog of the program, and no other";

    // Dialogs whose control order is fixed: the count and some landmarks, so a
    // lost or doubled line (which shifts every later text) is caught.
    const std::map<std::string, size_t> controls{{"IDD_CASEMANAGE", 45}, {"IDD_DLG_WAVEBACK", 56},
                                                 {"IDD_CASE_INFO", 24},  {"IDD_DLG_DOWNLOAD", 12},
                                                 {"IDD_DLG_CASEDISPLACE", 5}};
    for (const auto& [name, count] : controls)
        EXPECT_EQ(FindSection(name)->entries.size(), count + 1) << name;
    const std::tuple<const char*, const char*, const char*> landmarks[] = {
        {"IDD_CASEMANAGE", "IDC16", "Query"},         {"IDD_CASEMANAGE", "IDC31", ">|"},
        {"IDD_CASEMANAGE", "IDC40", "ECG&&SpO2"},     {"IDD_CASEMANAGE", "IDC44", "All"},
        {"IDD_DLG_WAVEBACK", "IDC23", "Search"},      {"IDD_DLG_WAVEBACK", "IDC44", "&Save"},
        {"IDD_DLG_WAVEBACK", "IDC52", "Stop"},        {"IDD_DLG_WAVEBACK", "IDC55", "SPO2 Result"},
        {"IDD_CASE_INFO", "IDC10", "OK"},             {"IDD_CASE_INFO", "IDC23", "Remark:"},
        {"IDD_DLG_DOWNLOAD", "IDC7", "Down&load"},    {"IDD_DLG_CASEDISPLACE", "IDC4", "&Same Operation"}};
    for (const auto& [section, key, text] : landmarks)
        EXPECT_EQ(Value(section, key), text) << section << " " << key;
}

TEST(EnglishFile, ColumnChooserMenuMatchesTheColumnTitles)
{
    const Section* menu = FindSection("IDR_LIST_SEL_COLUMN");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->entries.size(), 13u);
    EXPECT_EQ(menu->entries[0].key, "IDM0");
    const char* titles[] = {"IDS_STR_SN",   "IDS_STR_CASENO",  "IDS_STR_NAME",      "IDS_STR_SEX",
                            "IDS_STR_AGE",  "IDS_STR_WEIGHT",  "IDS_STR_HEIGHT",    "IDS_STR_TEL",
                            "IDS_STR_ADDR", "IDS_STR_PHYNAME", "IDS_STR_CHECKDATA", "IDS_STR_REMARK"};
    for (size_t column = 0; column < std::size(titles); ++column) {
        EXPECT_EQ(menu->entries[column + 1].key, "IDM-0" + std::to_string(column));
        EXPECT_EQ(menu->entries[column + 1].value, Value("STRING", titles[column])) << column;
    }
}

TEST(EnglishFile, HelpTitleNamesTheShippedSelfContainedGuide)
{
    const std::string title = Value("STRING", "IDS_HELP_TITLE");
    ASSERT_EQ(title.substr(0, 1), "/") << "the program appends the title to the start folder";
    std::string html = testsupport::ReadRequiredText(kResources / "home" / title.substr(1));
    std::transform(html.begin(), html.end(), html.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(html.find("<title>"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
    for (const char* outside : {"<script", "http:", "https:", "src=", "@import", "url("})
        EXPECT_EQ(html.find(outside), std::string::npos) << "the guide reaches outside itself: " << outside;
    // Links stay inside the page and land on an existing anchor.
    static const std::regex link("href=\"([^\"]*)\"");
    for (std::sregex_iterator it(html.begin(), html.end(), link), last; it != last; ++it) {
        const std::string target = (*it)[1];
        EXPECT_TRUE(target.starts_with('#') && html.find("id=\"" + target.substr(1) + "\"") != std::string::npos)
            << target;
    }
}

TEST(SourceKeys, EveryKeyTheCodeLooksUpIsInTheEnglishFile)
{
    std::set<std::string> scanned;
    for (const char* folder : {"src", "tools"}) {
        const std::filesystem::path root = testsupport::SourceDir() / folder;
        for (const auto& [key, file] : FindQuotedKeys(root, kTextKey)) {
            EXPECT_NE(Value("STRING", key), "<missing>") << key << " (used in " << file << ") is not in [STRING]";
            scanned.insert(key);
        }
        for (const auto& [key, file] : FindQuotedKeys(root, kDialogKey)) {
            EXPECT_NE(FindSection(key), nullptr) << "no section [" << key << "] (used in " << file << ")";
            scanned.insert(key);
        }
    }
    // Keys the main window is known to look up: the scan reaches the sources.
    for (const char* known : {"IDS_STR_110", "IDS_TXT_009", "IDS_HELP_TITLE", "IDD_SETTING_SYSTEM"})
        EXPECT_TRUE(scanned.count(known)) << known << " was not found in the sources";
}
