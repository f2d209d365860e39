#pragma once

#include "temp_dir.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dbtest {

enum class Backend { Sqlite, Postgres };

std::string BackendName(const testing::TestParamInfo<Backend>& info);

// Points the data source "Case" at a fresh, empty case database: an SQLite file
// in a temporary start folder, or a schema of its own on the test PostgreSQL
// server (started by scripts/test-postgres.sh), dropped again afterwards.
class CaseBackend {
public:
    explicit CaseBackend(Backend backend);
    ~CaseBackend();
    CaseBackend(const CaseBackend&) = delete;
    CaseBackend& operator=(const CaseBackend&) = delete;

    // Empty when the backend is ready, else why not.
    const QString& problem() const { return m_problem; }
    const testsupport::TempDir& startDir() const { return m_startDir; }
    // A connection string that reaches the same database without the DSN.
    QString AdminConnectString() const;

private:
    Backend m_backend;
    testsupport::TempDir m_startDir;
    QString m_problem;
    QString m_schema;
};

// Writes one key of the user's data source "Case" through the installer library.
void WriteCaseDsnValue(const char* key, const QString& value);

} // namespace dbtest
