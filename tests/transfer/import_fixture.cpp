#include "import_fixture.h"

#include "card_writer.h"
#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/my_record_set.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>

namespace transfertest {

ImportHome::ImportHome()
{
    // The driver manager reads user data sources from the passwd home, not
    // from $HOME: point it at a file of this test.
    setenv("ODBCINI", (m_home / ".odbc.ini").c_str(), 1);
    if (const auto registered = db::RegisterCaseDSN(QString::fromStdString(home().string())); !registered.ok())
        throw std::runtime_error(registered.message.toStdString());
    if (!db::OpenCaseDatabase(db::CaseConnectionKind::Recordset))
        throw std::runtime_error("cannot open the case database");
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

void ImportHome::Execute(const std::string& sql) const
{
    auto connection = db::OpenCaseDatabase(db::CaseConnectionKind::Direct);
    if (!connection)
        throw std::runtime_error(connection.error().text.toStdString());
    if (auto done = connection->Execute(db::SqlText{QString::fromStdString(sql), {}}); !done)
        throw std::runtime_error(done.error().text.toStdString());
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

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace transfertest
