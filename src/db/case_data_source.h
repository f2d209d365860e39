#pragma once

#include <QDir>
#include <QString>

namespace db {

// What start-up did to the per-user data source "Case".
enum class DsnRegistration {
    Created,   // it was missing and now points at the embedded database
    Repointed, // it named an SQLite database elsewhere and now names this one
    Unchanged, // it already named this database
    LeftAlone, // it uses another driver (a shared clinic server, say)
    Failed,    // it could not be written
};

// The embedded case database in a start directory.
QString CaseDatabasePath(const QString& startDirectory);

// Declares or re-points "Case" in the user's ODBC data-source file for the
// database in the start directory (default: the current directory). Unless
// ODBCINI names that file, it is $HOME/.odbc.ini from here on.
DsnRegistration RegisterCaseDSN(const QString& startDirectory = QDir::currentPath());

// Writes a new user data source with the SQLite3 driver; 1 on success, 0 when
// the driver is not installed, the data source exists already, or writing fails.
int CreateCaseDSN(const QString& name, const QString& path, const QString& description);

} // namespace db
