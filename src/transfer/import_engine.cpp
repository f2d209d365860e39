#include "transfer/import_engine.h"

#include "archive/archive_paths.h"
#include "archive/block_converter.h"
#include "archive/device_file_converter.h"
#include "archive/file_utils.h"
#include "base/file_lock.h"
#include "db/case_numbering.h"
#include "db/case_table_lock.h"
#include "transfer/case_staging.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

namespace {

// How many occupied case numbers an import passes over before it gives up
// (folders left by a deleted case table, or numbers another workstation took).
constexpr int kMaxCaseNumberAttempts = 100;

// Rows of archives with no valid header time carry the time they were imported,
// which is never before this.
constexpr archive::DateTime kEarliestImportTime{1970, 1, 1, 0, 0, 0};

// An archive converted into its staging folder.
struct Conversion {
    CaseStaging staging;
    std::int64_t spo2Bytes = -1;   // -1: no such stream
    std::int64_t ecgBytes = -1;
};

// Converts one device file into the staging folder; refuses a file that
// yields no recording.
bool ConvertFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                 archive::ConvertMode mode, std::int64_t& bytes, std::string& error)
{
    if (const base::Status status = archive::CopyArchiveFile(source, destination, mode); !status) {
        error = status.error();
        return false;
    }
    bytes = archive::FileSize(destination.string());
    const std::int64_t body = archive::FileSize(source.string()) - static_cast<std::int64_t>(archive::kDeviceHeaderBytes);
    const auto refusal = archive::NotARecording(static_cast<std::uint64_t>(std::max<std::int64_t>(body, 0)),
                                                static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0)), mode);
    if (refusal) {
        error = source.filename().string() + ": " + *refusal;
        return false;
    }
    return true;
}

// Converts the archive's device files into a fresh staging folder, SpO2
// first, and makes them durable.
std::optional<Conversion> Convert(const std::filesystem::path& archiveRoot, const ArchiveEntry& entry,
                                  std::string& error)
{
    auto staging = CaseStaging::Create(archiveRoot, error);
    if (!staging)
        return std::nullopt;
    Conversion conversion{std::move(*staging)};
    const std::filesystem::path& folder = conversion.staging.folder();
    if (entry.HasSpO2()
        && !ConvertFile(entry.SpO2Source, folder / archive::kSpO2DataFile, archive::ConvertMode::SpO2,
                        conversion.spo2Bytes, error))
        return std::nullopt;
    if (entry.HasEcg()
        && !ConvertFile(entry.EcgSource, folder / archive::kEcgDataFile, archive::ConvertMode::Ecg,
                        conversion.ecgBytes, error))
        return std::nullopt;
    if (const base::Status sealed = conversion.staging.Seal(); !sealed) {
        error = sealed.error();
        return std::nullopt;
    }
    return conversion;
}

std::string DatabaseText(const db::DbError& error)
{
    return error.text.toStdString();
}

ImportedCase RowOf(const ArchiveEntry& entry, const std::string& caseId)
{
    return {caseId, entry.Name, entry.Type, entry.StartTime, false, entry.SourceId};
}

} // namespace

ImportEngine::ImportEngine(std::filesystem::path archiveRoot) : m_archiveRoot(std::move(archiveRoot)) {}

std::optional<std::filesystem::path> ImportEngine::CaseFolder(const std::string& caseId) const
{
    const auto folder = archive::CaseFolderPath(m_archiveRoot.string(), caseId);
    if (!folder)
        return std::nullopt;
    return std::filesystem::path(*folder);
}

bool ImportEngine::CaseFolderExists(const std::string& caseId) const
{
    const auto folder = CaseFolder(caseId);
    std::error_code error;
    return folder && std::filesystem::exists(std::filesystem::symlink_status(*folder, error));
}

ArchiveEntry* ImportEngine::FindEntry(const std::string& name)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&name](const ArchiveEntry& entry) { return entry.Name == name; });
    return found == m_entries.end() ? nullptr : &*found;
}

std::optional<db::DbError> ImportEngine::MarkLoaded(const std::function<void(int percent)>& progress)
{
    archive::DateTime earliest = archive::LocalNow();
    for (const ArchiveEntry& entry : m_entries)
        earliest = std::min(earliest, entry.StartTimeUnknown ? kEarliestImportTime : entry.StartTime);
    const auto rows = m_caseRows.RowsSince(earliest);
    if (!rows)
        return rows.error();

    const int count = static_cast<int>(m_entries.size());
    for (int k = 0; k < count; ++k) {
        if (progress)
            progress(80 + 20 * k / count);
        ArchiveEntry& entry = m_entries[static_cast<std::size_t>(k)];
        entry.Loaded = 0;
        entry.CaseID.clear();
        entry.CaseFolderLost = false;
        const ImportedCase* match = nullptr;
        if (entry.StartTimeUnknown) {
            // The start time is the time of reading: only the source id tells.
            const auto found = std::find_if(rows->begin(), rows->end(), [&entry](const ImportedCase& row) {
                return row.tavoId == entry.Name && !entry.SourceId.empty() && row.sourceId == entry.SourceId;
            });
            match = found == rows->end() ? nullptr : &*found;
        } else {
            // Binary search on the start time, then the rows of that same time
            // around the hit: backwards first, then forwards.
            long low = 0;
            long high = static_cast<long>(rows->size()) - 1;
            long found = -1;
            while (low <= high) {
                const long mid = (low + high) / 2;
                const archive::DateTime& time = (*rows)[static_cast<std::size_t>(mid)].sampleTime;
                if (time == entry.StartTime) {
                    found = mid;
                    break;
                }
                if (entry.StartTime < time)
                    high = mid - 1;
                else
                    low = mid + 1;
            }
            const auto matches = [&](long index) {
                const ImportedCase& row = (*rows)[static_cast<std::size_t>(index)];
                return row.sampleTime == entry.StartTime && row.tavoId == entry.Name;
            };
            const auto sameTime = [&](long index) {
                return (*rows)[static_cast<std::size_t>(index)].sampleTime == entry.StartTime;
            };
            for (long i = found; found >= 0 && i >= low && sameTime(i) && !match; --i)
                match = matches(i) ? &(*rows)[static_cast<std::size_t>(i)] : nullptr;
            for (long i = found + 1; found >= 0 && i <= high && sameTime(i) && !match; ++i)
                match = matches(i) ? &(*rows)[static_cast<std::size_t>(i)] : nullptr;
        }
        if (!match)
            continue;
        entry.CaseID = match->caseId;
        if (CaseFolderExists(match->caseId))
            entry.Loaded = 1;
        else
            entry.CaseFolderLost = true;
    }
    return std::nullopt;
}

RunResult ImportEngine::Download(const std::vector<std::string>& names, const ImportOptions& options,
                                 ImportListener& listener)
{
    const auto keepWaiting = [&listener] { return !listener.StopRequested(); };
    const auto waiting = [&listener] { listener.WaitingForOtherImport(); };
    std::string lockError;
    const auto lock = base::FileLock::Take(m_archiveRoot.parent_path() / kImportLockFileName, keepWaiting, waiting,
                                           lockError);
    if (!lock)
        return {listener.StopRequested() ? RunEnd::Stopped : RunEnd::NotStarted, lockError};
    // A shared case table may get rows from other workstations' imports too.
    const auto tableLock = db::CaseTableLock::Acquire(keepWaiting, waiting);
    if (!tableLock)
        return {listener.StopRequested() ? RunEnd::Stopped : RunEnd::NotStarted, DatabaseText(tableLock.error())};
    CaseStaging::RemoveLeftovers(m_archiveRoot);
    // Another import may have taken some of these archives since they were listed.
    if (const auto markError = MarkLoaded())
        return {RunEnd::DatabaseFailed, DatabaseText(*markError)};

    RunResult result;
    std::string lastNewCaseId;
    ReplaceMode mode = options.replaceMode;
    const int selected = static_cast<int>(names.size());
    int handled = 0;
    for (const std::string& name : names) {
        if (listener.StopRequested()) {
            result.end = RunEnd::Stopped;
            break;
        }
        ArchiveEntry* entry = FindEntry(name);
        if (!entry)
            continue;
        ArchiveOutcome outcome = HandleArchive(*entry, mode, lastNewCaseId, listener, result);
        if (result.end == RunEnd::Cancelled)
            break;
        if (outcome.status != ArchiveStatus::Failed && outcome.status != ArchiveStatus::Skipped) {
            ++handled;
            if (options.deleteAfter && outcome.message.empty()) {
                outcome.message = DeleteDeviceFiles(*entry);
                outcome.deletedFromCard = outcome.message.empty();
                if (outcome.deletedFromCard)
                    m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
            }
        }
        listener.ArchiveHandled(outcome, handled, selected);
    }
    return result;
}

ArchiveOutcome ImportEngine::HandleArchive(ArchiveEntry& entry, ReplaceMode& mode, std::string& lastNewCaseId,
                                           ImportListener& listener, RunResult& result)
{
    if (entry.CaseFolderLost)
        return RestoreCaseFolder(entry);
    const bool loaded = entry.Loaded == 1;
    if (loaded && mode == ReplaceMode::SkipLoaded)
        return {entry.Name, ArchiveStatus::Skipped, entry.CaseID, {}, false};
    bool replace = loaded && mode == ReplaceMode::ReplaceAll;
    if (loaded && mode == ReplaceMode::Ask) {
        const ReplaceReply reply = listener.AskReplace(entry.Name);
        if (reply.button == ReplaceReply::Cancel) {
            result.end = RunEnd::Cancelled; // the run ends here; this outcome is not reported
            return {entry.Name, ArchiveStatus::Failed, entry.CaseID, {}, false};
        }
        replace = reply.button == ReplaceReply::Yes;
        if (reply.sameOperation)
            mode = replace ? ReplaceMode::ReplaceAll : ReplaceMode::KeepAll;
    }
    return replace ? ReplaceCase(entry) : AddNewCase(entry, lastNewCaseId);
}

std::optional<std::string> ImportEngine::NextCaseId(std::string& lastNewCaseId, db::DbError& error) const
{
    if (lastNewCaseId.empty()) {
        auto last = m_caseRows.LastCaseId();
        if (!last) {
            error = last.error();
            return std::nullopt;
        }
        lastNewCaseId = *last;
    }
    // A number whose folder exists (left by a case table that was deleted or
    // replaced) is passed over.
    std::string next = db::NextCaseNumber(QString::fromStdString(lastNewCaseId)).toStdString();
    for (int attempt = 0; CaseFolderExists(next) && attempt < kMaxCaseNumberAttempts; ++attempt)
        next = db::NextCaseNumber(QString::fromStdString(next)).toStdString();
    return next;
}

ArchiveOutcome ImportEngine::AddNewCase(ArchiveEntry& entry, std::string& lastNewCaseId)
{
    ArchiveOutcome outcome{entry.Name, ArchiveStatus::Failed, {}, {}, false};
    auto conversion = Convert(m_archiveRoot, entry, outcome.message);
    if (!conversion)
        return outcome;

    std::optional<ImportedCase> row;
    for (int attempt = 0; !row && attempt < kMaxCaseNumberAttempts; ++attempt) {
        db::DbError error;
        const auto caseId = NextCaseId(lastNewCaseId, error);
        if (!caseId) {
            outcome.message = DatabaseText(error);
            return outcome;
        }
        const auto added = m_caseRows.AddCase(RowOf(entry, *caseId));
        if (!added) {
            outcome.message = DatabaseText(added.error());
            return outcome;
        }
        lastNewCaseId = *added;
        row = RowOf(entry, *added);
        // The database moved past a number another workstation took; that
        // number's folder may be occupied too.
        if (CaseFolderExists(*added)) {
            if (const db::DbStatus removed = m_caseRows.RemoveCase(*row); !removed) {
                outcome.message = "the case row " + *added + " names an occupied folder and could not be removed: "
                                  + DatabaseText(removed.error());
                return outcome;
            }
            row.reset();
        }
    }
    if (!row) {
        outcome.message = "no free case number: the folders of the next case numbers are all occupied";
        return outcome;
    }

    const auto folder = CaseFolder(row->caseId);
    const base::Status moved = folder ? conversion->staging.BecomeCaseFolder(*folder)
                                      : base::Status::Error("\"" + row->caseId + "\" is no case number");
    if (!moved) {
        outcome.message = moved.error();
        if (const db::DbStatus removed = m_caseRows.RemoveCase(*row); !removed)
            outcome.message += "; the case row " + row->caseId + " could not be removed again: "
                               + DatabaseText(removed.error());
        return outcome;
    }

    entry.Loaded = 1;
    entry.CaseID = row->caseId;
    outcome.status = ArchiveStatus::Added;
    outcome.caseId = row->caseId;
    if (const auto problem = Verify(entry, conversion->spo2Bytes, conversion->ecgBytes))
        outcome.message = *problem;
    return outcome;
}

ArchiveOutcome ImportEngine::RestoreCaseFolder(ArchiveEntry& entry)
{
    ArchiveOutcome outcome{entry.Name, ArchiveStatus::Failed, entry.CaseID, {}, false};
    const auto folder = CaseFolder(entry.CaseID);
    if (!folder) {
        outcome.message = "\"" + entry.CaseID + "\" is no case number";
        return outcome;
    }
    auto conversion = Convert(m_archiveRoot, entry, outcome.message);
    if (!conversion)
        return outcome;
    if (const base::Status moved = conversion->staging.BecomeCaseFolder(*folder); !moved) {
        outcome.message = moved.error();
        return outcome;
    }
    entry.Loaded = 1;
    entry.CaseFolderLost = false;
    outcome.status = ArchiveStatus::Added;
    if (const auto problem = Verify(entry, conversion->spo2Bytes, conversion->ecgBytes))
        outcome.message = *problem;
    return outcome;
}

ArchiveOutcome ImportEngine::ReplaceCase(ArchiveEntry& entry)
{
    ArchiveOutcome outcome{entry.Name, ArchiveStatus::Failed, entry.CaseID, {}, false};
    const auto found = m_caseRows.FindCase(entry.CaseID);
    if (!found) {
        outcome.message = DatabaseText(found.error());
        return outcome;
    }
    if (!found->has_value()) {
        outcome.message = "case " + entry.CaseID + " is no longer in the case table";
        return outcome;
    }
    const ImportedCase before = **found;
    const auto folder = CaseFolder(entry.CaseID);
    if (!folder) {
        outcome.message = "\"" + entry.CaseID + "\" is no case number";
        return outcome;
    }

    auto conversion = Convert(m_archiveRoot, entry, outcome.message);
    if (!conversion)
        return outcome;

    const auto updated = m_caseRows.UpdateCase(entry.CaseID, entry.Type, false);
    if (!updated) {
        outcome.message = DatabaseText(updated.error());
        return outcome;
    }
    if (!*updated) {
        outcome.message = "case " + entry.CaseID + " is no longer in the case table";
        return outcome;
    }

    if (const base::Status moved = conversion->staging.MoveFilesInto(*folder); !moved) {
        outcome.message = moved.error();
        if (const auto restored = m_caseRows.UpdateCase(entry.CaseID, before.style, before.deleted); !restored)
            outcome.message += "; the case row could not be restored: " + DatabaseText(restored.error());
        return outcome;
    }

    outcome.status = ArchiveStatus::Replaced;
    if (const auto problem = Verify(entry, conversion->spo2Bytes, conversion->ecgBytes))
        outcome.message = *problem;
    return outcome;
}
std::optional<std::string> ImportEngine::Verify(const ArchiveEntry& entry, std::int64_t spo2Bytes,
                                                std::int64_t ecgBytes) const
{
    const auto row = m_caseRows.FindCase(entry.CaseID);
    if (!row)
        return "the case row could not be read back: " + DatabaseText(row.error());
    if (!row->has_value())
        return "the case row " + entry.CaseID + " could not be read back";
    const ImportedCase& stored = **row;
    if (stored.tavoId != entry.Name || stored.style != entry.Type || stored.sampleTime != entry.StartTime
        || stored.deleted)
        return "the case row " + entry.CaseID + " does not read back as written";
    const std::filesystem::path folder = m_archiveRoot / entry.CaseID;
    const auto sameSize = [&folder](std::string_view fileName, std::int64_t bytes) {
        return bytes < 0 || archive::FileSize((folder / fileName).string()) == bytes;
    };
    if (!sameSize(archive::kSpO2DataFile, spo2Bytes) || !sameSize(archive::kEcgDataFile, ecgBytes))
        return "the case files in " + folder.string() + " do not read back as written";
    return std::nullopt;
}

std::string ImportEngine::DeleteDeviceFiles(const ArchiveEntry& entry)
{
    std::string failures;
    const auto remove = [&failures](const std::filesystem::path& file) {
        // A file that is already gone counts as deleted.
        std::error_code error;
        std::filesystem::remove(file, error);
        if (error)
            failures += (failures.empty() ? "" : "; ") + std::string("cannot delete ") + file.string() + ": "
                        + error.message();
    };
    if (entry.HasEcg())
        remove(entry.EcgCardFile);
    if (entry.HasSpO2())
        remove(entry.SpO2CardFile);
    return failures;
}

RunEnd ImportEngine::DeleteFromCard(const std::vector<std::string>& names, ImportListener& listener)
{
    const int selected = static_cast<int>(names.size());
    int handled = 0;
    for (const std::string& name : names) {
        if (listener.StopRequested())
            return RunEnd::Stopped;
        ArchiveEntry* entry = FindEntry(name);
        if (!entry)
            continue;
        ArchiveOutcome outcome{name, ArchiveStatus::Deleted, entry->CaseID, DeleteDeviceFiles(*entry), false};
        outcome.deletedFromCard = outcome.message.empty();
        if (!outcome.deletedFromCard)
            outcome.status = ArchiveStatus::Failed;
        if (outcome.deletedFromCard)
            m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
        ++handled;
        listener.ArchiveHandled(outcome, handled, selected);
    }
    return RunEnd::Completed;
}
