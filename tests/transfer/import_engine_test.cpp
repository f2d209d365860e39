// The card import engine that the download dialog and tavo-import drive:
// numbering, the loaded test, the replace question, stop, delete-after, and
// faults that fail one archive alone.
#include "import_home.h"
#include "test_data.h"
#include "transfer/card_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace std::string_literals;
using archive::SampleType;
using testsupport::ImportHome;
using testsupport::NamesOf;
using testsupport::RecordingListener;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const ArchiveEntry& Entry(const ImportEngine& engine, const std::string& name)
{
    const auto& entries = engine.entries();
    return *std::find_if(entries.begin(), entries.end(), [&](const ArchiveEntry& e) { return e.Name == name; });
}

RunEnd DownloadAll(ImportEngine& engine, RecordingListener& listener, bool deleteAfter = false)
{
    return engine.Download(NamesOf(engine), ImportOptions{ReplaceMode::Ask, deleteAfter}, listener).end;
}

std::vector<std::string> CardFiles(const ImportHome& home)
{
    std::vector<std::string> names;
    for (const auto& file : FindDeviceFiles(home.card()))
        names.push_back(file.filename().string());
    return names;
}

} // namespace

TEST(ImportEngine, NewCasesAreNumberedFromTwoAndMatchTheRecorder)
{
    ImportHome home;
    home.AddArchives("E", 1, SampleType::Ecg, {2026, 1, 5, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 1, 5, 9, 0, 0});
    home.AddArchives("B", 1, SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0});
    ImportEngine engine = home.Engine();
    RecordingListener listener;
    EXPECT_EQ(DownloadAll(engine, listener), RunEnd::Completed);
    EXPECT_TRUE(listener.asked.empty());
    EXPECT_EQ(listener.handled, 3);

    using Row = std::tuple<std::string, std::string, SampleType, archive::DateTime, bool>;
    const std::vector<Row> expected{{"0000002", "B000001", SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0}, false},
                                    {"0000003", "E000001", SampleType::Ecg, {2026, 1, 5, 8, 0, 0}, false},
                                    {"0000004", "S000001", SampleType::SpO2, {2026, 1, 5, 9, 0, 0}, false}};
    std::vector<Row> rows;
    for (const ImportedCase& row : home.Rows())
        rows.emplace_back(row.caseId, row.tavoId, row.style, row.sampleTime, row.deleted);
    EXPECT_EQ(rows, expected);
    for (const ArchiveOutcome& outcome : listener.outcomes)
        EXPECT_EQ(std::tie(outcome.status, outcome.message), std::tuple(ArchiveStatus::Added, "")) << outcome.name;
    home.ExpectEachArchiveOnce(3);

    // The list knows every archive's case now.
    for (const auto& [caseId, name, type, start, deleted] : expected)
        EXPECT_EQ(std::pair(Entry(engine, name).Loaded, Entry(engine, name).CaseID), std::pair(1, caseId)) << name;
}

TEST(ImportEngine, LoadedTestNeedsSameSecondAndSameName)
{
    ImportHome home;
    home.AddArchives("A", 1, SampleType::Ecg, {2026, 3, 1, 12, 0, 0});
    home.AddArchives("C", 1, SampleType::Ecg, {2026, 3, 1, 12, 0, 0});
    ImportEngine engine = home.Engine();
    RecordingListener listener;
    engine.Download({"C000001"}, ImportOptions{}, listener);
    // A000001 now has a row of its second under another name, and one of its name a second later.
    home.Execute("INSERT INTO \"CaseManage\" (\"CaseID\", \"CaseTAVOID\", \"CaseStyle\", \"SampleTime\", "
                 "\"BeDelete\") VALUES ('0000009', 'A000001', 0, '2026-03-01 12:00:01', 1)");

    ImportEngine again = home.Engine();
    EXPECT_EQ(std::pair(Entry(again, "C000001").Loaded, Entry(again, "C000001").CaseID), std::pair(1, "0000002"s));
    EXPECT_EQ(std::pair(Entry(again, "A000001").Loaded, Entry(again, "A000001").CaseID), std::pair(0, ""s));
}

TEST(ImportEngine, ReplaceQuestionAndSameOperation)
{
    ImportHome home;
    home.AddArchives("R", 3, SampleType::EcgAndSpO2);
    ImportEngine first = home.Engine();
    RecordingListener quiet;
    ASSERT_EQ(DownloadAll(first, quiet), RunEnd::Completed);
    // Case 0000003 was deleted by the user and has an analysis result that must stay.
    home.Execute("UPDATE \"CaseManage\" SET \"BeDelete\" = 1 WHERE \"CaseID\" = '0000003'");
    WriteBytes(home.archiveRoot() / "0000003" / "ana.spo", std::vector<std::uint8_t>(528, 7));
    WriteBytes(home.archiveRoot() / "0000003" / "data.ecg", {1, 2, 3});

    const auto run = [&home](std::vector<ReplaceReply> replies, RunEnd end) {
        ImportEngine engine = home.Engine();
        RecordingListener listener;
        listener.replies = std::move(replies);
        EXPECT_EQ(DownloadAll(engine, listener), end);
        return listener;
    };
    // Cancel ends the run before anything changes.
    EXPECT_TRUE(run({{ReplaceReply::Cancel, false}}, RunEnd::Cancelled).outcomes.empty());
    EXPECT_EQ(home.Rows().size(), 3u);

    // Yes without Same Operation asks again; No keeps the case and adds one.
    auto listener = run({{ReplaceReply::No, false}, {ReplaceReply::Yes, false}, {ReplaceReply::No, false}},
                        RunEnd::Completed);
    EXPECT_EQ(listener.asked, (std::vector<std::string>{"R000001", "R000002", "R000003"}));
    ASSERT_EQ(listener.outcomes.size(), 3u);
    EXPECT_EQ(listener.outcomes[0].caseId, "0000005");
    EXPECT_EQ(std::tie(listener.outcomes[1].status, listener.outcomes[1].caseId),
              std::tuple(ArchiveStatus::Replaced, "0000003"));
    EXPECT_EQ(listener.outcomes[2].caseId, "0000006");
    EXPECT_FALSE(home.Rows().at(1).deleted); // the replaced case is back, with its analysis result
    home.ExpectCaseHolds("0000003", "R000002");
    EXPECT_EQ(ReadBytes(home.archiveRoot() / "0000003" / "ana.spo").size(), 528u);

    // Yes with Same Operation replaces every later loaded archive unasked.
    listener = run({{ReplaceReply::Yes, true}}, RunEnd::Completed);
    EXPECT_EQ(listener.asked.size(), 1u);
    EXPECT_EQ(home.Rows().size(), 5u);
    for (const auto& outcome : listener.outcomes)
        EXPECT_EQ(outcome.status, ArchiveStatus::Replaced);

    // No with Same Operation adds a new case for every loaded archive unasked.
    listener = run({{ReplaceReply::No, true}}, RunEnd::Completed);
    EXPECT_EQ(listener.asked.size(), 1u);
    ASSERT_EQ(listener.outcomes.size(), 3u);
    EXPECT_EQ(listener.outcomes[0].caseId, "0000007");
    EXPECT_EQ(listener.outcomes[2].caseId, "0000009");
    EXPECT_EQ(home.Rows().size(), 8u);
}

TEST(ImportEngine, StopEndsADownloadOrADeleteBetweenArchives)
{
    ImportHome home;
    home.AddArchives("P", 5, SampleType::Ecg);
    ImportEngine engine = home.Engine();
    RecordingListener stopAtThird;
    stopAtThird.stopAfter = 3;
    EXPECT_EQ(DownloadAll(engine, stopAtThird), RunEnd::Stopped);
    EXPECT_EQ(std::pair(stopAtThird.handled, stopAtThird.selected), std::pair(3, 5));
    home.ExpectEachArchiveOnce(3);

    RecordingListener stopAtOnce;
    stopAtOnce.stopAfter = 0;
    EXPECT_EQ(engine.DeleteFromCard({"P000004"}, stopAtOnce), RunEnd::Stopped);
    EXPECT_EQ(CardFiles(home).size(), 5u);
    RecordingListener deleter;
    EXPECT_EQ(engine.DeleteFromCard({"P000004", "P000005"}, deleter), RunEnd::Completed);
    EXPECT_EQ(CardFiles(home), (std::vector<std::string>{"P000001.ECG", "P000002.ECG", "P000003.ECG"}));
    EXPECT_EQ(NamesOf(engine), (std::vector<std::string>{"P000001", "P000002", "P000003"}));
}

// Each fault fails its archive alone, with delete-after on: no row, no folder
// and no case number for it, its files stay on the card (as far as the fault
// left them) and in the list, and every other archive is a whole case taken off
// the card.
TEST(ImportEngine, EachFaultFailsItsArchiveAlone)
{
    const auto pullWhenFirstDone = [](const char* file) {
        return [file](const ImportHome& home, RecordingListener& listener) {
            listener.onHandled = [&home, file](const ArchiveOutcome& outcome) {
                if (outcome.name == "F000001")
                    std::filesystem::remove(home.card() / file);
            };
        };
    };
    using Fault = std::function<void(const ImportHome&, RecordingListener&)>;
    using Names = std::vector<std::string>;
    // What goes wrong, how, the archives it fails, why, and the card files left.
    const std::tuple<const char*, Fault, Names, const char*, Names> faults[] = {
        {"SpO2 file pulled", pullWhenFirstDone("F000002.SPO"), {"F000002"}, "F000002.SPO", {"F000002.ECG"}},
        {"ECG file pulled", pullWhenFirstDone("F000002.ECG"), {"F000002"}, "F000002.ECG", {"F000002.SPO"}},
        {"row refused",
         [](const ImportHome& home, RecordingListener&) {
             home.Execute("CREATE TRIGGER refuse BEFORE INSERT ON \"CaseManage\" WHEN NEW.\"CaseTAVOID\" = "
                          "'F000002' BEGIN SELECT RAISE(ABORT, 'no room for F000002'); END");
         },
         {"F000002"}, "no room for F000002", {"F000002.ECG", "F000002.SPO"}},
        {"no recording in the file",
         [](const ImportHome& home, RecordingListener&) {
             std::vector<std::uint8_t> garbage(300000);
             std::mt19937 random(7);
             std::generate(garbage.begin(), garbage.end(), [&random] { return std::uint8_t(random()); });
             WriteBytes(home.card() / "GARB.ECG", garbage);
         },
         {"GARB"}, "holds no recording", {"GARB.ECG"}},
        {"archive root is a file",
         [](const ImportHome& home, RecordingListener&) { WriteBytes(home.archiveRoot(), {'x'}); },
         {"F000001", "F000002", "F000003"}, "archive folder",
         {"F000001.ECG", "F000001.SPO", "F000002.ECG", "F000002.SPO", "F000003.ECG", "F000003.SPO"}},
    };
    for (const auto& [what, fault, failing, reason, left] : faults) {
        SCOPED_TRACE(what);
        ImportHome home;
        home.AddArchives("F", 3, SampleType::EcgAndSpO2);
        RecordingListener listener;
        fault(home, listener);
        ImportEngine engine = home.Engine();
        EXPECT_EQ(DownloadAll(engine, listener, true), RunEnd::Completed);
        std::size_t added = 0;
        for (const ArchiveOutcome& outcome : listener.outcomes) {
            const bool fails = std::ranges::count(failing, outcome.name) > 0;
            EXPECT_EQ(outcome.status, fails ? ArchiveStatus::Failed : ArchiveStatus::Added) << outcome.message;
            EXPECT_EQ(outcome.deletedFromCard, !fails) << outcome.name;
            if (fails)
                EXPECT_NE(outcome.message.find(reason), std::string::npos) << outcome.message;
            else
                EXPECT_EQ(outcome.caseId, "000000" + std::to_string(2 + added++));
        }
        EXPECT_EQ(listener.outcomes.size(), failing.size() + added);
        home.ExpectEachArchiveOnce(added);
        EXPECT_EQ(NamesOf(engine), failing);
        for (const ArchiveEntry& entry : engine.entries())
            EXPECT_EQ(entry.Loaded, 0);
        EXPECT_EQ(CardFiles(home), left);
    }
}

TEST(ImportEngine, DamagedDeviceFilesWithinTheScanLossesImport)
{
    ImportHome home;
    home.AddArchives("T", 1, SampleType::Ecg, {2026, 2, 1, 6, 0, 0}, 60);    // 12000 samples
    home.AddArchives("G", 1, SampleType::SpO2, {2026, 2, 1, 7, 0, 0}, 100);  // 100 blocks
    // T: cut in the middle of its last block.
    auto ecg = ReadBytes(home.card() / "T000001.ECG");
    const std::size_t blocks = (ecg.size() - 8) / 512;
    ecg.resize(8 + (blocks - 1) * 512 + 100);
    WriteBytes(home.card() / "T000001.ECG", ecg);
    // G: two bytes of garbage in front of the first block.
    auto spo = ReadBytes(home.card() / "G000001.SPO");
    spo.insert(spo.begin() + 8, {0x12, 0x34});
    WriteBytes(home.card() / "G000001.SPO", spo);

    ImportEngine engine = home.Engine();
    RecordingListener listener;
    DownloadAll(engine, listener);
    for (const auto& outcome : listener.outcomes)
        EXPECT_EQ(outcome.status, ArchiveStatus::Added) << outcome.name << ": " << outcome.message;

    // Within what the converter may lose (its own tests show which samples): the
    // cut block, and in the shifted file the block at each 5120-byte chunk boundary.
    const auto stream = [&](const char* name, const char* file) {
        return std::filesystem::file_size(home.archiveRoot() / Entry(engine, name).CaseID / file);
    };
    EXPECT_EQ(stream("T000001", "data.ecg"), (blocks - 1) * 253 * 2);
    EXPECT_EQ(stream("G000001", "data.spo"), 95u * 4);
}
