// Imports under faults, races and hostile cards: nothing lost, nothing doubled.

#include "import_fixture.h"
#include "transfer/card_reader.h"
#include "transfer/case_staging.h"
#include "transfer/import_engine.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <chrono>
#include <map>
#include <latch>
#include <random>
#include <set>
#include <thread>

#include <sys/stat.h>

using namespace transfertest;
using archive::SampleType;

namespace {

struct QuietListener : ImportListener {
    std::vector<ArchiveOutcome> outcomes;
    bool StopRequested() override { return false; }
    ReplaceReply AskReplace(const std::string&) override { return {}; }
    void ArchiveHandled(const ArchiveOutcome& outcome, int, int) override { outcomes.push_back(outcome); }
};

// Lists the card files whose names start with `prefix` (all: "") and gives an
// engine over them, as the download dialog and tavo-import do.
ImportEngine ListCard(const ImportHome& home, const std::string& prefix = "")
{
    std::vector<std::filesystem::path> files;
    for (const auto& file : FindDeviceFiles(home.card())) {
        if (file.filename().string().starts_with(prefix))
            files.push_back(file);
    }
    ImportEngine engine(home.archiveRoot());
    engine.SetEntries(ReadCard(files, std::nullopt).entries);
    EXPECT_FALSE(engine.MarkLoaded().has_value());
    return engine;
}

std::vector<std::string> NamesOf(const ImportEngine& engine)
{
    std::vector<std::string> names;
    for (const ArchiveEntry& entry : engine.entries())
        names.push_back(entry.Name);
    return names;
}

std::vector<ArchiveOutcome> Import(const ImportHome& home, ReplaceMode mode = ReplaceMode::SkipLoaded,
                                   bool deleteAfter = false)
{
    ImportEngine engine = ListCard(home);
    QuietListener listener;
    EXPECT_EQ(engine.Download(NamesOf(engine), ImportOptions{mode, deleteAfter}, listener).end, RunEnd::Completed);
    return listener.outcomes;
}

// Every archive of the card has exactly one row, every row its complete
// folder, every folder its row, and nothing is left in staging.
void ExpectEachArchiveOnce(const ImportHome& home, std::size_t archives)
{
    const auto rows = home.Rows();
    std::set<std::string> names;
    std::vector<std::string> ids;
    for (const ImportedCase& row : rows) {
        names.insert(row.tavoId);
        ids.push_back(row.caseId);
        EXPECT_EQ(ReadBytes(home.archiveRoot() / row.caseId / "data.ecg"),
                  ReadBytes(home.truth() / row.tavoId / "data.ecg"))
            << row.caseId;
    }
    EXPECT_EQ(rows.size(), archives);
    EXPECT_EQ(names.size(), archives);
    EXPECT_EQ(home.ArchiveFolders(), ids);
}

} // namespace

TEST(ImportFaults, FileWithoutRecordingMakesNoCaseAndStaysOnTheCard)
{
    ImportHome home;
    home.AddArchives("G", 1, SampleType::Ecg);
    std::vector<std::uint8_t> garbage(300000);
    std::mt19937 random(7);
    std::generate(garbage.begin(), garbage.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    WriteBytes(home.card() / "GARB.ECG", garbage);

    const auto outcomes = Import(home, ReplaceMode::SkipLoaded, true);
    ASSERT_EQ(outcomes.size(), 2u);
    const auto& garb = outcomes[0].name == "GARB" ? outcomes[0] : outcomes[1];
    EXPECT_EQ(garb.status, ArchiveStatus::Failed);
    EXPECT_NE(garb.message.find("holds no recording"), std::string::npos) << garb.message;
    EXPECT_FALSE(garb.deletedFromCard);
    EXPECT_TRUE(std::filesystem::exists(home.card() / "GARB.ECG"));
    ASSERT_EQ(home.Rows().size(), 1u);
    EXPECT_EQ(home.Rows()[0].tavoId, "G000001");
}

TEST(ImportFaults, RowWithoutFolderAndStagingLeftoversAreRepaired)
{
    // A run killed after its row was committed and before the folder was
    // renamed leaves a row without folder and a staging folder.
    ImportHome home;
    home.AddArchives("K", 2, SampleType::Ecg);
    Import(home);
    std::filesystem::remove_all(home.archiveRoot() / "0000003");
    std::filesystem::create_directories(home.archiveRoot() / ".incoming-a1b2c3");
    WriteBytes(home.archiveRoot() / ".incoming-a1b2c3" / "data.ecg", {1, 2, 3});

    ImportEngine engine = ListCard(home);
    EXPECT_EQ(engine.entries()[1].Loaded, 0);
    EXPECT_TRUE(engine.entries()[1].CaseFolderLost);
    QuietListener listener;
    EXPECT_EQ(engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::SkipLoaded, false}, listener).end,
              RunEnd::Completed);
    ASSERT_EQ(listener.outcomes.size(), 2u);
    EXPECT_EQ(listener.outcomes[0].status, ArchiveStatus::Skipped);
    EXPECT_EQ(listener.outcomes[1].status, ArchiveStatus::Added);
    EXPECT_EQ(listener.outcomes[1].caseId, "0000003");
    ExpectEachArchiveOnce(home, 2);
}

TEST(ImportFaults, ImpossibleHeaderDateIsRecognisedByItsSource)
{
    ImportHome home;
    home.AddArchives("D", 1, SampleType::Ecg);
    auto bytes = ReadBytes(home.card() / "D000001.ECG");
    bytes[3] = 13; // month 13
    WriteBytes(home.card() / "D000001.ECG", bytes);
    auto outcomes = Import(home);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_EQ(outcomes[0].status, ArchiveStatus::Added);
    // As if that import ran an hour ago: its row holds the time it ran.
    home.Execute("UPDATE \"CaseManage\" SET \"SampleTime\" = '2020-01-01 10:00:00'");

    outcomes = Import(home);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, ArchiveStatus::Skipped);
    // Another recording under the same name is not that archive.
    bytes[100] ^= 0xFF;
    WriteBytes(home.card() / "D000001.ECG", bytes);
    outcomes = Import(home);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, ArchiveStatus::Added);
    EXPECT_EQ(home.Rows().size(), 2u);
}

TEST(ImportFaults, HostileCardEntriesAreRefusedWithAReason)
{
    ImportHome home;
    home.AddArchives("K", 1, SampleType::Ecg);
    const auto source = home.card() / "K000001.ECG";
    testsupport::TempDir outside;
    std::filesystem::copy_file(source, outside / "X.ECG");
    const std::string longest(64, 'L'); // FAT short names have 8 characters; [CaseTAVOID] keeps 64
    std::filesystem::copy_file(source, home.card() / (longest + ".ECG"));
    std::filesystem::copy_file(source, home.card() / (longest + "L.ECG"));
    std::filesystem::copy_file(source, home.card() / "\xff\xfe.ECG");
    std::filesystem::create_symlink(outside / "X.ECG", home.card() / "LINK.ECG");
    std::filesystem::create_symlink(outside / "GONE.ECG", home.card() / "DANG.ECG");
    std::filesystem::create_directory(home.card() / "FOLDER.ECG");
    ASSERT_EQ(::mkfifo((home.card() / "PIPE.ECG").c_str(), 0600), 0);

    const CardListing listing = ReadCard(FindDeviceFiles(home.card()), std::nullopt);
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[1].Name, longest);
    std::map<std::string, std::string> reasons;
    for (const CardProblem& problem : listing.problems)
        reasons[problem.fileName] = problem.reason;
    EXPECT_EQ(reasons.size(), 6u);
    EXPECT_NE(reasons[longest + "L.ECG"].find("64 characters"), std::string::npos);
    EXPECT_NE(reasons["\xff\xfe.ECG"].find("UTF-8"), std::string::npos);
    EXPECT_NE(reasons["LINK.ECG"].find("symbolic link"), std::string::npos);
    EXPECT_NE(reasons["DANG.ECG"].find("symbolic link"), std::string::npos);
    EXPECT_NE(reasons["FOLDER.ECG"].find("no regular file"), std::string::npos);
    EXPECT_NE(reasons["PIPE.ECG"].find("no regular file"), std::string::npos);
}

TEST(ImportFaults, CaseNumbersPassOverOccupiedFolders)
{
    ImportHome home;
    home.AddArchives("A", 2, SampleType::Ecg, {2026, 3, 1, 8, 0, 0});
    Import(home);
    // The case table is lost; the case folders stay.
    home.Execute("DELETE FROM \"CaseManage\"");
    home.AddArchives("B", 1, SampleType::Ecg, {2026, 3, 2, 8, 0, 0});
    ImportEngine engine = ListCard(home, "B");
    QuietListener listener;
    EXPECT_EQ(engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::SkipLoaded, false}, listener).end,
              RunEnd::Completed);
    ASSERT_EQ(listener.outcomes.size(), 1u);
    EXPECT_EQ(listener.outcomes[0].status, ArchiveStatus::Added) << listener.outcomes[0].message;
    EXPECT_EQ(listener.outcomes[0].caseId, "0000004");
}

// Two imports start at once, each having listed its card before the other
// wrote anything: the same card twice, or two different cards, into one
// start folder. The runs take turns; every archive is imported exactly once.
TEST(ImportFaults, ConcurrentImportsNeitherLoseNorDouble)
{
    constexpr int kRounds = 50;
    for (const bool sameCard : {true, false}) {
        for (int round = 0; round < kRounds; ++round) {
            ImportHome home;
            home.AddArchives("A", 2, SampleType::Ecg, {2026, 4, 1, 8, 0, 0}, 20);
            home.AddArchives("B", 2, SampleType::Ecg, {2026, 4, 2, 8, 0, 0}, 20);
            ImportEngine first = ListCard(home, sameCard ? "" : "A");
            ImportEngine second = ListCard(home, sameCard ? "" : "B");
            std::latch start(2);
            const auto run = [&start](ImportEngine& engine) {
                QuietListener listener;
                start.arrive_and_wait();
                engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::SkipLoaded, false}, listener);
            };
            std::jthread a(run, std::ref(first));
            std::jthread b(run, std::ref(second));
            a.join();
            b.join();
            ExpectEachArchiveOnce(home, 4);
            if (::testing::Test::HasFailure())
                FAIL() << (sameCard ? "same card" : "two cards") << ", round " << round;
        }
    }
}

// tavo-import killed at moments spread over a ten-archive import; a normal
// run afterwards leaves every archive imported exactly once.
TEST(ImportFaults, KilledImportIsCompletedByTheNextRun)
{
    constexpr int kKills = 30;
    const auto runImport = [](const ImportHome& home) {
        QProcess process;
        process.start(TAVO_IMPORT_BINARY, {"--home", QString::fromStdString(home.home().string()),
                                           QString::fromStdString(home.card().string())});
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardOutput().toStdString();
    };
    const auto makeCard = [](const ImportHome& home) { home.AddArchives("C", 10, SampleType::Ecg, {2026, 5, 1, 8, 0, 0}, 300); };

    ImportHome timing;
    makeCard(timing);
    const auto started = std::chrono::steady_clock::now();
    runImport(timing);
    const auto whole = std::chrono::steady_clock::now() - started;

    for (int kill = 0; kill < kKills; ++kill) {
        ImportHome home;
        makeCard(home);
        QProcess process;
        process.start(TAVO_IMPORT_BINARY, {"--home", QString::fromStdString(home.home().string()),
                                           QString::fromStdString(home.card().string())});
        ASSERT_TRUE(process.waitForStarted());
        std::this_thread::sleep_for(whole * kill / kKills);
        process.kill();
        process.waitForFinished();
        runImport(home);
        ExpectEachArchiveOnce(home, 10);
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(home.archiveRoot(), error))
            EXPECT_FALSE(item.path().filename().string().starts_with(".incoming-")) << item.path();
        if (::testing::Test::HasFailure())
            FAIL() << "killed after " << kill << "/" << kKills << " of the import's time";
    }
}
