#pragma once

#include "db/db_result.h"
#include "db/odbc_connection.h"

#include <QString>

namespace db {

// The data source every part of the program reaches the case table through.
inline constexpr const char* kCaseDataSourceName = "Case";

// Connection string of the recordsets.
QString RecordsetConnectString();
// Connection string of the direct connections (counting rows, the review window).
QString DirectConnectString();

enum class CaseConnectionKind { Recordset, Direct };

// Connects to the case database by its data source name and makes sure the
// table [CaseManage] exists.
DbResult<OdbcConnection> OpenCaseDatabase(CaseConnectionKind kind);

} // namespace db
