#pragma once

#include <QDir>
#include <QString>

namespace db {

// What start-up did to the per-user data source "Case".
enum class DsnRegistration {
    Created,   // it was missing and now points at the embedded database
    Repointed, // it named an SQLite database elsewhere and now names this one
    Repaired,  // it was broken (no driver, or SQLite without a database) and is whole again
    Unchanged, // it already named this database
    LeftAlone, // it uses another driver (a shared clinic server, say)
    Failed,    // it could not be written, or the start folder cannot be declared
};

// The outcome of a registration and, when it failed, why, in words a user can read.
struct [[nodiscard]] DsnRegistrationResult {
    DsnRegistration outcome = DsnRegistration::Failed;
    QString message;

    bool ok() const { return outcome != DsnRegistration::Failed; }
    friend bool operator==(const DsnRegistrationResult& result, DsnRegistration outcome)
    {
        return result.outcome == outcome;
    }
};

// What this process's case connections reach, as its registration left "Case".
struct RegisteredCase {
    enum class Kind {
        None,         // not registered (or the registration failed): "Case" alone decides
        EmbeddedFile, // the SQLite file of this process's start folder
        OtherDriver,  // a database of another driver, declared by the user
    };
    Kind kind = Kind::None;
    QString databaseFile; // EmbeddedFile: the absolute path of the file
};

// The embedded case database in a start directory.
QString CaseDatabasePath(const QString& startDirectory);

// Declares, re-points or repairs "Case" in the user's ODBC data-source file
// for the database in the start directory (default: the current directory),
// and remembers for this process which database its connections reach. Unless
// ODBCINI names the file, it is $HOME/.odbc.ini from here on. The file is
// edited under an exclusive lock on "<file>.lock" and replaced atomically, so
// programs starting at the same time never leave a half-written entry.
// Called at start-up before any other thread runs.
DsnRegistrationResult RegisterCaseDSN(const QString& startDirectory = QDir::currentPath());

// The last successful RegisterCaseDSN of this process.
RegisteredCase RegisteredCaseDatabase();

// Writes a new user data source with the SQLite3 driver; 1 on success, 0 when
// the driver is not installed, the path cannot be declared, the data source
// exists already, or writing fails.
int CreateCaseDSN(const QString& name, const QString& path, const QString& description);

// Why a start folder cannot be declared, or empty when it can: the
// data-source file holds one value per line, and a connection string ends a
// value at ';'.
QString StartFolderRefusal(const QString& startDirectory);

// "The ODBC driver "<driver>" is not installed (...)".
QString MissingDriverText(const QString& driver);

} // namespace db
