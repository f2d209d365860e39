#include "lang/language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// Writes Language/<name>.ini below the current folder, byte for byte.
void WriteLanguageFile(const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories("Language");
    std::ofstream(std::filesystem::path("Language") / (name + ".ini"), std::ios::binary | std::ios::trunc) << bytes;
}

std::string Value(const CLanguage& language, std::string_view section, std::string_view key, int* line = nullptr)
{
    std::string result = "stale";
    const int found = language.GetValue(section, key, result);
    if (line)
        *line = found;
    return result;
}

// A dialog built the way the program's dialogs are: controls created in
// template order, some inside a group box, laid out by layouts.
struct AlarmDialog {
    QDialog dialog;
    QDialog* child = new QDialog(&dialog);                           // a window: not counted
    QLabel* item = new QLabel("Item:", &dialog);                     // IDC0
    QComboBox* items = new QComboBox(&dialog);                       // IDC1
    QGroupBox* group = new QGroupBox("Switch", &dialog);             // IDC2
    QCheckBox* on = new QCheckBox("ON", group);                      // IDC3
    QSpinBox* upper = new QSpinBox(group);                           // IDC4
    QLineEdit* name = new QLineEdit("typed", &dialog);               // IDC5
    QComboBox* physician = new QComboBox(&dialog);                   // IDC6
    QPlainTextEdit* remark = new QPlainTextEdit("old", &dialog);     // IDC7
    QPushButton* ok = new QPushButton("OK", &dialog);                // IDC8
    QDialogButtonBox* box = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog); // IDC9
    QPushButton* cancel = new QPushButton("Cancel", &dialog);        // IDC10 (no key)

    AlarmDialog()
    {
        items->addItems({"HR", "Pulse", "SPO2"});
        physician->setEditable(true);
        physician->addItems({"Dr. A", "Dr. B"});
        auto* inner = new QVBoxLayout(group);
        inner->addWidget(on);
        inner->addWidget(upper);
        auto* outer = new QVBoxLayout(&dialog);
        for (QWidget* w : std::initializer_list<QWidget*>{item, items, group, name, physician, remark, ok, box, cancel})
            outer->addWidget(w);
        dialog.setSizeGripEnabled(true);
    }
};

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
    constexpr int kAny = -99;
    const struct {
        const char* section;
        const char* key;
        const char* value;
        int line;
    } cases[] = {
        {"STRING", "IDS_BLANK", " word", 2},          {"STRING", "IDS_TRAIL", "word  ", kAny},
        {"STRING", "IDS_INDENT", "indented", 4},      {"STRING", "IDS_SPACED", "  spaced", kAny},
        {"STRING", "IDS_DIGIT", "", -2},              {"STRING", "1IDS_DIGIT", "", -2},
        {"STRING", "#IDS_HASH", "", kAny},            {"STRING", "_IDS_UNDER", "", kAny},
        {"STRING", "IDS_TXT_01", "short key", kAny},  {"STRING", "IDS_TXT_010", "long key", 10},
        {"STRING", "IDS_TXT_0", "", -2},              {"STRING", "IDS_EQ", "a=b", kAny},
        {"STRING", "IDS_CASE", "", kAny},             {"STRING", "IDS_NOEQUALS", "", kAny},
        {"STRING", "IDS_EMPTY", "", 14},              {"STRING", "IDS_TWICE", "first", 15},
        {"IDD_SETTING_ALARM", "CAPTION", "Alarm", 18}, {"IDD_SETTING_ALARMS", "CAPTION", "plural", kAny},
        {"idd_setting_alarm", "CAPTION", "", -1},
        {"STRING", "IDS_LATE", "", -2},               // only the first STRING section is searched
        {"IDD_OTHER", "IDC1", "", -2},
        {"IDD_SETTING_ALARMS", "IDC0", "", -1},       // the last section runs to the end
        {"NOWHERE", "CAPTION", "", -1},               {"STRING]", "x", "", -1},
    };
    for (const auto& c : cases) {
        int line = 0;
        EXPECT_EQ(Value(language, c.section, c.key, &line), c.value) << c.section << " " << c.key;
        if (c.line != kAny) {
            EXPECT_EQ(line, c.line) << c.section << " " << c.key;
        }
    }
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
    const std::pair<const char*, const char*> cases[] = {
        {"IDS_CUT", "Abcdefg"},       {"IDS_SHORT", "Abc"},          {"IDS_AFTER", "Abc"},
        {"IDS_ADJACENT", "Keep <> this"}, {"IDS_REVERSED", "Keep > this <"}, {"IDS_ZERO", ""},
        {"IDS_WORD", ""},             {"IDS_NEGATIVE", ""},          {"IDS_DIGITS", "Ab"},
        {"IDS_BLANKS", "Abcd"},       {"IDS_HUGE", "Abc"},           {"IDS_LAST", "a<"},
        {"IDS_OPEN_LAST", "Abc<2>x<"}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(Value(language, "STRING", key), value) << key;
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
}

TEST(LanguageWidgets, DialogTextsGoToTheControlsInCreationOrder)
{
    WriteLanguageFile("English", "[IDD_SETTING_ALARM]\n"
                                 "CAPTION=Alarm Settings\n"
                                 "IDC0=Item name:\n"
                                 "IDC1=combo text\n"
                                 "IDC2=Alarm switch\n"
                                 "IDC3=Switched on\n"
                                 "IDC4=999\n"
                                 "IDC5=Name field\n"
                                 "IDC6=Physician field\n"
                                 "IDC7=Remark\\nsecond line\n"
                                 "IDC8=Accept<3>\n"
                                 "IDC9=box\n"
                                 "IDC11=beyond the last control\n");
    CLanguage language;
    ASSERT_GT(language.LoadLanguage("English"), 0);
    AlarmDialog d;
    d.upper->setValue(42);
    language.SetDialogText(&d.dialog, "IDD_SETTING_ALARM");

    EXPECT_EQ(d.dialog.windowTitle(), "Alarm Settings");
    EXPECT_EQ(d.item->text(), "Item name:");
    EXPECT_EQ(d.items->currentText(), "HR") << "a drop-down list keeps its items";
    EXPECT_EQ(d.items->count(), 3);
    EXPECT_EQ(d.group->title(), "Alarm switch");
    EXPECT_EQ(d.on->text(), "Switched on");
    EXPECT_EQ(d.upper->value(), 42) << "a spin box counts but takes no text";
    EXPECT_EQ(d.name->text(), "Name field");
    EXPECT_EQ(d.physician->currentText(), "Physician field");
    EXPECT_EQ(d.physician->count(), 2);
    EXPECT_EQ(d.remark->toPlainText(), "Remark\nsecond line");
    EXPECT_EQ(d.ok->text(), "Acc");
    EXPECT_EQ(d.cancel->text(), "") << "a missing key empties the text";
    EXPECT_EQ(d.box->button(QDialogButtonBox::Cancel)->text(), "Cancel") << "inner widgets never count";

    // Another language, and then none: every text follows, down to empty.
    std::filesystem::remove_all("Language");
    testing::internal::CaptureStderr();
    language.LoadLanguage("English");
    testing::internal::GetCapturedStderr();
    language.SetDialogText(&d.dialog, "IDD_SETTING_ALARM");
    EXPECT_EQ(d.dialog.windowTitle(), "");
    EXPECT_EQ(d.item->text(), "");
    EXPECT_EQ(d.group->title(), "");
    EXPECT_EQ(d.ok->text(), "");
    EXPECT_EQ(d.name->text(), "");
    language.SetDialogText(nullptr, "IDD_SETTING_ALARM");
}

TEST(LanguageWidgets, MenuItemsTakeTheirKeysByPosition)
{
    std::string file = "[IDR_LIST_SEL_COLUMN]\n"
                       "IDM0=Columns\n"
                       "IDM2=Reset\n"
                       "IDM3=More\n";
    for (int i = 0; i < 12; ++i)
        file += "IDM-0" + std::to_string(i) + "=Column " + std::to_string(i) + "\n";
    file += "IDM-30=Deeper\nIDM-3-00=Deepest\n";
    WriteLanguageFile("English", file);
    CLanguage language;
    ASSERT_GT(language.LoadLanguage("English"), 0);

    QMenu menu;
    QMenu* columns = menu.addMenu("c");
    for (int i = 0; i < 12; ++i)
        columns->addAction("x");
    QAction* separator = menu.addSeparator();
    menu.addAction("r");
    QMenu* more = menu.addMenu("m");
    QMenu* deeper = more->addMenu("d");
    deeper->addAction("y");
    menu.addAction("no key");

    language.SetMenuText(&menu, "IDR_LIST_SEL_COLUMN");
    const QList<QAction*> top = menu.actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0]->text(), "Columns");
    EXPECT_EQ(columns->actions()[0]->text(), "Column 0");
    EXPECT_EQ(columns->actions()[10]->text(), "Column 10") << "key IDM-010";
    EXPECT_EQ(columns->actions()[11]->text(), "Column 11");
    EXPECT_TRUE(separator->text().isEmpty());
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(top[2]->text(), "Reset");
    EXPECT_EQ(top[3]->text(), "More");
    EXPECT_EQ(more->actions()[0]->text(), "Deeper");
    EXPECT_EQ(deeper->actions()[0]->text(), "Deepest");
    EXPECT_EQ(top[4]->text(), "");
    language.SetMenuText(nullptr, "IDR_LIST_SEL_COLUMN");
}
