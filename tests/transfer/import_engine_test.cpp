#include "import_fixture.h"
#include "transfer/card_reader.h"
#include "transfer/import_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace transfertest;
using archive::SampleType;

namespace {

class ScriptedListener : public ImportListener {
public:
    std::vector<ReplaceReply> replies;          // answers, in turn
    std::vector<std::string> asked;
    std::vector<ArchiveOutcome> outcomes;
    int stopAfter = -1;                         // stop once this many were handled
    std::function<void(const ArchiveOutcome&)> onHandled;
    int lastHandled = 0;
    int lastSelected = 0;

    bool StopRequested() override { return stopAfter >= 0 && lastHandled >= stopAfter; }
    ReplaceReply AskReplace(const std::string& name) override
    {
        asked.push_back(name);
        return replies.at(asked.size() - 1);
    }
    void ArchiveHandled(const ArchiveOutcome& outcome, int handled, int selected) override
    {
        outcomes.push_back(outcome);
        lastHandled = handled;
        lastSelected = selected;
        if (onHandled)
            onHandled(outcome);
    }
};

ImportEngine EngineFor(const ImportHome& home)
{
    ImportEngine engine(home.archiveRoot());
    CardListing listing = ReadCard(FindDeviceFiles(home.card()), std::nullopt);
    EXPECT_TRUE(listing.problems.empty());
    engine.SetEntries(std::move(listing.entries));
    EXPECT_FALSE(engine.MarkLoaded().has_value());
    return engine;
}

std::vector<std::string> Names(const ImportEngine& engine)
{
    std::vector<std::string> names;
    for (const ArchiveEntry& entry : engine.entries())
        names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
}

const ArchiveEntry& Entry(const ImportEngine& engine, const std::string& name)
{
    const auto& entries = engine.entries();
    return *std::find_if(entries.begin(), entries.end(), [&](const ArchiveEntry& e) { return e.Name == name; });
}

void ExpectCaseFiles(const ImportHome& home, const std::string& caseId, const std::string& archive, SampleType type)
{
    const auto folder = home.archiveRoot() / caseId;
    const auto truth = home.truth() / archive;
    if (type != SampleType::SpO2)
        EXPECT_EQ(ReadBytes(folder / "data.ecg"), ReadBytes(truth / "data.ecg")) << caseId;
    else
        EXPECT_FALSE(std::filesystem::exists(folder / "data.ecg"));
    if (type != SampleType::Ecg)
        EXPECT_EQ(ReadBytes(folder / "data.spo"), ReadBytes(truth / "data.spo")) << caseId;
    else
        EXPECT_FALSE(std::filesystem::exists(folder / "data.spo"));
}

ImportOptions Options(ReplaceMode mode, bool deleteAfter = false)
{
    ImportOptions options;
    options.replaceMode = mode;
    options.deleteAfter = deleteAfter;
    return options;
}

} // namespace

TEST(ImportEngine, NewCasesAreNumberedFromTwoAndMatchTheRecorder)
{
    ImportHome home;
    home.AddArchives("E", 1, SampleType::Ecg, {2026, 1, 5, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 1, 5, 9, 0, 0});
    home.AddArchives("B", 1, SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0});

    ImportEngine engine = EngineFor(home);
    ASSERT_EQ(engine.entries().size(), 3u);
    EXPECT_EQ(Entry(engine, "B000001").Type, SampleType::EcgAndSpO2);
    ScriptedListener listener;
    const RunResult run = engine.Download(Names(engine), Options(ReplaceMode::Ask), listener);
    EXPECT_EQ(run.end, RunEnd::Completed);
    EXPECT_TRUE(listener.asked.empty());
    ASSERT_EQ(listener.outcomes.size(), 3u);
    EXPECT_EQ(listener.lastHandled, 3);

    const auto rows = home.Rows();
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<std::tuple<std::string, std::string, SampleType, archive::DateTime>> expected{
        {"0000002", "B000001", SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0}},
        {"0000003", "E000001", SampleType::Ecg, {2026, 1, 5, 8, 0, 0}},
        {"0000004", "S000001", SampleType::SpO2, {2026, 1, 5, 9, 0, 0}}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [caseId, name, type, start] = expected[i];
        EXPECT_EQ(rows[i].caseId, caseId);
        EXPECT_EQ(rows[i].tavoId, name);
        EXPECT_EQ(rows[i].style, type);
        EXPECT_EQ(rows[i].sampleTime, start);
        EXPECT_FALSE(rows[i].deleted);
        EXPECT_EQ(listener.outcomes[i].status, ArchiveStatus::Added);
        EXPECT_EQ(listener.outcomes[i].message, "") << name;
        EXPECT_EQ(Entry(engine, name).CaseID, caseId);
        ExpectCaseFiles(home, caseId, name, type);
    }
    // Nothing else (no staging folder) is left in the archive root.
    EXPECT_EQ(home.ArchiveFolders(), (std::vector<std::string>{"0000002", "0000003", "0000004"}));

    // A second look finds every archive loaded, with its case.
    ImportEngine again = EngineFor(home);
    for (const auto& [caseId, name, type, start] : expected) {
        EXPECT_EQ(Entry(again, name).Loaded, 1) << name;
        EXPECT_EQ(Entry(again, name).CaseID, caseId);
    }
}

TEST(ImportEngine, LoadedTestNeedsSameSecondAndSameName)
{
    ImportHome home;
    home.AddArchives("A", 1, SampleType::Ecg, {2026, 3, 1, 12, 0, 0});
    home.AddArchives("C", 1, SampleType::Ecg, {2026, 3, 1, 12, 0, 0});
    ImportEngine engine = EngineFor(home);
    ScriptedListener listener;
    engine.Download({"C000001"}, Options(ReplaceMode::Ask), listener);
    // A row of the same time under another name, and one of the same name a second later.
    home.Execute("UPDATE \"CaseManage\" SET \"CaseTAVOID\" = 'C000001' WHERE \"CaseID\" = '0000002'");
    home.Execute("INSERT INTO \"CaseManage\" (\"CaseID\", \"CaseTAVOID\", \"CaseStyle\", \"SampleTime\", "
                 "\"BeDelete\") VALUES ('0000009', 'A000001', 0, '2026-03-01 12:00:01', 1)");

    ImportEngine again = EngineFor(home);
    EXPECT_EQ(Entry(again, "C000001").Loaded, 1);
    EXPECT_EQ(Entry(again, "C000001").CaseID, "0000002");
    EXPECT_EQ(Entry(again, "A000001").Loaded, 0);
    EXPECT_EQ(Entry(again, "A000001").CaseID, "");
}

TEST(ImportEngine, ReplaceQuestionAndSameOperation)
{
    ImportHome home;
    home.AddArchives("R", 3, SampleType::EcgAndSpO2);
    {
        ImportEngine first = EngineFor(home);
        ScriptedListener listener;
        ASSERT_EQ(first.Download(Names(first), Options(ReplaceMode::Ask), listener).end, RunEnd::Completed);
    }
    // Case 0000003 was deleted by the user and has an analysis result that must stay.
    home.Execute("UPDATE \"CaseManage\" SET \"BeDelete\" = 1 WHERE \"CaseID\" = '0000003'");
    WriteBytes(home.archiveRoot() / "0000003" / "ana.spo", std::vector<std::uint8_t>(528, 7));
    WriteBytes(home.archiveRoot() / "0000003" / "data.ecg", {1, 2, 3});

    {   // Cancel ends the run before anything changes.
        ImportEngine engine = EngineFor(home);
        ScriptedListener listener;
        listener.replies = {{ReplaceReply::Cancel, false}};
        EXPECT_EQ(engine.Download(Names(engine), Options(ReplaceMode::Ask), listener).end, RunEnd::Cancelled);
        EXPECT_TRUE(listener.outcomes.empty());
        EXPECT_EQ(home.Rows().size(), 3u);
    }
    {   // Yes without Same Operation asks again; No keeps the case and adds one.
        ImportEngine engine = EngineFor(home);
        ScriptedListener listener;
        listener.replies = {{ReplaceReply::No, false}, {ReplaceReply::Yes, false}, {ReplaceReply::No, false}};
        EXPECT_EQ(engine.Download(Names(engine), Options(ReplaceMode::Ask), listener).end, RunEnd::Completed);
        EXPECT_EQ(listener.asked, (std::vector<std::string>{"R000001", "R000002", "R000003"}));
        ASSERT_EQ(listener.outcomes.size(), 3u);
        EXPECT_EQ(listener.outcomes[0].caseId, "0000005");
        EXPECT_EQ(listener.outcomes[1].status, ArchiveStatus::Replaced);
        EXPECT_EQ(listener.outcomes[1].caseId, "0000003");
        EXPECT_EQ(listener.outcomes[2].caseId, "0000006");
        const auto rows = home.Rows();
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_FALSE(rows[1].deleted);   // the replaced case is back
        ExpectCaseFiles(home, "0000003", "R000002", SampleType::EcgAndSpO2);
        EXPECT_EQ(ReadBytes(home.archiveRoot() / "0000003" / "ana.spo").size(), 528u);
    }
    {   // Yes with Same Operation replaces every later loaded archive unasked.
        ImportEngine engine = EngineFor(home);
        ScriptedListener listener;
        listener.replies = {{ReplaceReply::Yes, true}};
        engine.Download(Names(engine), Options(ReplaceMode::Ask), listener);
        EXPECT_EQ(listener.asked.size(), 1u);
        EXPECT_EQ(home.Rows().size(), 5u);
        for (const auto& outcome : listener.outcomes)
            EXPECT_EQ(outcome.status, ArchiveStatus::Replaced);
    }
    {   // No with Same Operation adds a new case for every loaded archive unasked.
        ImportEngine engine = EngineFor(home);
        ScriptedListener listener;
        listener.replies = {{ReplaceReply::No, true}};
        engine.Download(Names(engine), Options(ReplaceMode::Ask), listener);
        EXPECT_EQ(listener.asked.size(), 1u);
        ASSERT_EQ(listener.outcomes.size(), 3u);
        EXPECT_EQ(listener.outcomes[0].caseId, "0000007");
        EXPECT_EQ(listener.outcomes[2].caseId, "0000009");
        EXPECT_EQ(home.Rows().size(), 8u);
    }
}

TEST(ImportEngine, StopAfterTheThirdOfFive)
{
    ImportHome home;
    home.AddArchives("P", 5, SampleType::Ecg);
    ImportEngine engine = EngineFor(home);
    ScriptedListener listener;
    listener.stopAfter = 3;
    EXPECT_EQ(engine.Download(Names(engine), Options(ReplaceMode::Ask), listener).end, RunEnd::Stopped);
    EXPECT_EQ(listener.lastHandled, 3);
    EXPECT_EQ(listener.lastSelected, 5);
    EXPECT_EQ(home.Rows().size(), 3u);
    EXPECT_EQ(home.ArchiveFolders(), (std::vector<std::string>{"0000002", "0000003", "0000004"}));
}

TEST(ImportEngine, DeleteAfterTakesOnlyWrittenArchivesOffTheCard)
{
    ImportHome home;
    home.AddArchives("D", 3, SampleType::EcgAndSpO2);
    ImportEngine engine = EngineFor(home);
    // The second archive's SpO2 file goes missing before the run.
    std::filesystem::remove(home.card() / "D000002.SPO");
    ScriptedListener listener;
    engine.Download(Names(engine), Options(ReplaceMode::Ask, true), listener);
    ASSERT_EQ(listener.outcomes.size(), 3u);
    EXPECT_TRUE(listener.outcomes[0].deletedFromCard);
    EXPECT_EQ(listener.outcomes[1].status, ArchiveStatus::Failed);
    EXPECT_FALSE(listener.outcomes[1].deletedFromCard);
    EXPECT_TRUE(listener.outcomes[2].deletedFromCard);
    EXPECT_EQ(FindDeviceFiles(home.card()), (std::vector<std::filesystem::path>{home.card() / "D000002.ECG"}));
    EXPECT_EQ(Names(engine), (std::vector<std::string>{"D000002"}));
    EXPECT_EQ(home.Rows().size(), 2u);

    // Deleting from the card alone, stopped before the first archive.
    ScriptedListener stopper;
    stopper.stopAfter = 0;
    EXPECT_EQ(engine.DeleteFromCard({"D000002"}, stopper), RunEnd::Stopped);
    EXPECT_TRUE(std::filesystem::exists(home.card() / "D000002.ECG"));
    ScriptedListener deleter;
    EXPECT_EQ(engine.DeleteFromCard({"D000002"}, deleter), RunEnd::Completed);
    EXPECT_TRUE(FindDeviceFiles(home.card()).empty());
    EXPECT_TRUE(engine.entries().empty());
}

TEST(ImportEngine, FailuresLeaveNoHalfCase)
{
    ImportHome home;
    home.AddArchives("F", 4, SampleType::EcgAndSpO2);
    ImportEngine engine = EngineFor(home);

    // The card is pulled from under the third archive while the second is copied.
    ScriptedListener listener;
    listener.onHandled = [&](const ArchiveOutcome& outcome) {
        if (outcome.name == "F000002")
            std::filesystem::remove(home.card() / "F000003.ECG");
    };
    EXPECT_EQ(engine.Download(Names(engine), Options(ReplaceMode::Ask), listener).end, RunEnd::Completed);
    ASSERT_EQ(listener.outcomes.size(), 4u);
    EXPECT_EQ(listener.outcomes[2].status, ArchiveStatus::Failed);
    EXPECT_NE(listener.outcomes[2].message, "");
    EXPECT_EQ(listener.outcomes[3].caseId, "0000004");
    EXPECT_EQ(home.Rows().size(), 3u);
    EXPECT_EQ(home.ArchiveFolders(), (std::vector<std::string>{"0000002", "0000003", "0000004"}));
    EXPECT_EQ(Entry(engine, "F000003").Loaded, 0);

    // An archive root that cannot hold folders: every archive fails, no row is made.
    ImportHome blocked;
    blocked.AddArchives("G", 2, SampleType::Ecg);
    WriteBytes(blocked.archiveRoot(), {'x'});
    ImportEngine engine2 = EngineFor(blocked);
    ScriptedListener listener2;
    EXPECT_EQ(engine2.Download(Names(engine2), Options(ReplaceMode::Ask), listener2).end, RunEnd::Completed);
    ASSERT_EQ(listener2.outcomes.size(), 2u);
    for (const auto& outcome : listener2.outcomes) {
        EXPECT_EQ(outcome.status, ArchiveStatus::Failed);
        EXPECT_NE(outcome.message.find("archive folder"), std::string::npos) << outcome.message;
    }
    EXPECT_TRUE(blocked.Rows().empty());
}

TEST(ImportEngine, DatabaseFailureFailsThatArchiveAlone)
{
    ImportHome home;
    home.AddArchives("Q", 3, SampleType::Ecg);
    home.Execute("CREATE TRIGGER refuse BEFORE INSERT ON \"CaseManage\" WHEN NEW.\"CaseTAVOID\" = 'Q000002' "
                 "BEGIN SELECT RAISE(ABORT, 'no room for Q000002'); END");
    ImportEngine engine = EngineFor(home);
    ScriptedListener listener;
    EXPECT_EQ(engine.Download(Names(engine), Options(ReplaceMode::Ask), listener).end, RunEnd::Completed);
    ASSERT_EQ(listener.outcomes.size(), 3u);
    EXPECT_EQ(listener.outcomes[1].status, ArchiveStatus::Failed);
    EXPECT_NE(listener.outcomes[1].message.find("no room for Q000002"), std::string::npos);
    // The others are whole cases; the refused one left neither row nor folder.
    EXPECT_EQ(home.Rows().size(), 2u);
    EXPECT_EQ(home.ArchiveFolders(), (std::vector<std::string>{"0000002", "0000003"}));
    ExpectCaseFiles(home, "0000003", "Q000003", SampleType::Ecg);
}

TEST(ImportEngine, DamagedDeviceFilesFollowTheConversionRules)
{
    ImportHome home;
    home.AddArchives("T", 1, SampleType::Ecg, {2026, 2, 1, 6, 0, 0}, 60);    // 12000 samples
    home.AddArchives("G", 1, SampleType::SpO2, {2026, 2, 1, 7, 0, 0}, 100);  // 100 blocks
    home.AddArchives("H", 1, SampleType::SpO2, {2026, 2, 1, 8, 0, 0}, 30);

    // T: cut in the middle of its last block.
    auto ecg = ReadBytes(home.card() / "T000001.ECG");
    const std::size_t blocks = (ecg.size() - 8) / 512;
    ecg.resize(8 + (blocks - 1) * 512 + 100);
    WriteBytes(home.card() / "T000001.ECG", ecg);
    // G: two bytes of garbage in front of the first block.
    auto spo = ReadBytes(home.card() / "G000001.SPO");
    spo.insert(spo.begin() + 8, {0x12, 0x34});
    WriteBytes(home.card() / "G000001.SPO", spo);
    // H: month 13 in the header.
    auto dated = ReadBytes(home.card() / "H000001.SPO");
    dated[3] = 13;
    WriteBytes(home.card() / "H000001.SPO", dated);

    const archive::DateTime before = archive::LocalNow();
    ImportEngine engine = EngineFor(home);
    EXPECT_GE(Entry(engine, "H000001").StartTime, before);
    EXPECT_LE(Entry(engine, "H000001").StartTime, archive::LocalNow());
    ScriptedListener listener;
    engine.Download(Names(engine), Options(ReplaceMode::Ask), listener);
    for (const auto& outcome : listener.outcomes)
        EXPECT_EQ(outcome.status, ArchiveStatus::Added) << outcome.name << ": " << outcome.message;

    const auto caseOf = [&](const std::string& name) { return home.archiveRoot() / Entry(engine, name).CaseID; };
    auto ecgTruth = ReadBytes(home.truth() / "T000001" / "data.ecg");
    ecgTruth.resize((blocks - 1) * 253 * 2);   // every whole block, the cut one lost
    EXPECT_EQ(ReadBytes(caseOf("T000001") / "data.ecg"), ecgTruth);

    // Every chunk of 5120 bytes now ends inside a block: that block is lost.
    const auto spoTruth = ReadBytes(home.truth() / "G000001" / "data.spo");
    std::vector<std::uint8_t> expected;
    for (std::size_t record = 0; record * 4 < spoTruth.size(); ++record) {
        if (record % 20 != 19)
            expected.insert(expected.end(), spoTruth.begin() + record * 4, spoTruth.begin() + record * 4 + 4);
    }
    EXPECT_EQ(ReadBytes(caseOf("G000001") / "data.spo"), expected);
    EXPECT_EQ(ReadBytes(caseOf("H000001") / "data.spo"), ReadBytes(home.truth() / "H000001" / "data.spo"));
}
