#pragma once

#include "db/db_result.h"

#include <QString>

namespace db {

class OdbcConnection;

// The two users of the numbering rule differ only on an empty table: the
// download starts from "0000001" (so its first case is 0000002), live sampling
// from nothing (its first case is 0000001).
enum class NumberingRule { Download, LiveSampling };

// "%07d" of the number + 1; the number is read from its leading decimal digits
// (none: 0).
QString NextCaseNumber(const QString& lastNumber);

// The largest case number in the table (deleted rows count), "" when empty.
DbResult<QString> LastCaseNumber(OdbcConnection& connection);

// The number for a new case.
DbResult<QString> NewCaseID(OdbcConnection& connection, NumberingRule rule);
DbResult<QString> NewCaseID(NumberingRule rule);

} // namespace db
