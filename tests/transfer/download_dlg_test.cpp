// The download dialog and its worker: the list and its filters, the buttons,
// the questions and the progress. What an import does is the engine's part.
#include "import_home.h"
#include "lang/language.h"
#include "modal_script.h"
#include "shipped_english.h"
#include "transfer/card_reader.h"
#include "transfer/download_dlg.h"
#include "transfer/download_worker.h"
#include "transfer/progress_dlg.h"
#include "transfer/replace_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using archive::SampleType;
using testsupport::ImportHome;
using testsupport::ModalScript;
using testsupport::RecordingListener;

namespace {

QString Text(const char* key) { return g_Language.GetString(key); }

// Answers the replace question with a button and the Same Operation box.
ModalScript::Step AnswerReplace(const char* button, bool sameOperation, QString* text = nullptr,
                                std::function<void()> before = {})
{
    return [=](QWidget* modal) {
        ASSERT_NE(qobject_cast<CReplaceDlg*>(modal), nullptr);
        if (text)
            *text = modal->findChild<QLabel*>("replaceText")->text();
        if (before)
            before();
        modal->findChild<QCheckBox*>("sameOperationCheck")->setChecked(sameOperation);
        modal->findChild<QPushButton*>(button)->click();
    };
}

class DownloadDialogTest : public testing::Test {
protected:
    void Open()
    {
        dialog = std::make_unique<CDownloadDlg>(nullptr, QString::fromStdString(home.home().string()));
        QStringList files;
        for (const auto& file : FindDeviceFiles(home.card()))
            files << QString::fromStdString(file.string());
        ASSERT_GT(dialog->LoadCard(files), 0);
        dialog->show();
        list = Child<QTableWidget>("archiveList");
        counter = Child<QLabel>("counterText");
        download = Child<QPushButton>("downloadButton");
    }

    template <typename T>
    T* Child(const char* name) const
    {
        T* child = dialog->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Clicks the button and waits until the run it starts has ended.
    void Run(QPushButton* button)
    {
        QSignalSpy ended(dialog.get(), &CDownloadDlg::runEnded);
        button->click();
        ASSERT_TRUE(ended.wait(60000));
    }

    // The end message's text and the counter as it stood then.
    ModalScript::Step EndMessage(ModalScript& script, QString* text, QString* counterAtEnd)
    {
        return [=, this, &script](QWidget* modal) {
            *counterAtEnd = counter->text();
            script.Press(QMessageBox::Ok, text)(modal);
        };
    }

    QString Cell(int row, int column) const { return list->item(row, column)->text(); }

    ImportHome home;
    std::unique_ptr<CDownloadDlg> dialog;
    QTableWidget* list = nullptr;
    QLabel* counter = nullptr;
    QPushButton* download = nullptr;
};

} // namespace

TEST(ProgressDlg, FreeFunctionsReachTheOneOpenBox)
{
    ProgressSetText("nothing", "open"); // no box: nothing happens
    ProgressSetPos(50);
    ProgressClose();
    EXPECT_EQ(CProgressDlg::Current(), nullptr);

    QWidget owner;
    CProgressDlg* first = CProgressDlg::Open(&owner);
    QPointer<CProgressDlg> watch(first);
    ProgressSetText("Caption", "Working");
    ProgressSetPos(40);
    ProgressSetPos(101);
    ProgressSetPos(-1);
    EXPECT_EQ(first->windowTitle(), "Caption");
    EXPECT_EQ(first->text(), "Working");
    EXPECT_EQ(first->pos(), 40);

    CProgressDlg* second = CProgressDlg::Open(&owner); // the first one goes
    EXPECT_EQ(CProgressDlg::Current(), second);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    ProgressClose();
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
}

TEST(ReplaceDlg, ResultCarriesButtonAndSameOperation)
{
    ModalScript script;
    QString text;
    script.Then(AnswerReplace("noButton", true, &text));
    CReplaceDlg named(nullptr, "A000007");
    const int result = named.exec();
    EXPECT_EQ(text, "The recording A000007 is already in the case database.\nReplace the stored case with this copy?");
    EXPECT_EQ(CReplaceDlg::ButtonOf(result), CReplaceDlg::kNo);
    EXPECT_TRUE(CReplaceDlg::SameOperationOf(result));

    script.Then([&](QWidget* modal) {
        text = modal->findChild<QLabel*>("replaceText")->text();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    CReplaceDlg unnamed(nullptr, QString());
    EXPECT_EQ(unnamed.exec(), CReplaceDlg::kCancel);
    EXPECT_TRUE(text.startsWith("The recording unkown is")) << text.toStdString();
}

TEST_F(DownloadDialogTest, ListsFiltersAndDownloadsNewCases)
{
    home.AddArchives("B", 2, SampleType::EcgAndSpO2, {2026, 6, 1, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 6, 2, 8, 0, 0});
    Open();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(QStringList({Cell(0, 0), Cell(0, 1), Cell(0, 2), Cell(0, 3)}),
              QStringList({"B000001", "2026-06-01 08:00:00", "ECG and SpO2", "No"}));
    EXPECT_EQ(counter->text(), "0/3");
    EXPECT_TRUE(Child<QCheckBox>("allCheck")->isChecked());
    EXPECT_EQ(Child<QPushButton>("exitButton")->text(), "&Exit");
    for (int column = 0; column < list->columnCount(); ++column) {
        const QFontMetrics metrics(list->font());
        const int textWidth = std::max(metrics.horizontalAdvance(list->horizontalHeaderItem(column)->text()),
                                       metrics.horizontalAdvance(Cell(0, column)));
        EXPECT_GT(list->columnWidth(column), textWidth) << "column " << column << " cuts its text";
    }

    auto* type = Child<QComboBox>("typeFilter");
    type->setCurrentIndex(0); // ECG: the combined archives do not show
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(counter->text(), "0/0");
    type->setCurrentIndex(1);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), "S000001");
    type->setCurrentIndex(2);
    Child<QCheckBox>("allCheck")->setChecked(true);
    EXPECT_EQ(counter->text(), "0/3");

    // No to deleting afterwards: downloaded, and still on the card.
    auto* deleteAfter = Child<QCheckBox>("deleteAfterCheck");
    deleteAfter->setChecked(true);
    ModalScript script;
    QString done;
    QString counterAtEnd;
    script.Then(script.Press(QMessageBox::No));
    script.Then(EndMessage(script, &done, &counterAtEnd));
    Run(download);
    EXPECT_EQ(done, Text("IDS_STR_DEALDONE"));
    EXPECT_EQ(counterAtEnd, "3/3");
    EXPECT_EQ(dialog->runState(), 0);
    EXPECT_FALSE(deleteAfter->isChecked());
    EXPECT_EQ(FindDeviceFiles(home.card()).size(), 5u);
    home.ExpectEachArchiveOnce(3);
    EXPECT_EQ(Cell(0, 3), "Yes");
    EXPECT_EQ(counter->text(), "0/0");

    // The load filter now sorts them; Exit clears the scratch folder and tells the program.
    Child<QComboBox>("loadFilter")->setCurrentIndex(1);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(home.home() / "TempData" / "B000001.ECG"));
    QSignalSpy closed(dialog.get(), &CDownloadDlg::casesMayHaveChanged);
    Child<QPushButton>("exitButton")->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(std::filesystem::exists(home.home() / "TempData"));
}

TEST_F(DownloadDialogTest, StopDuringTheThirdOfFive)
{
    home.AddArchives("P", 5, SampleType::Ecg);
    // The third archive is in the table already: its question holds the worker there.
    RecordingListener quiet;
    home.Engine().Download({"P000003"}, ImportOptions{}, quiet);
    Open();
    EXPECT_EQ(Cell(2, 3), "Yes");

    ModalScript script;
    QString end;
    QString counterAtEnd;
    script.Then(AnswerReplace("yesButton", false, nullptr, [&] {
        EXPECT_EQ(download->text(), Text("IDS_STR_STOP"));
        download->click(); // Stop while the third one is under way
    }));
    script.Then(EndMessage(script, &end, &counterAtEnd));
    Run(download);
    EXPECT_EQ(end, Text("IDS_STR_DEALINTERMIT"));
    EXPECT_EQ(counterAtEnd, "3/5");
    EXPECT_EQ(home.Rows().size(), 3u); // the replaced row of P000003 and the two new ones
    EXPECT_EQ(download->text(), Text("IDS_STR_DLOAD"));
}

TEST_F(DownloadDialogTest, DeleteAfterDownloadAndDeleteAskFirst)
{
    home.AddArchives("D", 3, SampleType::EcgAndSpO2);
    RecordingListener quiet; // all three are in the table already, so the run asks
    home.Engine().Download({"D000001", "D000002", "D000003"}, ImportOptions{}, quiet);
    Open();
    Child<QCheckBox>("deleteAfterCheck")->setChecked(true);
    {   // Yes to deleting, and keep both; the scratch copy of D000002 vanishes before its turn.
        ModalScript script;
        QString problems;
        script.Then(script.Press(QMessageBox::Yes));
        script.Then(AnswerReplace("noButton", true, nullptr, [&] {
            std::filesystem::remove(home.home() / "TempData" / "D000002.SPO");
        }));
        script.Then(script.Press(QMessageBox::Ok, &problems));
        Run(download);
        EXPECT_TRUE(problems.startsWith(Text("IDS_STR_DEALDONE"))) << problems.toStdString();
        EXPECT_NE(problems.indexOf("D000002: "), -1) << problems.toStdString();
    }
    EXPECT_EQ(home.Rows().size(), 5u); // three, plus new cases for D000001 and D000003
    EXPECT_EQ(FindDeviceFiles(home.card()).size(), 2u);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), "D000002");

    // Delete from the card, confirmed.
    Child<QCheckBox>("allCheck")->setChecked(true);
    ModalScript script;
    script.Then(script.Press(QMessageBox::Yes));
    script.Then(script.Press(QMessageBox::Ok));
    Run(Child<QPushButton>("deleteButton"));
    EXPECT_EQ(FindDeviceFiles(home.card()).size(), 0u);
    EXPECT_EQ(list->rowCount(), 0);
}

TEST(DownloadWorker, GoingAwayAnswersAnOpenQuestionWithCancel)
{
    ImportHome home;
    home.AddArchives("Z", 2, SampleType::Ecg);
    ImportEngine engine = home.Engine();
    // Loaded once, so that the second run asks.
    RecordingListener quiet;
    ASSERT_EQ(engine.Download({"Z000001", "Z000002"}, ImportOptions{}, quiet).end, RunEnd::Completed);
    auto worker = std::make_unique<DownloadWorker>(engine);
    QSignalSpy asked(worker.get(), &DownloadWorker::replaceAsked);
    worker->StartDownload({"Z000001", "Z000002"}, ImportOptions{});
    ASSERT_TRUE(asked.count() > 0 || asked.wait(10000)); // emitted from the worker thread, maybe already
    EXPECT_EQ(asked.at(0).at(0).toString(), "Z000001");
    worker.reset(); // joins: the question counts as cancelled
    EXPECT_EQ(home.Rows().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(home.archiveRoot() / "0000004"));
}
