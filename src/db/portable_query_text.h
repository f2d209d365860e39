#pragma once

#include "db/case_query.h"
#include "db/sql_dialect.h"
#include "db/sql_text.h"

namespace db {

// Case queries for SQLite and PostgreSQL: double-quoted names, LIMIT, ISO
// date literals, and every typed text bound as a parameter of a LIKE with an
// ESCAPE clause. PostgreSQL matches without regard to case, as Access does.
class PortableQueryText {
public:
    explicit PortableQueryText(SqlDialect dialect) : m_dialect(dialect) {}

    SqlText Select(const CaseQuery& query) const;
    SqlText Count(const CaseQuery& query) const;
    SqlText Page(const CasePageQuery& page) const;

private:
    QString Name(const char* name) const;
    QString Like() const;
    QString AgeExpression() const;
    QString TimestampLiteral(const QDate& date, int hour, int minute, int second) const;
    QString TimeAtLeast(const SystemTime& time) const;
    // " WHERE a AND b" (or nothing), appending the bound values to params.
    QString Where(const CaseFilter& filter, std::vector<SqlValue>& params) const;
    QString OrderBy(CaseOrder order) const;

    SqlDialect m_dialect;
};

} // namespace db
