#include "file_size_limit.h"
#include "import_home.h"
#include "lang/language.h"
#include "language_files.h"
#include "modal_script.h"
#include "review/event_list.h"
#include "review/review_window.h"
#include "signal/spo_result.h"
#include "views/ecg_wave_view.h"
#include "views/spo_wave_view.h"
#include "views/trend_view.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using testsupport::ModalScript;
namespace fs = std::filesystem;

namespace {

// The shipped English texts, for every test of this executable.
class English : public testing::Environment {
    void SetUp() override
    {
        testsupport::InstallShippedEnglish(fs::current_path());
        ASSERT_GT(g_Language.LoadLanguage("English"), 0);
    }
};
[[maybe_unused]] testing::Environment* const g_english = testing::AddGlobalTestEnvironment(new English);

constexpr double kCaseSeconds = 1200; // long enough for a few desaturations
constexpr int kOpenTimeoutMs = 20000;

QString Text(const char* key)
{
    return g_Language.GetString(key);
}

std::vector<std::uint8_t> Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An "ana.spo" the analysis would never write: three events at 10, 20 and 30 s.
std::vector<std::uint8_t> PlantedResult()
{
    const std::vector<SpOEvent> events{{10, 15, 95, 88}, {20, 26, 94, 87}, {30, 39, 96, 85}};
    return EncodeSpOResult(SpOAnaResult{}, events);
}

// A start folder with three 20-minute ECG and SpO2 cases imported from a
// simulator card, and the review window over it.
class ReviewWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        home.AddArchives("T", 3, archive::SampleType::EcgAndSpO2, {2026, 1, 5, 22, 0, 0}, kCaseSeconds);
        testsupport::RecordingListener quiet;
        home.Engine().Download({"T000001", "T000002", "T000003"}, ImportOptions{}, quiet);
        for (const auto& row : home.Rows())
            ids << QString::fromStdString(row.caseId);
        ASSERT_EQ(ids.size(), 3);
        window.resize(1200, 800);
        window.show();
    }

    fs::path Folder(int index) const { return home.archiveRoot() / ids[index].toStdString(); }

    // Runs `action` and waits until the case it opens is shown.
    bool Shown(const std::function<void()>& action)
    {
        QSignalSpy shown(&window, &CWaveBackVw::caseShown);
        action();
        return shown.count() > 0 || shown.wait(kOpenTimeoutMs);
    }
    bool Activate()
    {
        return Shown([this] { window.ActivateReview(); });
    }
    bool Click(const char* button)
    {
        return Shown([&] { window.findChild<QPushButton*>(button)->click(); });
    }
    review::CEventList* Events() const { return window.findChild<review::CEventList*>("eventList"); }

    testsupport::ImportHome home;
    QStringList ids;
    QString currentCase;
    int startScreen = 0;
    int reviewMode = 1;
    int displayMode = 0;
    CWaveBackVw window{nullptr, {currentCase, startScreen, reviewMode, displayMode,
                                 QString::fromStdString(home.archiveRoot().string())}};
};

TEST_F(ReviewWindowTest, OpensTheNewestCaseWithItsBeatsAndEvents)
{
    ASSERT_TRUE(Activate());
    EXPECT_EQ(window.OpenCaseId(), ids[2]);
    EXPECT_EQ(currentCase, ids[2]);
    EXPECT_EQ(displayMode, 2);
    EXPECT_GT(fs::file_size(Folder(2) / "qrs.ecg"), 0u);
    EXPECT_GT(window.EcgView()->sampleCount(), 0);
    EXPECT_TRUE(window.TrendView()->IsCaseOpen());

    // The analysis ran without a question and its events are listed.
    SpOAnaResult result;
    std::vector<SpOEvent> events;
    ASSERT_TRUE(LoadSpOResult(Folder(2) / "ana.spo", result, events).ok());
    ASSERT_FALSE(events.empty());
    ASSERT_EQ(Events()->rowCount(), int(events.size()));
    const archive::DateTime began = home.Rows()[2].sampleTime;
    const QDateTime start(QDate(began.year, began.month, began.day), QTime(began.hour, began.minute), Qt::UTC);
    EXPECT_EQ(Events()->item(0, 1)->text(), start.addSecs(events[0].StartIndex).toString("HH:mm:ss"));
    EXPECT_EQ(Events()->item(0, 3)->text(), QString::asprintf("%02u~%02u", events[0].StartSpo2, events[0].EndSpo2));

    // Both signals: both tab pages, and the panes split a quarter, a half, a quarter.
    const auto* tabs = window.findChild<QTabWidget*>("reviewTabs");
    EXPECT_TRUE(tabs->isTabVisible(1));
    const QList<int> sizes = window.findChild<QSplitter*>("waveSplitter")->sizes();
    EXPECT_NEAR(double(sizes[1]) / (sizes[0] + sizes[1] + sizes[2]), 0.5, 0.02);
    EXPECT_FALSE(window.findChild<QLabel*>("statusLine")->text().isEmpty());

    // A picture of the window for people to look at, in the build tree.
    EXPECT_TRUE(window.grab().save(QStringLiteral(QT_TESTCASE_BUILDDIR "/review-window.png")));
}

TEST_F(ReviewWindowTest, AnAnalysedCaseAsksBeforeAnalysingAgain)
{
    // Each answer to the question, and what "ana.spo" holds afterwards.
    for (const bool again : {false, true}) {
        SCOPED_TRACE(again ? "Yes" : "No");
        Write(Folder(2) / "ana.spo", PlantedResult());
        ModalScript script;
        QString asked;
        script.Then(script.Press(again ? QMessageBox::Yes : QMessageBox::No, &asked));
        ASSERT_TRUE(Activate());
        EXPECT_EQ(asked, Text("IDS_STR_REANALYSE"));
        EXPECT_EQ(Bytes(Folder(2) / "ana.spo") == PlantedResult(), !again);
        if (!again) {
            ASSERT_EQ(Events()->rowCount(), 3);
            EXPECT_EQ(Events()->item(2, 0)->text(), "3");
            EXPECT_EQ(Events()->item(2, 1)->text(), "00:40:30");
            EXPECT_EQ(Events()->item(2, 3)->text(), "96~85");
        }
    }
}

TEST_F(ReviewWindowTest, EventRowsAndTheSpO2ViewFollowEachOther)
{
    Write(Folder(2) / "ana.spo", PlantedResult());
    ModalScript script;
    script.Then(script.Press(QMessageBox::No));
    ASSERT_TRUE(Activate());
    Events()->selectRow(2);
    EXPECT_EQ(window.SpoView()->SelectedEvent(), 2);
    EXPECT_LE(window.SpoView()->Window().Start(), 30);

    // A click in the view selects the row without sending it back.
    emit window.SpoView()->eventSelected(1);
    EXPECT_EQ(Events()->currentRow(), 1);
    EXPECT_EQ(window.SpoView()->SelectedEvent(), 2);
}

TEST_F(ReviewWindowTest, PreAndNextStepThroughTheCases)
{
    ASSERT_TRUE(Activate());
    EXPECT_FALSE(window.findChild<QPushButton*>("nextButton")->isEnabled());
    ASSERT_TRUE(Click("preButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[1]);
    EXPECT_TRUE(fs::exists(Folder(1) / "ana.spo"));
    ASSERT_TRUE(Click("preButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[0]);
    EXPECT_FALSE(window.findChild<QPushButton*>("preButton")->isEnabled());

    // Back to an analysed case: the question comes, No keeps its result.
    const auto analysed = Bytes(Folder(1) / "ana.spo");
    ModalScript script;
    script.Then(script.Press(QMessageBox::No));
    ASSERT_TRUE(Click("nextButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[1]);
    EXPECT_EQ(Bytes(Folder(1) / "ana.spo"), analysed);
    EXPECT_TRUE(script.done());
}

TEST_F(ReviewWindowTest, ADownloadedCaseIsListedAfterTheRefresh)
{
    ASSERT_TRUE(Activate());
    home.AddArchives("U", 1, archive::SampleType::Ecg, {2026, 2, 1, 8, 0, 0}, 60);
    testsupport::RecordingListener quiet;
    home.Engine("U").Download({"U000001"}, ImportOptions{}, quiet);
    const QString added = QString::fromStdString(home.Rows().back().caseId);
    EXPECT_FALSE(window.CaseList()->CaseIds().contains(added));
    window.RefreshCases(1);
    EXPECT_EQ(window.CaseList()->CaseIds().back(), added);
    EXPECT_TRUE(window.findChild<QPushButton*>("nextButton")->isEnabled());

    // The ECG-only case: one tab page, ECG above and the trend below.
    ASSERT_TRUE(Click("nextButton"));
    EXPECT_EQ(window.OpenCaseId(), added);
    EXPECT_FALSE(window.findChild<QTabWidget*>("reviewTabs")->isTabVisible(1));
    EXPECT_EQ(window.findChild<QSplitter*>("waveSplitter")->sizes()[1], 0);
}

// Broken cases: each is reported, no stored file is changed, and the window
// still steps on to the next case.
TEST_F(ReviewWindowTest, BrokenCasesAreReportedAndLeaveTheWindowUsable)
{
    struct Fault {
        const char* name;
        std::function<void(const fs::path& folder)> apply;
        const char* message;
    };
    const Fault faults[] = {
        {"folder missing", [](const fs::path& folder) { fs::remove_all(folder); }, "IDS_STR_111"},
        {"folder empty",
         [](const fs::path& folder) {
             fs::remove(folder / "data.ecg");
             fs::remove(folder / "data.spo");
         },
         "IDS_STR_NORECORD"},
        {"SpO2 half as long", [](const fs::path& folder) { fs::resize_file(folder / "data.spo", 2400); }, "IDS_STR_LENDIFF"},
        {"ECG cut inside a sample",
         [](const fs::path& folder) { fs::resize_file(folder / "data.ecg", fs::file_size(folder / "data.ecg") - 1); },
         "IDS_STR_PARTRECORD"},
    };
    ASSERT_TRUE(Activate());
    ASSERT_TRUE(Click("preButton"));
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        fs::remove_all(Folder(2));
        fs::copy(Folder(1), Folder(2));
        fs::remove(Folder(2) / "ana.spo");
        fault.apply(Folder(2));
        const bool missing = std::string(fault.message) == "IDS_STR_111";
        std::map<std::string, std::uintmax_t> before;
        for (const char* name : {"data.ecg", "data.spo"})
            if (fs::exists(Folder(2) / name))
                before[name] = fs::file_size(Folder(2) / name);

        // The fault is told once; back on the analysed case, its question is answered No.
        ModalScript script;
        QString told;
        script.Then(script.Press(QMessageBox::Ok, &told));
        script.Then(script.Press(QMessageBox::No));
        ASSERT_TRUE(Click("nextButton"));
        EXPECT_TRUE(told.startsWith(Text(fault.message).left(20))) << told.toStdString();
        EXPECT_EQ(window.OpenCaseId(), ids[2]);
        EXPECT_EQ(fs::exists(Folder(2)), !missing);
        for (const auto& [name, size] : before)
            EXPECT_EQ(fs::file_size(Folder(2) / name), size) << name;
        ASSERT_TRUE(Click("preButton"));
        EXPECT_EQ(window.OpenCaseId(), ids[1]);
    }
}

TEST_F(ReviewWindowTest, AnUnwritableResultKeepsThePreviousOne)
{
    // Without ECG nothing but the new result would be written.
    fs::remove(Folder(2) / "data.ecg");
    Write(Folder(2) / "ana.spo", PlantedResult());
    ModalScript script;
    QString told;
    script.Then(script.Press(QMessageBox::Yes));
    script.Then(script.Press(QMessageBox::Ok, &told));
    {
        // Nothing larger than this may be written: the new result cannot be.
        FileSizeLimit full(100);
        ASSERT_TRUE(full.active());
        ASSERT_TRUE(Activate());
    }
    EXPECT_TRUE(told.startsWith(Text("IDS_STR_ANAFAIL").section('\n', 0, 0))) << told.toStdString();
    EXPECT_EQ(Bytes(Folder(2) / "ana.spo"), PlantedResult());
    EXPECT_EQ(Events()->rowCount(), 3);
    // No half-written file is left beside it.
    for (const auto& entry : fs::directory_iterator(Folder(2)))
        EXPECT_TRUE(entry.path().filename() == "ana.spo" || entry.path().filename() == "data.spo"
                    || entry.path().filename() == "qrs.ecg")
            << entry.path();
}

TEST_F(ReviewWindowTest, CaseDeletedElsewhereIsReportedOnPre)
{
    ASSERT_TRUE(Activate());
    home.Execute("DELETE FROM CaseManage WHERE CaseID = '" + ids[1].toStdString() + "'");
    ModalScript script;
    QString told;
    script.Then(script.Press(QMessageBox::Ok, &told));
    window.findChild<QPushButton*>("preButton")->click();
    EXPECT_TRUE(told.startsWith(Text("IDS_STR_CASEGONE"))) << told.toStdString();
    EXPECT_EQ(window.OpenCaseId(), ids[2]);
    EXPECT_FALSE(window.CaseList()->CaseIds().contains(ids[1]));
    ASSERT_TRUE(Click("preButton"));
    EXPECT_EQ(window.OpenCaseId(), ids[0]);
}

TEST_F(ReviewWindowTest, PrintWithoutReportsSaysSo)
{
    ASSERT_TRUE(Activate());
    ModalScript script;
    QString told;
    script.Then(script.Press(QMessageBox::Ok, &told));
    window.findChild<QPushButton*>("printButton")->click();
    EXPECT_EQ(told, Text("IDS_STR_NOPRINT"));

    // Once the reports listen, a case of both signals asks which report.
    std::vector<review::ReportKind> asked;
    QObject::connect(&window, &CWaveBackVw::printRequested,
                     [&](const db::CaseRecord&, review::ReportKind kind, bool) { asked.push_back(kind); });
    script.Then([](QWidget* box) {
        for (auto* button : static_cast<QMessageBox*>(box)->buttons())
            if (button->text() == Text("IDS_STR_SPO"))
                button->click();
    });
    window.findChild<QPushButton*>("previewButton")->click();
    EXPECT_EQ(asked, std::vector<review::ReportKind>{review::ReportKind::Spo2});
}

} // namespace
