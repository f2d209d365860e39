#pragma once

#include "db/db_result.h"
#include "db/sql_text.h"

#include <sql.h>
#include <sqlext.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace db {

class OdbcConnection;

// One statement handle on an open connection; the connection must outlive it.
// Parameter buffers live in the statement until it goes.
class OdbcStatement {
public:
    static DbResult<OdbcStatement> Create(const OdbcConnection& connection);

    OdbcStatement(OdbcStatement&&) noexcept = default;
    OdbcStatement& operator=(OdbcStatement&&) noexcept = default;

    SQLHSTMT handle() const { return m_stmt.get(); }

    // Static, read-only cursor (a snapshot); call before Execute.
    DbStatus UseSnapshotCursor();
    // Rows per fetch for bulk reading; call before Execute.
    DbStatus SetRowArraySize(SQLULEN rows, SQLULEN* rowsFetched);

    DbStatus Execute(const SqlText& statement);
    DbResult<long> RowCount();

    // Next row (or rowset); false at the end.
    DbResult<bool> Fetch();
    void CloseCursor();

    // Column readers for the current row; columns count from 1.
    DbResult<std::optional<QString>> GetText(SQLUSMALLINT column);
    DbResult<std::optional<int>> GetInt(SQLUSMALLINT column);
    DbResult<std::optional<SystemTime>> GetTimestamp(SQLUSMALLINT column);

    DbStatus BindColumn(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN elementBytes,
                        SQLLEN* indicators);

    DbError LastError(const char* what) const;

private:
    struct StmtFree { void operator()(void* h) const; };
    struct BoundParam {
        std::u16string text;
        SQLINTEGER number = 0;
        SQL_TIMESTAMP_STRUCT timestamp{};
        SQLLEN indicator = 0;
    };

    OdbcStatement() = default;
    DbStatus BindParam(SQLUSMALLINT position, const SqlValue& value);

    std::unique_ptr<void, StmtFree> m_stmt;
    // A deque keeps the addresses handed to the driver stable as it grows.
    std::deque<BoundParam> m_params;
};

} // namespace db
