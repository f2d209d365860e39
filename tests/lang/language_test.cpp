#include "lang/language.h"

#include "language_files.h"

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
void Write(const std::string& name, const std::string& bytes)
{
    testsupport::WriteLanguageFile(std::filesystem::current_path(), name, bytes);
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

    std::vector<QString> Texts() const
    {
        return {dialog.windowTitle(), item->text(),          items->currentText(), group->title(),
                on->text(),           name->text(),          physician->currentText(),
                remark->toPlainText(), ok->text(),           cancel->text()};
    }
};

} // namespace

TEST(LanguageLookup, LinesSectionsKeysAndLengthSuffixes)
{
    // Each row: a line of the file (nullptr: none), then a look-up of `key`
    // in `section` (nullptr: none), the value it gives and the line index it
    // returns. The look-ups run once the whole file is loaded.
    constexpr int kAny = -99; // the index is not checked
    const struct {
        const char* line;
        const char* section;
        const char* key = nullptr;
        const char* value = nullptr;
        int index = kAny;
    } rows[] = {
        {"; comment before any section", "STRING]", "x", "", -1},
        {"[STRING]\r", nullptr},
        {"IDS_BLANK= word", "STRING", "IDS_BLANK", " word", 2},
        {"IDS_TRAIL=word  ", "STRING", "IDS_TRAIL", "word  "},
        {"   IDS_INDENT=indented", "STRING", "IDS_INDENT", "indented", 4},
        {"IDS_SPACED   =  spaced", "STRING", "IDS_SPACED", "  spaced"},
        {"1IDS_DIGIT=skipped", "STRING", "IDS_DIGIT", "", -2},
        {nullptr, "STRING", "1IDS_DIGIT", "", -2},
        {"#IDS_HASH=skipped", "STRING", "#IDS_HASH", ""},
        {"_IDS_UNDER=skipped", "STRING", "_IDS_UNDER", ""},
        {"IDS_TXT_01=short key", "STRING", "IDS_TXT_01", "short key"},
        {"IDS_TXT_010=long key", "STRING", "IDS_TXT_010", "long key", 10},
        {nullptr, "STRING", "IDS_TXT_0", "", -2},
        {"IDS_EQ=a=b", "STRING", "IDS_EQ", "a=b"},
        {"ids_case=lower", "STRING", "IDS_CASE", ""},
        {"IDS_NOEQUALS", "STRING", "IDS_NOEQUALS", ""},
        {"IDS_EMPTY=", "STRING", "IDS_EMPTY", "", 14},
        {"IDS_TWICE=first", "STRING", "IDS_TWICE", "first", 15},
        {"IDS_TWICE=second", nullptr},
        {"IDS_ESC=one\\ttwo\\nthree\r", "STRING", "IDS_ESC", "one\ttwo\nthree", 17},
        {"IDS_CR=lone\rcarriage", "STRING", "IDS_CR", "lone\rcarriage", 18}, // a lone CR ends no line
        {"IDS_BACK=back\\\\nslash", "STRING", "IDS_BACK", "back\\\nslash", 19},
        {"IDS_UTF8=Überweisung", "STRING", "IDS_UTF8", "Überweisung", 20},
        {"\t[IDD_SETTING_ALARM] trailing text", "idd_setting_alarm", "CAPTION", "", -1},
        {"CAPTION=Alarm", "IDD_SETTING_ALARM", "CAPTION", "Alarm", 22},
        {"[IDD_OTHER]", "NOWHERE", "CAPTION", "", -1},
        {"IDC0=other", "IDD_OTHER", "IDC1", "", -2},
        // A trailing "<N>" cuts the value to N characters.
        {"[SUFFIX]", nullptr},
        {"CUT=Abcdefghijkl<7>", "SUFFIX", "CUT", "Abcdefg"},
        {"SHORT=Abc<7>", "SUFFIX", "SHORT", "Abc"},
        {"AFTER=Abcdefghijkl<3>tail", "SUFFIX", "AFTER", "Abc"},
        {"ADJACENT=Keep <> this", "SUFFIX", "ADJACENT", "Keep <> this"},
        {"REVERSED=Keep > this <", "SUFFIX", "REVERSED", "Keep > this <"},
        {"ZERO=Gone<0>", "SUFFIX", "ZERO", ""},
        {"WORD=Gone<abc>", "SUFFIX", "WORD", ""},
        {"NEGATIVE=Gone<-3>", "SUFFIX", "NEGATIVE", ""},
        {"DIGITS=Abcdef<2x>", "SUFFIX", "DIGITS", "Ab"},
        {"BLANKS=Abcdef< 4>", "SUFFIX", "BLANKS", "Abcd"},
        {"HUGE=Abc<99999999999999999999>", "SUFFIX", "HUGE", "Abc"},
        {"LAST=a<1>b<2>", "SUFFIX", "LAST", "a<"},
        {"OPEN_LAST=Abc<2>x<", "SUFFIX", "OPEN_LAST", "Abc<2>x<"},
        {"UTF8=Ärzte<2>", "SUFFIX", "UTF8", "Är", 39}, // characters, not bytes
        // Only the first STRING section is searched; the last section runs to the end.
        {"[STRING]", "STRING", "IDS_LATE", "", -2},
        {"IDS_LATE=in the second STRING section", nullptr},
        {"[IDD_SETTING_ALARMS]", "IDD_SETTING_ALARMS", "IDC0", "", -1},
        {"CAPTION=plural", "IDD_SETTING_ALARMS", "CAPTION", "plural"},
        {"NO_END=last line without end", "IDD_SETTING_ALARMS", "NO_END", "last line without end", 44},
    };
    std::string file;
    for (const auto& row : rows)
        if (row.line)
            file.append(row.line).append("\n");
    file.pop_back(); // the last line has no line end
    Write("Rules", file);
    CLanguage language;
    ASSERT_EQ(language.LoadLanguage("Rules"), 45);
    for (const auto& row : rows) {
        if (!row.section)
            continue;
        int index = 0;
        EXPECT_EQ(Value(language, row.section, row.key, &index), row.value) << row.section << " " << row.key;
        if (row.index != kAny) {
            EXPECT_EQ(index, row.index) << row.section << " " << row.key;
        }
    }
    EXPECT_EQ(language.GetString("IDS_UTF8"), QString::fromUtf8("Überweisung"));
}

TEST(LanguageLookup, EmptyGarbageAndHugeFilesAreHandled)
{
    CLanguage language;
    Write("Empty", "");
    EXPECT_EQ(language.LoadLanguage("Empty"), 0);
    int line = 0;
    EXPECT_EQ(Value(language, "STRING", "IDS_A", &line), "");
    EXPECT_EQ(line, -1);

    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += static_cast<char>((i * 131 + 7) % 256);
    bytes += "\n[STRING]\nIDS_NUL=before" + std::string(1, '\0') + "after\n";
    bytes += "IDS_LONG=" + std::string(1 << 20, 'x') + "\n";
    bytes += "IDS_BACKSLASH=\\";
    Write("Garbage", bytes);
    ASSERT_GT(language.LoadLanguage("Garbage"), 3);
    EXPECT_EQ(Value(language, "STRING", "IDS_NUL"), std::string("before\0after", 12));
    EXPECT_EQ(Value(language, "STRING", "IDS_LONG").size(), std::size_t{1} << 20);
    EXPECT_EQ(Value(language, "STRING", "IDS_BACKSLASH"), "\\");
    EXPECT_EQ(Value(language, "STRING", "IDS_MISSING"), "");
}

TEST(LanguageFile, MissingFileGivesEmptyTextsAndOneLineOnStderr)
{
    Write("English", "[STRING]\nIDS_STR_WARNING=Warning\n");
    std::filesystem::create_directories("Language/Folder.ini");
    CLanguage language;
    // A name is no path: "../Language/English" must not reach English.ini.
    for (const char* name : {"Klingon", "Folder", "../Language/English"}) {
        ASSERT_EQ(language.LoadLanguage("English"), 2);
        testing::internal::CaptureStderr();
        EXPECT_EQ(language.LoadLanguage(name), 0) << name;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(language.GetString("IDS_STR_WARNING"), "") << name << ": the old lines are gone";
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find((CLanguage::LanguageFolder() + name + ".ini").toStdString()), std::string::npos) << err;
    }
}

TEST(LanguageFile, ListNamesTheIniFilesSortedByName)
{
    EXPECT_TRUE(CLanguage::GetLanguageList().isEmpty()) << "no folder, no languages";
    for (const char* name : {"English", "Deutsch", "pt.BR"})
        Write(name, "");
    std::filesystem::create_directories("Language/Folder.ini");
    std::ofstream("Language/readme.txt") << "x";
    std::ofstream("Language/Upper.INI") << "x";
    EXPECT_EQ(CLanguage::GetLanguageList(), (QStringList{"Deutsch", "English", "pt.BR"}));
}

TEST(LanguageWidgets, DialogControlsAndMenuItemsTakeTheirTextsByPosition)
{
    std::string file = "[IDD_SETTING_ALARM]\nCAPTION=Alarm Settings\nIDC0=Item name:\nIDC1=combo text\n"
                       "IDC2=Alarm switch\nIDC3=Switched on\nIDC4=999\nIDC5=Name field\nIDC6=Physician field\n"
                       "IDC7=Remark\\nsecond line\nIDC8=Accept<3>\nIDC9=box\nIDC11=beyond the last control\n"
                       "[IDR_LIST_SEL_COLUMN]\nIDM0=Columns\nIDM2=Reset\nIDM3=More\nIDM-30=Deeper\nIDM-3-00=Deepest\n";
    for (int i = 0; i < 12; ++i)
        file += "IDM-0" + std::to_string(i) + "=Column " + std::to_string(i) + "\n";
    Write("English", file);
    CLanguage language;
    ASSERT_GT(language.LoadLanguage("English"), 0);

    // Dialog controls in creation order, group box contents right after the box.
    AlarmDialog d;
    d.upper->setValue(42);
    language.SetDialogText(&d.dialog, "IDD_SETTING_ALARM");
    // A drop-down list keeps its items, a missing key empties the text.
    EXPECT_EQ(d.Texts(), (std::vector<QString>{"Alarm Settings", "Item name:", "HR", "Alarm switch", "Switched on",
                                               "Name field", "Physician field", "Remark\nsecond line", "Acc", ""}));
    EXPECT_EQ(d.items->count(), 3);
    EXPECT_EQ(d.physician->count(), 2);
    EXPECT_EQ(d.upper->value(), 42) << "a spin box counts but takes no text";
    EXPECT_EQ(d.box->button(QDialogButtonBox::Cancel)->text(), "Cancel") << "inner widgets never count";

    // Menu items by position, separators counted, sub-menus one level of "-" deeper.
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
    QStringList top;
    for (const QAction* action : menu.actions())
        top.append(action->text());
    EXPECT_EQ(top, (QStringList{"Columns", "", "Reset", "More", ""}));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(columns->actions()[0]->text(), "Column 0");
    EXPECT_EQ(columns->actions()[10]->text(), "Column 10") << "key IDM-010";
    EXPECT_EQ(columns->actions()[11]->text(), "Column 11");
    EXPECT_EQ(more->actions()[0]->text(), "Deeper");
    EXPECT_EQ(deeper->actions()[0]->text(), "Deepest");
    language.SetMenuText(nullptr, "IDR_LIST_SEL_COLUMN");

    // With no language loaded every text follows, down to empty.
    testing::internal::CaptureStderr();
    language.LoadLanguage("Missing");
    testing::internal::GetCapturedStderr();
    language.SetDialogText(&d.dialog, "IDD_SETTING_ALARM");
    EXPECT_EQ(d.Texts(), (std::vector<QString>{"", "", "HR", "", "", "", "", "", "", ""}));
    language.SetDialogText(nullptr, "IDD_SETTING_ALARM");
}
