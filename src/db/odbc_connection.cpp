#include "db/odbc_connection.h"

#include "db/odbc_diagnostics.h"
#include "db/odbc_statement.h"

#include <sqlext.h>

#include <array>
#include <mutex>

namespace db {

namespace {

constexpr SQLULEN kLoginTimeoutSeconds = 15;

// The PostgreSQL driver switches the process's locale while it connects
// (setlocale), which races with a connect on another thread (the download
// worker and the windows may connect at once): connects take turns.
std::mutex g_connectMutex;

} // namespace

void OdbcConnection::EnvFree::operator()(void* h) const { SQLFreeHandle(SQL_HANDLE_ENV, h); }

void OdbcConnection::DbcFree::operator()(void* h) const { SQLFreeHandle(SQL_HANDLE_DBC, h); }

OdbcConnection::~OdbcConnection()
{
    if (m_connected && m_dbc)
        SQLDisconnect(m_dbc.get());
}

DbResult<OdbcConnection> OdbcConnection::Open(const QString& connectString)
{
    OdbcConnection connection;
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return DbError{QStringLiteral("The ODBC driver manager cannot be used."), QString()};
    connection.m_env.reset(env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

    SQLHANDLE dbc = SQL_NULL_HANDLE;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)))
        return DiagnosticsOf(SQL_HANDLE_ENV, env, "Cannot allocate an ODBC connection.");
    connection.m_dbc.reset(dbc);

    // A server that does not answer must not hang the caller for minutes.
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(kLoginTimeoutSeconds)), 0);

    QString text = connectString;
    if (text.startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive))
        text.remove(0, 5);
    const std::u16string wide = text.toStdU16String();
    std::unique_lock connecting(g_connectMutex);
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr,
                                           reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(wide.c_str())),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    connecting.unlock();
    if (!Succeeded(rc))
        return DiagnosticsOf(SQL_HANDLE_DBC, dbc, "Cannot connect to the case database.");
    connection.m_connected = true;

    std::array<SQLWCHAR, 128> name{};
    SQLSMALLINT length = 0;
    if (!Succeeded(SQLGetInfoW(dbc, SQL_DBMS_NAME, name.data(), SQLSMALLINT(sizeof name), &length)))
        return DiagnosticsOf(SQL_HANDLE_DBC, dbc, "The database does not tell its name.");
    connection.m_dbmsName = QString::fromUtf16(reinterpret_cast<const char16_t*>(name.data()),
                                               std::min<qsizetype>(length / 2, qsizetype(name.size()) - 1));
    const auto dialect = DialectFromDbmsName(connection.m_dbmsName);
    if (!dialect)
        return DbError{QStringLiteral("The database \"%1\" is not supported for the case table.")
                           .arg(connection.m_dbmsName),
                       QString()};
    connection.m_dialect = *dialect;
    return connection;
}

DbResult<long> OdbcConnection::Execute(const SqlText& statement)
{
    auto stmt = OdbcStatement::Create(*this);
    if (!stmt)
        return stmt.error();
    if (auto status = stmt->Execute(statement); !status)
        return status.error();
    return stmt->RowCount();
}

} // namespace db
