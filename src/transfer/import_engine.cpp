#include "transfer/import_engine.h"

#include "archive/archive_paths.h"
#include "archive/device_file_converter.h"
#include "archive/file_utils.h"
#include "db/case_numbering.h"
#include "transfer/case_staging.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

namespace {

// An archive converted into its staging folder.
struct Conversion {
    CaseStaging staging;
    std::int64_t spo2Bytes = -1;   // -1: no such stream
    std::int64_t ecgBytes = -1;
};

// Converts the archive's device files into a fresh staging folder, SpO2 first.
std::optional<Conversion> Convert(const std::filesystem::path& archiveRoot, const ArchiveEntry& entry,
                                  std::string& error)
{
    auto staging = CaseStaging::Create(archiveRoot, error);
    if (!staging)
        return std::nullopt;
    Conversion conversion{std::move(*staging)};
    const auto convert = [&](const std::filesystem::path& source, std::string_view fileName,
                             archive::ConvertMode mode, std::int64_t& bytes) {
        const std::filesystem::path destination = conversion.staging.folder() / fileName;
        if (const base::Status status = archive::CopyArchiveFile(source, destination, mode); !status) {
            error = status.error();
            return false;
        }
        bytes = archive::FileSize(destination.string());
        return true;
    };
    if (entry.HasSpO2()
        && !convert(entry.SpO2Source, archive::kSpO2DataFile, archive::ConvertMode::SpO2, conversion.spo2Bytes))
        return std::nullopt;
    if (entry.HasEcg()
        && !convert(entry.EcgSource, archive::kEcgDataFile, archive::ConvertMode::Ecg, conversion.ecgBytes))
        return std::nullopt;
    return conversion;
}

std::string DatabaseText(const db::DbError& error)
{
    return error.text.toStdString();
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
        earliest = std::min(earliest, entry.StartTime);
    const auto rows = m_caseRows.RowsSince(earliest);
    if (!rows)
        return rows.error();

    const int count = static_cast<int>(m_entries.size());
    for (int k = 0; k < count; ++k) {
        if (progress)
            progress(80 + 20 * k / count);
        ArchiveEntry& entry = m_entries[static_cast<std::size_t>(k)];
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
        if (found < 0)
            continue;
        const auto matches = [&](long index) {
            const ImportedCase& row = (*rows)[static_cast<std::size_t>(index)];
            if (row.tavoId != entry.Name)
                return false;
            entry.Loaded = 1;
            entry.CaseID = row.caseId;
            return true;
        };
        const auto sameTime = [&](long index) {
            return (*rows)[static_cast<std::size_t>(index)].sampleTime == entry.StartTime;
        };
        bool marked = false;
        for (long i = found; i >= low && sameTime(i) && !marked; --i)
            marked = matches(i);
        for (long i = found + 1; i <= high && sameTime(i) && !marked; ++i)
            marked = matches(i);
    }
    return std::nullopt;
}

RunResult ImportEngine::Download(const std::vector<std::string>& names, const ImportOptions& options,
                                 ImportListener& listener)
{
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

        bool replace = mode == ReplaceMode::ReplaceAll && entry->Loaded == 1;
        if (mode == ReplaceMode::Ask && entry->Loaded == 1) {
            const ReplaceReply reply = listener.AskReplace(name);
            if (reply.button == ReplaceReply::Cancel) {
                result.end = RunEnd::Cancelled;
                break;
            }
            replace = reply.button == ReplaceReply::Yes;
            if (reply.sameOperation)
                mode = replace ? ReplaceMode::ReplaceAll : ReplaceMode::KeepAll;
        }

        ArchiveOutcome outcome = replace ? ReplaceCase(*entry, result) : AddNewCase(*entry, lastNewCaseId, result);
        if (outcome.status != ArchiveStatus::Failed) {
            ++handled;
            if (options.deleteAfter && outcome.message.empty()) {
                outcome.message = DeleteDeviceFiles(*entry);
                outcome.deletedFromCard = outcome.message.empty();
                if (outcome.deletedFromCard)
                    m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
            }
        }
        listener.ArchiveHandled(outcome, handled, selected);
        if (result.end == RunEnd::DatabaseFailed)
            break;
    }
    return result;
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
    return db::NextCaseNumber(QString::fromStdString(lastNewCaseId)).toStdString();
}

ArchiveOutcome ImportEngine::AddNewCase(ArchiveEntry& entry, std::string& lastNewCaseId, RunResult& result)
{
    ArchiveOutcome outcome{entry.Name, ArchiveStatus::Failed, {}, {}, false};
    auto conversion = Convert(m_archiveRoot, entry, outcome.message);
    if (!conversion)
        return outcome;

    db::DbError error;
    const auto caseId = NextCaseId(lastNewCaseId, error);
    if (!caseId) {
        result = {RunEnd::DatabaseFailed, DatabaseText(error)};
        outcome.message = result.message;
        return outcome;
    }
    const ImportedCase row{*caseId, entry.Name, entry.Type, entry.StartTime, false};
    const auto added = m_caseRows.AddCase(row);
    if (!added) {
        result = {RunEnd::DatabaseFailed, DatabaseText(added.error())};
        outcome.message = result.message;
        return outcome;
    }
    const std::string& newCaseId = *added;
    lastNewCaseId = newCaseId;

    const auto folder = CaseFolder(newCaseId);
    const base::Status moved = folder ? conversion->staging.BecomeCaseFolder(*folder)
                                         : base::Status::Error("\"" + newCaseId + "\" is no case number");
    if (!moved) {
        outcome.message = moved.error();
        if (const db::DbStatus removed = m_caseRows.RemoveCase(newCaseId); !removed) {
            result = {RunEnd::DatabaseFailed, DatabaseText(removed.error())};
            outcome.message += "; the case row " + newCaseId + " could not be removed again: " + result.message;
        }
        return outcome;
    }

    entry.Loaded = 1;
    entry.CaseID = newCaseId;
    outcome.status = ArchiveStatus::Added;
    outcome.caseId = newCaseId;
    if (const auto problem = Verify(entry, conversion->spo2Bytes, conversion->ecgBytes))
        outcome.message = *problem;
    return outcome;
}

ArchiveOutcome ImportEngine::ReplaceCase(ArchiveEntry& entry, RunResult& result)
{
    ArchiveOutcome outcome{entry.Name, ArchiveStatus::Failed, entry.CaseID, {}, false};
    const auto found = m_caseRows.FindCase(entry.CaseID);
    if (!found) {
        result = {RunEnd::DatabaseFailed, DatabaseText(found.error())};
        outcome.message = result.message;
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
        result = {RunEnd::DatabaseFailed, DatabaseText(updated.error())};
        outcome.message = result.message;
        return outcome;
    }
    if (!*updated) {
        outcome.message = "case " + entry.CaseID + " is no longer in the case table";
        return outcome;
    }

    if (const base::Status moved = conversion->staging.MoveFilesInto(*folder); !moved) {
        outcome.message = moved.error();
        const auto restored = m_caseRows.UpdateCase(entry.CaseID, before.style, before.deleted);
        if (!restored) {
            result = {RunEnd::DatabaseFailed, DatabaseText(restored.error())};
            outcome.message += "; the case row could not be restored: " + result.message;
        }
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
