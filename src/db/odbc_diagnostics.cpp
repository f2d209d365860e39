#include "db/odbc_diagnostics.h"

#include <sqlext.h>

#include <array>

namespace db {

DbError DiagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle, const char* what)
{
    DbError error;
    if (handle != SQL_NULL_HANDLE) {
        for (SQLSMALLINT record = 1;; ++record) {
            std::array<SQLWCHAR, 6> state{};
            std::array<SQLWCHAR, 1024> message{};
            SQLINTEGER nativeError = 0;
            SQLSMALLINT length = 0;
            const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state.data(), &nativeError,
                                                message.data(), SQLSMALLINT(message.size()), &length);
            if (!Succeeded(rc))
                break;
            const qsizetype kept = std::min<qsizetype>(length, qsizetype(message.size()) - 1);
            const QString line = QString::fromUtf16(reinterpret_cast<const char16_t*>(message.data()), kept);
            if (record == 1)
                error.sqlState = QString::fromUtf16(reinterpret_cast<const char16_t*>(state.data()), 5);
            if (!error.text.isEmpty())
                error.text += QLatin1Char('\n');
            error.text += line;
        }
    }
    if (error.text.isEmpty())
        error.text = QString::fromLatin1(what);
    return error;
}

} // namespace db
