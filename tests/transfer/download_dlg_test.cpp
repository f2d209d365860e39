#include "import_fixture.h"
#include "lang/language.h"
#include "modal_script.h"
#include "transfer/download_dlg.h"
#include "transfer/download_worker.h"
#include "transfer/progress_dlg.h"
#include "transfer/replace_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

using namespace transfertest;
using testsupport::ModalScript;
using archive::SampleType;

namespace {

void LoadTestLanguage()
{
    QDir().mkpath("Language");
    std::ofstream ini("Language/English.ini");
    ini << "[STRING]\n"
           "IDS_STR_WARNING=Warning\nIDS_STR_TIP=Information\nIDS_STR_ALL=All\nIDS_STR_NOTLOAD=Not loaded\n"
           "IDS_STR_LOADED=Loaded\nIDS_STR_ECG=ECG\nIDS_STR_SPO=SpO2\nIDS_STR_ECGANDSPO=ECG and SpO2\n"
           "IDS_STR_YES=Yes\nIDS_STR_NO=No\nIDS_STR_SN=Archive\nIDS_STR_CHECKTIME=Start\nIDS_STR_SMPTYPE=Type\n"
           "IDS_STR_BDLOAD=Loaded\nIDS_STR_STOP=Stop\nIDS_STR_DLOAD=Download\nIDS_STR_DELETE=Delete\n"
           "IDS_STR_DEALDONE=Done.\nIDS_STR_DEALINTERMIT=Interrupted.\nIDS_STR_SELECT_TIP=Select archives.\n"
           "IDS_STR_DELAFTERLOAD=Delete after downloading?\nIDS_STR_DEL_CONFIRM=Delete from the card?\n"
           "IDS_STR_REPLACE_CFM=Replace the case of archive %s?\nIDS_STR_WAIT=Please wait\n"
           "[IDD_DLG_CASEDISPLACE]\nCAPTION=Replace\nIDC1=&Yes\nIDC2=&No\nIDC3=&Cancel\nIDC4=&Same Operation\n"
           "[IDD_DLG_DOWNLOAD]\nCAPTION=Download\nIDC1=&All\nIDC2=Download:\nIDC4=Sample Type:\n"
           "IDC6=Dele&te after downloading\nIDC7=Down&load\nIDC8=&Delete\nIDC9=&Exit\n";
    ini.close();
    ASSERT_GT(g_Language.LoadLanguage("English"), 0);
}

template <typename T>
T* Child(QWidget* parent, const char* name)
{
    T* child = parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QStringList CardFiles(const ImportHome& home)
{
    QStringList files;
    for (const auto& item : std::filesystem::directory_iterator(home.card()))
        files << QString::fromStdString(item.path().string());
    files.sort();
    return files;
}

class DownloadDialogTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTestLanguage(); }

    void Open()
    {
        dialog = std::make_unique<CDownloadDlg>(nullptr, QString::fromStdString(home.home().string()));
        ASSERT_GT(dialog->LoadCard(CardFiles(home)), 0);
        dialog->show();
        list = Child<QTableWidget>(dialog.get(), "archiveList");
        counter = Child<QLabel>(dialog.get(), "counterText");
        download = Child<QPushButton>(dialog.get(), "downloadButton");
    }

    // Clicks Download and waits until the run has ended.
    void RunDownload()
    {
        QSignalSpy ended(dialog.get(), &CDownloadDlg::runEnded);
        download->click();
        ASSERT_TRUE(ended.wait(60000));
    }

    QString Cell(int row, int column) const { return list->item(row, column)->text(); }

    ImportHome home;
    std::unique_ptr<CDownloadDlg> dialog;
    QTableWidget* list = nullptr;
    QLabel* counter = nullptr;
    QPushButton* download = nullptr;
};

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

} // namespace

TEST(ProgressDlg, FreeFunctionsReachTheOneOpenBox)
{
    ProgressSetText("nothing", "open");   // no box: nothing happens
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

    CProgressDlg* second = CProgressDlg::Open(&owner);   // the first one goes
    EXPECT_EQ(CProgressDlg::Current(), second);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    ProgressClose();
    EXPECT_EQ(CProgressDlg::Current(), nullptr);
}

TEST(ReplaceDlg, ResultCarriesButtonAndSameOperation)
{
    LoadTestLanguage();
    ModalScript script;
    QString text;
    script.Then(AnswerReplace("noButton", true, &text));
    CReplaceDlg named(nullptr, "A000007");
    const int result = named.exec();
    EXPECT_EQ(text, "Replace the case of archive A000007?");
    EXPECT_EQ(result, 7 | (1 << 16));
    EXPECT_EQ(CReplaceDlg::ButtonOf(result), CReplaceDlg::kNo);
    EXPECT_TRUE(CReplaceDlg::SameOperationOf(result));

    script.Then([&](QWidget* modal) {
        text = modal->findChild<QLabel*>("replaceText")->text();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    CReplaceDlg unnamed(nullptr, QString());
    EXPECT_EQ(unnamed.exec(), CReplaceDlg::kCancel);
    EXPECT_EQ(text, "Replace the case of archive unkown?");
}

TEST_F(DownloadDialogTest, ListsFiltersAndDownloadsNewCases)
{
    home.AddArchives("B", 2, SampleType::EcgAndSpO2, {2026, 6, 1, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 6, 2, 8, 0, 0});
    Open();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(Cell(0, 0), "B000001");
    EXPECT_EQ(Cell(0, 1), "2026-06-01 08:00:00");
    EXPECT_EQ(Cell(0, 2), "ECG and SpO2");
    EXPECT_EQ(Cell(0, 3), "No");
    EXPECT_EQ(counter->text(), "0/3");
    EXPECT_TRUE(Child<QCheckBox>(dialog.get(), "allCheck")->isChecked());
    EXPECT_EQ(Child<QPushButton>(dialog.get(), "exitButton")->text(), "&Exit");

    auto* type = Child<QComboBox>(dialog.get(), "typeFilter");
    type->setCurrentIndex(0);   // ECG: the combined archives do not show
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(counter->text(), "0/0");
    type->setCurrentIndex(1);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), "S000001");
    type->setCurrentIndex(2);
    Child<QCheckBox>(dialog.get(), "allCheck")->setChecked(true);
    EXPECT_EQ(counter->text(), "0/3");

    ModalScript script;
    QString done;
    QString counterAtEnd;
    script.Then([&](QWidget* modal) {
        counterAtEnd = counter->text();
        script.Press(QMessageBox::Ok, &done)(modal);
    });
    RunDownload();
    EXPECT_EQ(done, "Done.");
    EXPECT_EQ(counterAtEnd, "3/3");
    EXPECT_EQ(dialog->runState(), 0);
    ASSERT_EQ(home.Rows().size(), 3u);
    EXPECT_EQ(home.Rows()[0].caseId, "0000002");
    EXPECT_EQ(home.Rows()[1].caseId, "0000003");
    EXPECT_EQ(Cell(0, 3), "Yes");
    EXPECT_EQ(counter->text(), "0/0");
    EXPECT_EQ(ReadBytes(home.archiveRoot() / "0000004" / "data.spo"),
              ReadBytes(home.truth() / "S000001" / "data.spo"));

    // The load filter now sorts them; Exit clears the scratch folder and tells the program.
    Child<QComboBox>(dialog.get(), "loadFilter")->setCurrentIndex(1);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(home.home() / "TempData" / "B000001.ECG"));
    QSignalSpy closed(dialog.get(), &CDownloadDlg::casesMayHaveChanged);
    Child<QPushButton>(dialog.get(), "exitButton")->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(std::filesystem::exists(home.home() / "TempData"));
}

TEST_F(DownloadDialogTest, ReplaceWithSameOperationAsksOnce)
{
    home.AddArchives("R", 3, SampleType::Ecg);
    Open();
    {
        ModalScript script;
        script.Then(script.Press(QMessageBox::Ok));
        RunDownload();
    }
    Child<QCheckBox>(dialog.get(), "allCheck")->setChecked(true);
    dialog->close();
    dialog.reset();
    Open();   // the card read again: all three are loaded now
    EXPECT_EQ(Cell(2, 3), "Yes");

    ModalScript script;
    QString question;
    script.Then(AnswerReplace("yesButton", true, &question));
    script.Then(script.Press(QMessageBox::Ok));
    RunDownload();
    EXPECT_EQ(question, "Replace the case of archive R000001?");
    EXPECT_EQ(script.answered(), 2);
    EXPECT_EQ(home.Rows().size(), 3u);
}

TEST_F(DownloadDialogTest, StopDuringTheThirdOfFive)
{
    home.AddArchives("P", 5, SampleType::Ecg);
    Open();
    {   // The third archive is in the table already: its question holds the worker there.
        ImportEngine engine(home.archiveRoot());
        std::vector<ArchiveEntry> entries = dialog->archives();
        engine.SetEntries(entries);
        struct Quiet : ImportListener {
            bool StopRequested() override { return false; }
            ReplaceReply AskReplace(const std::string&) override { return {}; }
            void ArchiveHandled(const ArchiveOutcome&, int, int) override {}
        } quiet;
        engine.Download({"P000003"}, ImportOptions{}, quiet);
    }
    dialog.reset();
    Open();
    EXPECT_EQ(Cell(2, 3), "Yes");

    ModalScript script;
    QString end;
    QString counterAtEnd;
    script.Then(AnswerReplace("yesButton", false, nullptr, [&] {
        EXPECT_EQ(download->text(), "Stop");
        download->click();   // Stop while the third one is under way
    }));
    script.Then([&](QWidget* modal) {
        counterAtEnd = counter->text();
        script.Press(QMessageBox::Ok, &end)(modal);
    });
    RunDownload();
    EXPECT_EQ(end, "Interrupted.");
    EXPECT_EQ(counterAtEnd, "3/5");
    const auto rows = home.Rows();
    ASSERT_EQ(rows.size(), 3u);   // the old row of P000003 and the two new ones
    EXPECT_EQ(download->text(), "Download");
}

TEST_F(DownloadDialogTest, DeleteAfterDownloadAndFaults)
{
    home.AddArchives("D", 3, SampleType::EcgAndSpO2);
    Open();
    Child<QCheckBox>(dialog.get(), "deleteAfterCheck")->setChecked(true);
    {   // No to the confirmation: downloaded, and still on the card.
        ModalScript script;
        script.Then(script.Press(QMessageBox::No));
        script.Then(script.Press(QMessageBox::Ok));
        RunDownload();
        EXPECT_FALSE(Child<QCheckBox>(dialog.get(), "deleteAfterCheck")->isChecked());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.card()), {}), 6);
    }
    dialog.reset();
    Open();
    Child<QCheckBox>(dialog.get(), "deleteAfterCheck")->setChecked(true);
    {   // Keep both; the scratch copy of D000002 vanishes before its turn.
        ModalScript script;
        QString problems;
        script.Then(script.Press(QMessageBox::Yes));
        script.Then(AnswerReplace("noButton", true, nullptr, [&] {
            std::filesystem::remove(home.home() / "TempData" / "D000002.SPO");
        }));
        script.Then(script.Press(QMessageBox::Ok, &problems));
        RunDownload();
        EXPECT_NE(problems.indexOf("Done."), -1);
        EXPECT_NE(problems.indexOf("D000002: "), -1) << problems.toStdString();
    }
    EXPECT_EQ(home.Rows().size(), 5u);   // three, plus new cases for D000001 and D000003
    EXPECT_EQ(home.ArchiveFolders().size(), 5u);
    const std::vector<std::string> left{"D000002.ECG", "D000002.SPO"};
    std::vector<std::string> onCard;
    for (const auto& item : std::filesystem::directory_iterator(home.card()))
        onCard.push_back(item.path().filename().string());
    std::sort(onCard.begin(), onCard.end());
    EXPECT_EQ(onCard, left);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), "D000002");

    // Delete from the card, confirmed.
    Child<QCheckBox>(dialog.get(), "allCheck")->setChecked(true);
    ModalScript script;
    script.Then(script.Press(QMessageBox::Yes));
    script.Then(script.Press(QMessageBox::Ok));
    QSignalSpy ended(dialog.get(), &CDownloadDlg::runEnded);
    Child<QPushButton>(dialog.get(), "deleteButton")->click();
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.card()), {}), 0);
    EXPECT_EQ(list->rowCount(), 0);
}

TEST(DownloadWorker, GoingAwayAnswersAnOpenQuestionWithCancel)
{
    ImportHome home;
    home.AddArchives("Z", 2, SampleType::Ecg);
    ImportEngine engine(home.archiveRoot());
    {
        CDownloadDlg loader(nullptr, QString::fromStdString(home.home().string()));
        ASSERT_GT(loader.LoadCard(CardFiles(home)), 0);
        engine.SetEntries(loader.archives());
    }
    // Loaded once, so that the second run asks.
    struct Silent : ImportListener {
        bool StopRequested() override { return false; }
        ReplaceReply AskReplace(const std::string&) override { return {}; }
        void ArchiveHandled(const ArchiveOutcome&, int, int) override {}
    } silent;
    ASSERT_EQ(engine.Download({"Z000001", "Z000002"}, ImportOptions{}, silent).end, RunEnd::Completed);
    auto worker = std::make_unique<DownloadWorker>(engine);
    QSignalSpy asked(worker.get(), &DownloadWorker::replaceAsked);
    worker->StartDownload({"Z000001", "Z000002"}, ImportOptions{});
    ASSERT_TRUE(asked.count() > 0 || asked.wait(10000));   // emitted from the worker thread, maybe already
    EXPECT_EQ(asked.at(0).at(0).toString(), "Z000001");
    worker.reset();   // joins: the question counts as cancelled
    EXPECT_EQ(home.Rows().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(home.archiveRoot() / "0000004"));
}
