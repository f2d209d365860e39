#include "db/sql_dialect.h"

namespace db {

std::optional<SqlDialect> DialectFromDbmsName(const QString& dbmsName)
{
    if (dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return SqlDialect::Sqlite;
    if (dbmsName.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return SqlDialect::Postgres;
    if (dbmsName.contains(QLatin1String("ACCESS"), Qt::CaseInsensitive))
        return SqlDialect::Access;
    return std::nullopt;
}

} // namespace db
