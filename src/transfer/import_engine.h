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

// How a download run treats archives that already have a case.
enum class ReplaceMode : int { Ask = 0, ReplaceAll = 1, KeepAll = 2 };

struct ImportOptions {
    ReplaceMode replaceMode = ReplaceMode::Ask;
    bool deleteAfter = false;     // delete the device files once the case is written and re-read
};

enum class RunEnd {
    Completed,        // every chosen archive was handled (some may have failed)
    Stopped,          // a stop request ended it between two archives
    Cancelled,        // the replace question was cancelled
    DatabaseFailed,   // the case table could not be written; `message` holds the database's text
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
// Each archive is converted into a staging folder first; its case row is
// added next, and then the folder moves into place (the row is removed
// again when that fails), so no row is left without its files and no case
// folder without its row.
class ImportEngine {
public:
    explicit ImportEngine(std::filesystem::path archiveRoot);

    std::vector<ArchiveEntry>& entries() { return m_entries; }
    const std::vector<ArchiveEntry>& entries() const { return m_entries; }
    void SetEntries(std::vector<ArchiveEntry> entries) { m_entries = std::move(entries); }
    const std::filesystem::path& archiveRoot() const { return m_archiveRoot; }

    // Marks the entries whose start time (to the second) and name match a
    // case row. `progress` hears 80 + 20 * k / count before entry k. On a
    // database failure nothing is marked and the error is given.
    std::optional<db::DbError> MarkLoaded(const std::function<void(int percent)>& progress = {});

    // Downloads the named archives in the given order.
    RunResult Download(const std::vector<std::string>& names, const ImportOptions& options,
                       ImportListener& listener);

    // Deletes the named archives' device files from the card and drops them
    // from the list. Gives Stopped when a stop request ended it.
    RunEnd DeleteFromCard(const std::vector<std::string>& names, ImportListener& listener);

private:

    ArchiveEntry* FindEntry(const std::string& name);
    std::optional<std::string> NextCaseId(std::string& lastNewCaseId, db::DbError& error) const;
    ArchiveOutcome AddNewCase(ArchiveEntry& entry, std::string& lastNewCaseId, RunResult& result);
    ArchiveOutcome ReplaceCase(ArchiveEntry& entry, RunResult& result);
    std::optional<std::string> Verify(const ArchiveEntry& entry, std::int64_t spo2Bytes,
                                      std::int64_t ecgBytes) const;
    std::optional<std::filesystem::path> CaseFolder(const std::string& caseId) const;
    static std::string DeleteDeviceFiles(const ArchiveEntry& entry);

    std::filesystem::path m_archiveRoot;
    CaseRows m_caseRows;
    std::vector<ArchiveEntry> m_entries;
};
