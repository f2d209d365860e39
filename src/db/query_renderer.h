#pragma once

#include "db/case_query.h"
#include "db/sql_dialect.h"
#include "db/sql_text.h"

namespace db {

// The statement that selects every column of the matching rows.
SqlText RenderSelect(const CaseQuery& query, SqlDialect dialect);

// The statement that counts the matching rows (one row, one column).
SqlText RenderCount(const CaseQuery& query, SqlDialect dialect);

// The statement of one page window.
SqlText RenderPage(const CasePageQuery& page, SqlDialect dialect);

// The text made safe for a quoted Access LIKE pattern: "[" -> "[[]", "%" -> "[%]",
// "'" -> "''", "_" -> "[_]", in that order.
QString EscapeAccessLike(const QString& text);

// The text made literal inside a LIKE pattern with ESCAPE '!'.
QString EscapePortableLike(const QString& text);

} // namespace db
