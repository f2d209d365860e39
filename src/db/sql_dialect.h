#pragma once

#include <QString>

#include <optional>

namespace db {

// The SQL flavour a connected database speaks. Access is the original desktop
// database; SQLite is the embedded default; PostgreSQL the shared clinic server.
enum class SqlDialect { Access, Sqlite, Postgres };

// Maps the driver's SQL_DBMS_NAME to a dialect; nullopt for databases the case
// queries were never written for.
std::optional<SqlDialect> DialectFromDbmsName(const QString& dbmsName);

} // namespace db
