#include "import_home.h"

#include "card_writer.h"
#include "db/my_record_set.h"
#include "test_data.h"
#include "transfer/card_reader.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace testsupport {

ImportHome::ImportHome() : m_db(Backend::Sqlite, m_home.path())
{
    if (!m_db.problem().isEmpty())
        throw std::runtime_error(m_db.problem().toStdString());
    std::filesystem::create_directories(card());
}

void ImportHome::AddArchives(const std::string& prefix, int count, archive::SampleType type,
                             const archive::DateTime& start, double seconds) const
{
    recsim::SimOptions options;
    options.cardFolder = card();
    options.truthFolder = truth();
    options.archiveCount = count;
    options.type = type;
    options.seconds = seconds;
    options.firstStart = start;
    options.namePrefix = prefix;
    const base::Status written = recsim::WriteCard(options);
    if (!written.ok())
        throw std::runtime_error(written.error());
}

ImportEngine ImportHome::Engine(const std::string& prefix) const
{
    std::vector<std::filesystem::path> files = FindDeviceFiles(card());
    std::erase_if(files, [&](const auto& file) { return !file.filename().string().starts_with(prefix); });
    ImportEngine engine(archiveRoot());
    engine.SetEntries(ReadCard(files, std::nullopt).entries);
    EXPECT_FALSE(engine.MarkLoaded().has_value());
    return engine;
}

std::vector<ImportedCase> ImportHome::Rows() const
{
    db::CMyRecordSet recordset;
    if (!recordset.Open())
        throw std::runtime_error("cannot read the case table");
    std::vector<ImportedCase> rows;
    for (; !recordset.IsEOF(); recordset.MoveNext()) {
        const db::SystemTime& t = recordset.SampleTime;
        rows.push_back({recordset.CaseID.toStdString(), recordset.CaseTAVOID.toStdString(),
                        static_cast<archive::SampleType>(recordset.CaseStyle),
                        archive::DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second}, recordset.BeDelete,
                        recordset.Custom4.toStdString()});
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.caseId < b.caseId; });
    return rows;
}

std::vector<std::string> ImportHome::ArchiveFolders() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(archiveRoot(), error))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void ImportHome::ExpectCaseHolds(const std::string& caseId, const std::string& archiveName) const
{
    for (const char* stream : {"data.ecg", "data.spo"}) {
        const auto stored = archiveRoot() / caseId / stream;
        const auto expected = truth() / archiveName / stream;
        EXPECT_EQ(std::filesystem::exists(stored), std::filesystem::exists(expected)) << stored;
        EXPECT_EQ(ReadBytes(stored), ReadBytes(expected)) << stored;
    }
}

void ImportHome::ExpectEachArchiveOnce(std::size_t archives) const
{
    std::set<std::string> names;
    std::vector<std::string> ids;
    for (const ImportedCase& row : Rows()) {
        names.insert(row.tavoId);
        ids.push_back(row.caseId);
        ExpectCaseHolds(row.caseId, row.tavoId);
    }
    EXPECT_EQ(ids.size(), archives);
    EXPECT_EQ(names.size(), archives);
    EXPECT_EQ(ArchiveFolders(), ids);
}

std::vector<std::string> NamesOf(const ImportEngine& engine)
{
    std::vector<std::string> names;
    for (const ArchiveEntry& entry : engine.entries())
        names.push_back(entry.Name);
    return names;
}

ReplaceReply RecordingListener::AskReplace(const std::string& archiveName)
{
    asked.push_back(archiveName);
    if (asked.size() > replies.size()) {
        ADD_FAILURE() << "unexpected replace question for " << archiveName;
        return {};
    }
    return replies[asked.size() - 1];
}

void RecordingListener::ArchiveHandled(const ArchiveOutcome& outcome, int handledSoFar, int selectedInRun)
{
    outcomes.push_back(outcome);
    handled = handledSoFar;
    selected = selectedInRun;
    if (onHandled)
        onHandled(outcome);
}

} // namespace testsupport
