#pragma once

#include "db/db_result.h"
#include "db/sql_dialect.h"
#include "db/sql_text.h"

#include <sql.h>

#include <memory>

namespace db {

// One ODBC connection with its own environment, freed (and disconnected) when
// the object goes. Movable, not copyable.
class OdbcConnection {
public:
    // Connects with an ODBC connection string such as "DSN=Case;...". A leading
    // "ODBC;" (the recordset form of the string) is dropped as the ODBC classes
    // of the original framework did.
    static DbResult<OdbcConnection> Open(const QString& connectString);

    OdbcConnection(OdbcConnection&&) noexcept = default;
    OdbcConnection& operator=(OdbcConnection&&) noexcept = default;
    ~OdbcConnection();

    SQLHDBC handle() const { return m_dbc.get(); }
    SqlDialect dialect() const { return m_dialect; }
    const QString& dbmsName() const { return m_dbmsName; }

    // Runs a statement that returns no rows; returns the rows it changed.
    DbResult<long> Execute(const SqlText& statement);

private:
    struct EnvFree { void operator()(void* h) const; };
    struct DbcFree { void operator()(void* h) const; };

    OdbcConnection() = default;

    std::unique_ptr<void, EnvFree> m_env;
    std::unique_ptr<void, DbcFree> m_dbc;
    bool m_connected = false;
    SqlDialect m_dialect = SqlDialect::Sqlite;
    QString m_dbmsName;
};

} // namespace db
