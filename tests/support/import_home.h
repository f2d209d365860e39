#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"
#include "case_db.h"
#include "temp_dir.h"
#include "transfer/import_engine.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A start folder with its own case database (SQLite through the data source
// "Case") and a card folder that the recorder simulator fills.
class ImportHome {
public:
    ImportHome();

    const std::filesystem::path& home() const { return m_home.path(); }
    std::filesystem::path archiveRoot() const { return m_home / "Archive"; }
    std::filesystem::path card() const { return m_home / "card"; }
    std::filesystem::path truth() const { return m_home / "truth"; }

    // Writes `count` simulator archives PREFIX000001.. of the type onto the
    // card, the first starting at `start`, and the streams their cases must
    // hold below truth()/NAME.
    void AddArchives(const std::string& prefix, int count, archive::SampleType type,
                     const archive::DateTime& start = {2026, 1, 5, 22, 0, 0}, double seconds = 90.0) const;

    // An engine over the card files whose names start with `prefix` (all:
    // ""), loaded archives marked, as the download dialog and tavo-import
    // prepare it.
    ImportEngine Engine(const std::string& prefix = "") const;

    // Every case row, by case id.
    std::vector<ImportedCase> Rows() const;
    void Execute(const std::string& sql) const { m_db.Execute(sql); }
    // Names of everything in the archive root, staging folders included (sorted).
    std::vector<std::string> ArchiveFolders() const;

    // The case folder holds exactly the streams the simulator wrote for the archive.
    void ExpectCaseHolds(const std::string& caseId, const std::string& archiveName) const;
    // `archives` archives imported once each: one row per archive, each row
    // with its complete folder, each folder with its row, no staging left.
    void ExpectEachArchiveOnce(std::size_t archives) const;

private:
    TempDir m_home;
    CaseDb m_db;
};

// The names of an engine's archives, in list order.
std::vector<std::string> NamesOf(const ImportEngine& engine);

// Answers replace questions from a script, stops when told, and keeps what
// the run reported.
struct RecordingListener : ImportListener {
    std::vector<ReplaceReply> replies;   // answers, in turn
    int stopAfter = -1;                  // stop once this many archives were handled
    std::function<void(const ArchiveOutcome&)> onHandled;

    std::vector<std::string> asked;
    std::vector<ArchiveOutcome> outcomes;
    int handled = 0;
    int selected = 0;

    bool StopRequested() override { return stopAfter >= 0 && handled >= stopAfter; }
    ReplaceReply AskReplace(const std::string& archiveName) override;
    void ArchiveHandled(const ArchiveOutcome& outcome, int handledSoFar, int selectedInRun) override;
};

} // namespace testsupport
