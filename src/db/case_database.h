#pragma once

#include "db/db_result.h"
#include "db/odbc_connection.h"

#include <QString>

namespace db {

// The data source every part of the program reaches the case table through.
inline constexpr const char* kCaseDataSourceName = "Case";

// Connection string of the recordsets. Where this process registered "Case"
// for its embedded SQLite file, it is "ODBC;DSN=Case;PWD=Sorrel7261K;Database=<file>":
// the file named in the string wins over the user-wide entry, which another
// start folder's program may have re-pointed meanwhile. For any other database
// it is "DSN=Case;": the data source's own user and password (or the driver's
// password file) sign in, never a password published in the program.
QString RecordsetConnectString();
// Connection string of the direct connections (counting rows, the review
// window): "DSN=Case;UID=admin;PWD=Sorrel7261K;Database=<file>;" for the
// embedded file, else "DSN=Case;".
QString DirectConnectString();

enum class CaseConnectionKind { Recordset, Direct };

// Connects to the case database by its data source name and makes sure the
// table [CaseManage] exists.
DbResult<OdbcConnection> OpenCaseDatabase(CaseConnectionKind kind);

} // namespace db
