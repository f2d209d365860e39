// Imports under faults, races, kills and hostile cards: nothing lost, nothing doubled.
#include "child_process.h"
#include "import_home.h"
#include "test_data.h"
#include "transfer/card_reader.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <latch>
#include <map>
#include <thread>

#include <sys/stat.h>

using archive::SampleType;
using testsupport::ImportHome;
using testsupport::NamesOf;
using testsupport::RecordingListener;
using testsupport::WriteBytes;

namespace {

std::vector<ArchiveOutcome> Import(ImportEngine engine)
{
    RecordingListener listener;
    EXPECT_EQ(engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::SkipLoaded, false}, listener).end,
              RunEnd::Completed);
    return listener.outcomes;
}

std::vector<ArchiveStatus> StatusesOf(const std::vector<ArchiveOutcome>& outcomes)
{
    std::vector<ArchiveStatus> statuses;
    for (const ArchiveOutcome& outcome : outcomes)
        statuses.push_back(outcome.status);
    return statuses;
}

} // namespace

TEST(ImportFaults, RowWithoutFolderAndStagingLeftoversAreRepaired)
{
    // A run killed after its row was committed and before the folder was
    // renamed leaves a row without folder and a staging folder.
    ImportHome home;
    home.AddArchives("K", 2, SampleType::Ecg);
    Import(home.Engine());
    std::filesystem::remove_all(home.archiveRoot() / "0000003");
    WriteBytes(home.archiveRoot() / ".incoming-a1b2c3" / "data.ecg", {1, 2, 3});

    ImportEngine engine = home.Engine();
    EXPECT_EQ(engine.entries()[1].Loaded, 0);
    EXPECT_TRUE(engine.entries()[1].CaseFolderLost);
    const auto outcomes = Import(std::move(engine));
    EXPECT_EQ(StatusesOf(outcomes), (std::vector{ArchiveStatus::Skipped, ArchiveStatus::Added}));
    EXPECT_EQ(outcomes.at(1).caseId, "0000003");
    home.ExpectEachArchiveOnce(2);
}

TEST(ImportFaults, ImpossibleHeaderDateIsRecognisedByItsSource)
{
    ImportHome home;
    home.AddArchives("D", 1, SampleType::Ecg);
    auto bytes = testsupport::ReadBytes(home.card() / "D000001.ECG");
    bytes[3] = 13; // month 13
    WriteBytes(home.card() / "D000001.ECG", bytes);
    // Such an archive starts when it is read.
    const archive::DateTime before = archive::LocalNow();
    ImportEngine engine = home.Engine();
    EXPECT_GE(engine.entries().at(0).StartTime, before);
    EXPECT_LE(engine.entries().at(0).StartTime, archive::LocalNow());
    EXPECT_EQ(StatusesOf(Import(std::move(engine))), std::vector{ArchiveStatus::Added});
    home.ExpectEachArchiveOnce(1);
    // As if that import ran an hour ago: its row holds the time it ran.
    home.Execute("UPDATE \"CaseManage\" SET \"SampleTime\" = '2020-01-01 10:00:00'");
    EXPECT_EQ(StatusesOf(Import(home.Engine())), std::vector{ArchiveStatus::Skipped});

    // Another recording under the same name is not that archive.
    bytes[100] ^= 0xFF;
    WriteBytes(home.card() / "D000001.ECG", bytes);
    EXPECT_EQ(StatusesOf(Import(home.Engine())), std::vector{ArchiveStatus::Added});
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
    const std::map<std::string, std::string> expected{
        {longest + "L.ECG", "64 characters"}, {"\xff\xfe.ECG", "UTF-8"},          {"LINK.ECG", "symbolic link"},
        {"DANG.ECG", "symbolic link"},       {"FOLDER.ECG", "no regular file"}, {"PIPE.ECG", "no regular file"}};
    EXPECT_EQ(reasons.size(), expected.size());
    for (const auto& [file, reason] : expected)
        EXPECT_NE(reasons[file].find(reason), std::string::npos) << file << ": " << reasons[file];
}

TEST(ImportFaults, CaseNumbersPassOverOccupiedFolders)
{
    ImportHome home;
    home.AddArchives("A", 2, SampleType::Ecg, {2026, 3, 1, 8, 0, 0});
    Import(home.Engine());
    // The case table is lost; the case folders stay.
    home.Execute("DELETE FROM \"CaseManage\"");
    home.AddArchives("B", 1, SampleType::Ecg, {2026, 3, 2, 8, 0, 0});
    const auto outcomes = Import(home.Engine("B"));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, ArchiveStatus::Added) << outcomes[0].message;
    EXPECT_EQ(outcomes[0].caseId, "0000004");
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
            ImportEngine first = home.Engine(sameCard ? "" : "A");
            ImportEngine second = home.Engine(sameCard ? "" : "B");
            std::latch start(2);
            const auto run = [&start](ImportEngine& engine) {
                RecordingListener listener;
                start.arrive_and_wait();
                engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::SkipLoaded, false}, listener);
            };
            std::jthread a(run, std::ref(first));
            std::jthread b(run, std::ref(second));
            a.join();
            b.join();
            home.ExpectEachArchiveOnce(4);
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
    const auto arguments = [](const ImportHome& home) {
        return std::vector<std::string>{"--home", home.home().string(), home.card().string()};
    };
    const auto makeCard = [](const ImportHome& home) {
        home.AddArchives("C", 10, SampleType::Ecg, {2026, 5, 1, 8, 0, 0}, 300);
    };
    ImportHome timing;
    makeCard(timing);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(testsupport::RunChild(TAVO_IMPORT_BINARY, arguments(timing)).exitCode, 0);
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
        const testsupport::ChildRun next = testsupport::RunChild(TAVO_IMPORT_BINARY, arguments(home));
        EXPECT_EQ(next.exitCode, 0) << next.output();
        home.ExpectEachArchiveOnce(10);
        if (::testing::Test::HasFailure())
            FAIL() << "killed after " << kill << "/" << kKills << " of the import's time";
    }
}
