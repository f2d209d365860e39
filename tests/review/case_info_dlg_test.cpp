#include "review/case_info_dlg.h"
#include "settings/system_settings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The widget that takes the keys of an entry field.
QWidget* Input(QWidget* field)
{
    auto* combo = qobject_cast<QComboBox*>(field);
    return combo ? combo->lineEdit() : field;
}

// Types the text key by key (keyClicks takes ASCII only).
void Type(QWidget* field, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Text and caret of an entry field, whatever its kind.
std::pair<QString, int> State(QWidget* field)
{
    field = Input(field);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        return {edit->text(), edit->cursorPosition()};
    auto* multi = qobject_cast<QPlainTextEdit*>(field);
    return {multi->toPlainText(), multi->textCursor().position()};
}

TEST(CaseInfoDialog, FieldsRefuseKeystrokesBeyondTheirLimits)
{
    // Typed key by key, so each field takes every length below its limit and
    // the limit itself before the keystroke above it is refused.
    const struct {
        const char* field;
        QString typed;
        QString kept; // the caret ends behind it
    } cases[] = {
        {"name", QString(49, u'é'), QString(48, u'é')},
        {"age", "1a234", "123"},
        {"height", "1000", "100"},
        {"weight", "7x0-", "70"},
        {"telephone", "(030)-12 34" + QString(21, u'9'), "(030)-1234" + QString(20, u'9')},
        {"caseNo", QString(19, u'k'), QString(18, u'k')},
        {"physician", QString(49, u'p'), QString(48, u'p')},
        {"address", QString(127, u'a'), QString(126, u'a')},
        {"remark", QString(127, u'r'), QString(126, u'r')},
    };
    for (const auto& c : cases) {
        CCaseInfoDlg dialog(nullptr);
        dialog.show();
        QWidget* field = dialog.findChild<QWidget*>(c.field);
        Type(Input(field), c.typed);
        EXPECT_EQ(State(field), std::pair(c.kept, int(c.kept.size()))) << c.field << " typed " << c.typed.size();
    }
}

TEST(CaseInfoDialog, NewCaseAndModify)
{
    g_Settings.PhysicianName = {"Young", "", "adams", "Baker", "", "", "", "", "", "Xu", "Eleventh"};
    const QDateTime made = QDateTime::currentDateTime();
    CCaseInfoDlg empty(nullptr, true);
    EXPECT_EQ(empty.windowTitle(), "Please input case information");
    auto* physician = empty.findChild<QComboBox*>("physician");
    EXPECT_EQ(physician->count(), 4);
    EXPECT_EQ(physician->itemText(0) + physician->itemText(1) + physician->itemText(2) + physician->itemText(3),
              "adamsBakerXuYoung");

    // OK with every field empty: an empty male record, sampled when the dialog was made.
    empty.findChild<QPushButton*>("okButton")->click();
    db::CaseRecord expected;
    expected.SampleTime = empty.Record().SampleTime;
    EXPECT_EQ(empty.Record(), expected);
    EXPECT_LE(std::abs(QDateTime(made.date(), made.time(), Qt::UTC).secsTo(expected.SampleTime.ToDateTime())), 1);

    // Typed entries go into the new case's record; Modify shows them and gives them back.
    CCaseInfoDlg typed(nullptr, true);
    typed.show();
    for (auto [field, text] : {std::pair{"name", "Ann"}, {"age", "61"}, {"weight", "65"}, {"telephone", "(01)-23"},
                               {"address", "Main St. 1"}, {"physician", "Baker"}, {"remark", "checked"}})
        Type(Input(typed.findChild<QWidget*>(field)), text);
    typed.findChild<QComboBox*>("sex")->setCurrentIndex(1);
    typed.findChild<QPushButton*>("okButton")->click();
    review::CaseInfoFields fields{"Ann", "61", "", "", "checked", "Baker", "(01)-23", "65", "Main St. 1", 1, 0};
    EXPECT_EQ(typed.Fields(), fields);
    EXPECT_EQ(review::CaseInfoOf(typed.Record()), fields);
    fields.sampleType = 2;
    CCaseInfoDlg modify(nullptr);
    modify.SetFields(fields);
    modify.findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(modify.Fields(), fields);
}

} // namespace
