#pragma once

#include "transfer/archive_entry.h"
#include "transfer/case_rows.h"
#include "transfer/import_listener.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The lock file in the start folder that lets one import at a time write to
// its case archive and case table.
inline constexpr const char* kImportLockFileName = ".import.lock";

// How a download run treats archives that already have a case.
enum class ReplaceMode : int {
    Ask = 0,        // ask the listener for each loaded archive
    ReplaceAll = 1, // replace the case of every loaded archive
    KeepAll = 2,    // import loaded archives once more, as new cases
    SkipLoaded = 3, // leave loaded archives alone
};

struct ImportOptions {
    ReplaceMode replaceMode = ReplaceMode::Ask;
    bool deleteAfter = false;     // delete the device files once the case is written and re-read
};

enum class RunEnd {
    Completed,        // every chosen archive was handled (some may have failed)
    Stopped,          // a stop request ended it between two archives
    Cancelled,        // the replace question was cancelled
    DatabaseFailed,   // the case table could not be read; `message` holds the database's text
    NotStarted,       // the import lock could not be taken; `message` says why
};

struct RunResult {
    RunEnd end = RunEnd::Completed;
    std::string message;
};

// Takes the archives of a card into the case archive: marks those already
// loaded, makes or replaces each chosen archive's case row, converts its
// device files into the case folder and may delete them from the card. It
// owns the archive list; while a run goes on, only the running thread may
// touch it.
//
// Nothing is lost or doubled, also when the process is killed at any moment
// or several imports start at once:
// - a run holds the import lock of the start folder (and, on a shared
//   database, the case table's lock), marks the loaded archives anew under it,
//   and first removes the staging folders a killed run left;
// - each archive is converted into a staging folder, which is synced; its case
//   row is committed next, and then the folder is renamed into place, so a row
//   can only be without its folder when the process died between the two: the
//   next run finds that row and writes its folder;
// - a file that yields no recording makes no case and stays on the card.
class ImportEngine {
public:
    explicit ImportEngine(std::filesystem::path archiveRoot);

    std::vector<ArchiveEntry>& entries() { return m_entries; }
    const std::vector<ArchiveEntry>& entries() const { return m_entries; }
    void SetEntries(std::vector<ArchiveEntry> entries) { m_entries = std::move(entries); }
    const std::filesystem::path& archiveRoot() const { return m_archiveRoot; }

    // Marks the entries whose start time (to the second) and name match a
    // case row, or, for archives whose header had no valid start time, whose
    // name and source id match. An entry whose row has lost its case folder is
    // left unloaded with CaseFolderLost set. `progress` hears 80 + 20 * k /
    // count before entry k. On a database failure nothing is marked and the
    // error is given.
    std::optional<db::DbError> MarkLoaded(const std::function<void(int percent)>& progress = {});

    // Downloads the named archives in the given order, holding the import lock
    // (waiting while another import runs).
    RunResult Download(const std::vector<std::string>& names, const ImportOptions& options,
                       ImportListener& listener);

    // Deletes the named archives' device files from the card and drops them
    // from the list. Gives Stopped when a stop request ended it.
    RunEnd DeleteFromCard(const std::vector<std::string>& names, ImportListener& listener);

private:

    ArchiveEntry* FindEntry(const std::string& name);
    ArchiveOutcome HandleArchive(ArchiveEntry& entry, ReplaceMode& mode, std::string& lastNewCaseId,
                                 ImportListener& listener, RunResult& result);
    std::optional<std::string> NextCaseId(std::string& lastNewCaseId, db::DbError& error) const;
    ArchiveOutcome AddNewCase(ArchiveEntry& entry, std::string& lastNewCaseId);
    ArchiveOutcome RestoreCaseFolder(ArchiveEntry& entry);
    ArchiveOutcome ReplaceCase(ArchiveEntry& entry);
    std::optional<std::string> Verify(const ArchiveEntry& entry, std::int64_t spo2Bytes,
                                      std::int64_t ecgBytes) const;
    std::optional<std::filesystem::path> CaseFolder(const std::string& caseId) const;
    bool CaseFolderExists(const std::string& caseId) const;
    static std::string DeleteDeviceFiles(const ArchiveEntry& entry);

    std::filesystem::path m_archiveRoot;
    CaseRows m_caseRows;
    std::vector<ArchiveEntry> m_entries;
};
