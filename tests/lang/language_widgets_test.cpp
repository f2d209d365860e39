#include "lang/language.h"

#include "language_file.h"

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
#include <gtest/gtest.h>

using langtest::WriteLanguageFile;

namespace {

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
