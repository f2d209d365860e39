#pragma once

#include "db/case_row.h"
#include "temp_dir.h"

#include <QString>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

enum class Backend { Sqlite, Postgres };

// INSTANTIATE_TEST_SUITE_P(Backends, Suite, BothBackends(), BackendName) names
// the cases ".../SQLite" and ".../PostgreSQL".
std::string BackendName(const testing::TestParamInfo<Backend>& info);
inline auto BothBackends() { return testing::Values(Backend::Sqlite, Backend::Postgres); }

// Points the data source "Case" at a fresh, empty case database for a start
// folder: its SQLite file, or a schema of its own on the test PostgreSQL
// server (started by scripts/test-postgres.sh), dropped again afterwards.
class CaseDb {
public:
    CaseDb(Backend backend, std::filesystem::path startDir);
    ~CaseDb();
    CaseDb(const CaseDb&) = delete;
    CaseDb& operator=(const CaseDb&) = delete;

    // Empty when the database is ready, else why not.
    const QString& problem() const { return m_problem; }
    // A connection string that reaches the same database without the data source.
    QString AdminConnectString() const;
    // Adds rows through the program's own recordset.
    void AddRows(const std::vector<db::CaseRow>& rows) const;
    // Runs SQL straight on the case database (making its table first if need be).
    void Execute(const std::string& sql) const;

private:
    Backend m_backend;
    std::filesystem::path m_startDir;
    QString m_problem;
    QString m_schema;
};

// A row's start time (no day of week).
inline db::SystemTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return {std::uint16_t(year), std::uint16_t(month),  0, std::uint16_t(day),
            std::uint16_t(hour), std::uint16_t(minute), std::uint16_t(second), 0};
}

// Writes one key of the user's data source "Case" through the installer library.
void WriteCaseDsnValue(const char* key, const QString& value);

// A test run once over each database, in a start folder of its own.
class CaseDbTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override { ASSERT_TRUE(db.problem().isEmpty()) << db.problem().toStdString(); }

    TempDir start;
    CaseDb db{GetParam(), start.path()};
};

} // namespace testsupport
