#include "archive/sample_streams.h"
#include "file_size_limit.h"
#include "import_home.h"
#include "lang/language.h"
#include "modal_script.h"
#include "shipped_english.h"
#include "review/event_list.h"
#include "review/review_window.h"
#include "signal/file_io.h"
#include "signal/spo_result.h"
#include "views/spo_wave_view.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <gtest/gtest.h>

using testsupport::ModalScript;
namespace fs = std::filesystem;

namespace {

QString Text(const char* key)
{
    return g_Language.GetString(key);
}

// An "ana.spo" the analysis would never write: three events at 10, 20 and 30 s.
const std::vector<std::uint8_t> kPlanted =
    EncodeSpOResult({}, std::vector<SpOEvent>{{10, 15, 95, 88}, {20, 26, 94, 87}, {30, 39, 96, 85}});

// A start folder with three 20-minute ECG and SpO2 cases imported from a
// simulator card, and the review window over it.
class ReviewWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        home.AddArchives("T", 3, archive::SampleType::EcgAndSpO2, {2026, 1, 5, 22, 0, 0}, 1200);
        testsupport::RecordingListener quiet;
        home.Engine().Download({"T000001", "T000002", "T000003"}, ImportOptions{}, quiet);
        for (const auto& row : home.Rows())
            ids << QString::fromStdString(row.caseId);
        ASSERT_EQ(ids.size(), 3);
        window.resize(1200, 800);
        window.show();
    }

    fs::path Folder(int index) const { return home.archiveRoot() / ids[index].toStdString(); }
    std::vector<std::uint8_t> Result(int index) const { return ReadWholeFile(Folder(index) / "ana.spo").value(); }
    void Plant(int index) const { ASSERT_TRUE(archive::WriteWholeFile(Folder(index) / "ana.spo", kPlanted).ok()); }

    // Runs `action` (by default Review) and waits until the case it opens is shown.
    bool Shown(const std::function<void()>& action = {})
    {
        QSignalSpy shown(&window, &CWaveBackVw::caseShown);
        action ? action() : window.ActivateReview();
        return shown.count() > 0 || shown.wait(20000);
    }
    bool Click(const char* button)
    {
        return Shown([&] { window.findChild<QPushButton*>(button)->click(); });
    }
    // Answers the next message box with `button`, keeping its text.
    void Answer(int button, QString* text = nullptr) { script.Then(script.Press(button, text)); }
    review::CEventList* Events() const { return window.findChild<review::CEventList*>("eventList"); }

    testsupport::ImportHome home;
    QStringList ids;
    QString currentCase;
    int startScreen = 0, reviewMode = 1, displayMode = 0;
    CWaveBackVw window{nullptr, {currentCase, startScreen, reviewMode, displayMode,
                                 QString::fromStdString(home.archiveRoot().string())}};
    ModalScript script;
};

TEST_F(ReviewWindowTest, OpensTheNewestCaseWithItsBeatsAndEvents)
{
    ASSERT_TRUE(Shown());
    EXPECT_EQ(window.OpenCaseId(), ids[2]);
    EXPECT_EQ(displayMode, 2);
    EXPECT_GT(fs::file_size(Folder(2) / "qrs.ecg"), 0u);
    // Analysed without a question; both signals: panes split 1/4, 1/2, 1/4.
    EXPECT_EQ(Events()->rowCount(), int((Result(2).size() - kSpOResultBytes) / kSpOEventBytes));
    const QList<int> sizes = window.findChild<QSplitter*>("waveSplitter")->sizes();
    EXPECT_NEAR(double(sizes[1]) / (sizes[0] + sizes[1] + sizes[2]), 0.5, 0.02);
    // A picture of the window for people to look at, in the build tree.
    EXPECT_TRUE(window.grab().save(QStringLiteral(QT_TESTCASE_BUILDDIR "/review-window.png")));
}

// The question both ways; the events listed from what "ana.spo" holds, and
// the SpO2 view following the event list.
TEST_F(ReviewWindowTest, AnAnalysedCaseAsksBeforeAnalysingAgain)
{
    for (const bool again : {true, false}) {
        Plant(2);
        QString asked;
        Answer(again ? QMessageBox::Yes : QMessageBox::No, &asked);
        ASSERT_TRUE(Shown());
        EXPECT_EQ(asked, Text("IDS_STR_REANALYSE"));
        EXPECT_EQ(Result(2) == kPlanted, !again) << again;
    }
    ASSERT_EQ(Events()->rowCount(), 3);
    EXPECT_EQ(Events()->item(2, 1)->text(), "00:40:30");
    EXPECT_EQ(Events()->item(2, 3)->text(), "96~85");
    Events()->selectRow(2);
    EXPECT_EQ(window.SpoView()->SelectedEvent(), 2);
    EXPECT_LE(window.SpoView()->Window().Start(), 30);
    // A click in the view selects the row without sending it back.
    emit window.SpoView()->eventSelected(1);
    EXPECT_EQ(Events()->currentRow(), 1);
    EXPECT_EQ(window.SpoView()->SelectedEvent(), 2);
}

TEST_F(ReviewWindowTest, PreNextAndADownloadedCase)
{
    ASSERT_TRUE(Shown());
    EXPECT_FALSE(window.findChild<QPushButton*>("nextButton")->isEnabled());
    ASSERT_TRUE(Click("preButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[1]);
    const auto analysed = Result(2);
    Answer(QMessageBox::No);
    ASSERT_TRUE(Click("nextButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[2]);
    EXPECT_EQ(Result(2), analysed);

    // An ECG case downloaded now is listed after the refresh: one tab page, no SpO2 pane.
    home.AddArchives("U", 1, archive::SampleType::Ecg, {2026, 2, 1, 8, 0, 0}, 60);
    testsupport::RecordingListener quiet;
    home.Engine("U").Download({"U000001"}, ImportOptions{}, quiet);
    window.RefreshCases(1);
    ASSERT_TRUE(Click("nextButton"));
    EXPECT_EQ(window.OpenCaseId(), QString::fromStdString(home.Rows().back().caseId));
    EXPECT_FALSE(window.findChild<QTabWidget*>("reviewTabs")->isTabVisible(1));
    EXPECT_EQ(window.findChild<QSplitter*>("waveSplitter")->sizes()[1], 0);
}

// Each broken case is told once, leaves its recordings as they were, and the
// window steps on (back on the analysed case, its question is answered No).
TEST_F(ReviewWindowTest, BrokenCasesAreReportedAndLeaveTheWindowUsable)
{
    const std::pair<const char*, std::function<void(const fs::path&)>> faults[] = {
        {"IDS_STR_111", [](const fs::path& folder) { fs::remove_all(folder); }},
        {"IDS_STR_NORECORD", [](const fs::path& folder) { fs::remove(folder / "data.ecg"), fs::remove(folder / "data.spo"); }},
        {"IDS_STR_LENDIFF", [](const fs::path& folder) { fs::resize_file(folder / "data.spo", 2400); }},
        {"IDS_STR_PARTRECORD", [](const fs::path& folder) { fs::resize_file(folder / "data.ecg", 4001); }},
    };
    ASSERT_TRUE(Shown());
    ASSERT_TRUE(Click("preButton"));
    for (const auto& [message, apply] : faults) {
        fs::remove_all(Folder(2));
        fs::copy(Folder(1), Folder(2));
        fs::remove(Folder(2) / "ana.spo");
        apply(Folder(2));
        std::error_code none;
        const auto ecgBytes = fs::file_size(Folder(2) / "data.ecg", none);
        QString told;
        Answer(QMessageBox::Ok, &told);
        Answer(QMessageBox::No);
        ASSERT_TRUE(Click("nextButton"));
        EXPECT_TRUE(told.startsWith(Text(message).left(20))) << told.toStdString();
        EXPECT_EQ(window.OpenCaseId(), ids[2]);
        EXPECT_EQ(fs::exists(Folder(2)), message != std::string("IDS_STR_111")) << message;
        EXPECT_EQ(fs::file_size(Folder(2) / "data.ecg", none), ecgBytes) << message;
        ASSERT_TRUE(Click("preButton"));
    }
}

TEST_F(ReviewWindowTest, AnUnwritableResultKeepsThePreviousOne)
{
    fs::remove(Folder(2) / "data.ecg"); // then nothing but the new result is written
    Plant(2);
    QString told;
    Answer(QMessageBox::Yes);
    Answer(QMessageBox::Ok, &told);
    {
        FileSizeLimit full(100); // the new result cannot be written
        ASSERT_TRUE(full.active());
        ASSERT_TRUE(Shown());
    }
    EXPECT_TRUE(told.startsWith(Text("IDS_STR_ANAFAIL").section('\n', 0, 0))) << told.toStdString();
    EXPECT_EQ(Result(2), kPlanted);
    EXPECT_EQ(Events()->rowCount(), 3);
    for (const auto& entry : fs::directory_iterator(Folder(2))) // no half-written file beside it
        EXPECT_TRUE(entry.path().filename() == "ana.spo" || entry.path().filename() == "data.spo") << entry.path();
}

} // namespace
