#include "db/odbc_statement.h"

#include "db/odbc_connection.h"
#include "db/odbc_diagnostics.h"

#include <array>
#include <vector>

namespace db {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

void OdbcStatement::StmtFree::operator()(void* h) const { SQLFreeHandle(SQL_HANDLE_STMT, h); }

DbResult<OdbcStatement> OdbcStatement::Create(const OdbcConnection& connection)
{
    SQLHANDLE stmt = SQL_NULL_HANDLE;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt)))
        return DiagnosticsOf(SQL_HANDLE_DBC, connection.handle(), "Cannot allocate an ODBC statement.");
    OdbcStatement statement;
    statement.m_stmt.reset(stmt);
    return statement;
}

DbError OdbcStatement::LastError(const char* what) const
{
    return DiagnosticsOf(SQL_HANDLE_STMT, m_stmt.get(), what);
}

DbStatus OdbcStatement::UseSnapshotCursor()
{
    // Drivers that cannot offer a static cursor fall back to what they have
    // (with a warning); reading is the same either way.
    SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
    SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
    return {};
}

DbStatus OdbcStatement::SetRowArraySize(SQLULEN rows, SQLULEN* rowsFetched)
{
    if (!Succeeded(SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_ROW_BIND_TYPE,
                                  reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0))
        || !Succeeded(SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0))
        || !Succeeded(SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_ROWS_FETCHED_PTR, rowsFetched, 0)))
        return LastError("The driver cannot fetch several rows at once.");
    return {};
}

DbStatus OdbcStatement::BindParam(SQLUSMALLINT position, const SqlValue& value)
{
    BoundParam& param = m_params.emplace_back();
    const SQLRETURN rc = std::visit(
        Overloaded{
            [&](const SqlNull&) {
                param.indicator = SQL_NULL_DATA;
                return SQLBindParameter(m_stmt.get(), position, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0,
                                        param.text.data(), 0, &param.indicator);
            },
            [&](const QString& text) {
                param.text = text.toStdU16String();
                param.indicator = SQLLEN(param.text.size() * sizeof(char16_t));
                const SQLULEN columnSize = std::max<SQLULEN>(1, param.text.size());
                return SQLBindParameter(m_stmt.get(), position, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                        columnSize, 0, param.text.data(), param.indicator, &param.indicator);
            },
            [&](int number) {
                param.number = number;
                return SQLBindParameter(m_stmt.get(), position, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                        &param.number, 0, &param.indicator);
            },
            [&](bool flag) {
                param.number = flag ? 1 : 0;
                return SQLBindParameter(m_stmt.get(), position, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_BIT, 1, 0,
                                        &param.number, 0, &param.indicator);
            },
            [&](const SystemTime& time) {
                if (!time.IsValidDate()) {
                    param.indicator = SQL_NULL_DATA;
                } else {
                    param.timestamp = SQL_TIMESTAMP_STRUCT{SQLSMALLINT(time.year), time.month, time.day,
                                                           time.hour, time.minute, time.second, 0};
                    param.indicator = sizeof(SQL_TIMESTAMP_STRUCT);
                }
                return SQLBindParameter(m_stmt.get(), position, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                        SQL_TYPE_TIMESTAMP, 19, 0, &param.timestamp, 0, &param.indicator);
            },
        },
        value);
    if (!Succeeded(rc))
        return LastError("Cannot bind a statement parameter.");
    return {};
}

DbStatus OdbcStatement::Execute(const SqlText& statement)
{
    SQLFreeStmt(m_stmt.get(), SQL_RESET_PARAMS);
    m_params.clear();
    for (std::size_t i = 0; i < statement.params.size(); ++i) {
        if (auto status = BindParam(SQLUSMALLINT(i + 1), statement.params[i]); !status)
            return status;
    }
    const std::u16string text = statement.sql.toStdU16String();
    const SQLRETURN rc = SQLExecDirectW(m_stmt.get(), reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str())),
                                        SQLINTEGER(text.size()));
    // SQL_NO_DATA: a searched UPDATE or DELETE that touched no row.
    if (!Succeeded(rc) && rc != SQL_NO_DATA)
        return LastError("The database refused the statement.");
    return {};
}

DbResult<long> OdbcStatement::RowCount()
{
    SQLLEN rows = 0;
    if (!Succeeded(SQLRowCount(m_stmt.get(), &rows)))
        return LastError("The database did not report the changed rows.");
    return long(rows);
}

DbResult<bool> OdbcStatement::Fetch()
{
    const SQLRETURN rc = SQLFetch(m_stmt.get());
    if (rc == SQL_NO_DATA)
        return false;
    if (!Succeeded(rc))
        return LastError("Cannot read the next row.");
    return true;
}

void OdbcStatement::CloseCursor() { SQLFreeStmt(m_stmt.get(), SQL_CLOSE); }

DbResult<std::optional<QString>> OdbcStatement::GetText(SQLUSMALLINT column)
{
    QString text;
    std::array<SQLWCHAR, 256> chunk{};
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(m_stmt.get(), column, SQL_C_WCHAR, chunk.data(), sizeof chunk, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!Succeeded(rc))
            return LastError("Cannot read a text column.");
        if (indicator == SQL_NULL_DATA)
            return std::optional<QString>();
        // A chunk holds at most size-1 characters; the driver ends each with a NUL.
        const qsizetype available = qsizetype(chunk.size()) - 1;
        const qsizetype length = (indicator == SQL_NO_TOTAL || indicator / 2 > available) ? available : indicator / 2;
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(chunk.data()), length);
        if (rc == SQL_SUCCESS)
            break;
    }
    return std::optional<QString>(text);
}

DbResult<std::optional<int>> OdbcStatement::GetInt(SQLUSMALLINT column)
{
    SQLINTEGER number = 0;
    SQLLEN indicator = 0;
    if (!Succeeded(SQLGetData(m_stmt.get(), column, SQL_C_SLONG, &number, 0, &indicator)))
        return LastError("Cannot read a number column.");
    if (indicator == SQL_NULL_DATA)
        return std::optional<int>();
    return std::optional<int>(number);
}

DbResult<std::optional<SystemTime>> OdbcStatement::GetTimestamp(SQLUSMALLINT column)
{
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN indicator = 0;
    if (!Succeeded(SQLGetData(m_stmt.get(), column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator)))
        return LastError("Cannot read a date column.");
    if (indicator == SQL_NULL_DATA)
        return std::optional<SystemTime>();
    SystemTime time;
    time.year = std::uint16_t(ts.year);
    time.month = ts.month;
    time.day = ts.day;
    time.hour = ts.hour;
    time.minute = ts.minute;
    time.second = ts.second;
    return std::optional<SystemTime>(time);
}

DbStatus OdbcStatement::BindColumn(SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN elementBytes,
                                   SQLLEN* indicators)
{
    if (!Succeeded(SQLBindCol(m_stmt.get(), column, cType, buffer, elementBytes, indicators)))
        return LastError("Cannot bind a result column.");
    return {};
}

} // namespace db
