#pragma once

#include "db/db_result.h"

#include <sql.h>

namespace db {

// Collects every diagnostic record of a handle into one error: the driver's
// messages, one per line, and the state of the first record. `what` names the
// failed step when the driver left no record.
DbError DiagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

} // namespace db
