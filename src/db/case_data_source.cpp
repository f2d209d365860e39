#include "db/case_data_source.h"

#include "db/case_database.h"

#include <odbcinst.h>

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <vector>

namespace db {

namespace {

const char* const kUserIni = "odbc.ini";
const char* const kSqliteDriver = "SQLite3";
// A workstation waits this long for another one's write before giving up.
const char* const kLockTimeoutMs = "5000";

// Switches the installer library to the user's data-source file for the
// lifetime of the object.
class UserDsnMode {
public:
    UserDsnMode()
    {
        UWORD mode = ODBC_BOTH_DSN;
        m_restore = SQLGetConfigMode(&mode) ? mode : UWORD(ODBC_BOTH_DSN);
        SQLSetConfigMode(ODBC_USER_DSN);
    }
    ~UserDsnMode() { SQLSetConfigMode(m_restore); }
    UserDsnMode(const UserDsnMode&) = delete;
    UserDsnMode& operator=(const UserDsnMode&) = delete;

private:
    UWORD m_restore = ODBC_BOTH_DSN;
};

// A list of NUL-separated names ending in an empty one.
QList<QByteArray> SplitNames(const std::vector<char>& buffer, int length)
{
    QList<QByteArray> names;
    const char* p = buffer.data();
    const char* end = buffer.data() + std::min<std::size_t>(std::size_t(std::max(length, 0)), buffer.size());
    while (p < end && *p) {
        const QByteArray name(p);
        names << name;
        p += name.size() + 1;
    }
    return names;
}

bool UserDataSourceExists(const QByteArray& name)
{
    std::vector<char> buffer(16384, 0);
    const int length = SQLGetPrivateProfileString(nullptr, nullptr, "", buffer.data(), int(buffer.size()), kUserIni);
    return SplitNames(buffer, length).contains(name);
}

QByteArray ReadValue(const QByteArray& section, const char* key)
{
    std::vector<char> buffer(4096, 0);
    SQLGetPrivateProfileString(section.constData(), key, "", buffer.data(), int(buffer.size()), kUserIni);
    return QByteArray(buffer.data());
}

bool DriverInstalled(const char* driver)
{
    std::vector<char> buffer(16384, 0);
    WORD length = 0;
    if (!SQLGetInstalledDrivers(buffer.data(), WORD(buffer.size()), &length))
        return false;
    return SplitNames(buffer, int(buffer.size())).contains(QByteArray(driver));
}

bool IsSqliteDriver(const QByteArray& driver)
{
    return driver.toLower().contains("sqlite");
}

// The driver manager looks for the user's data-source file in the home folder
// of the password database; honour HOME as every other per-user file does.
void UseHomeDataSourceFile()
{
    const char* home = std::getenv("HOME");
    if (std::getenv("ODBCINI") || !home || !*home)
        return;
    setenv("ODBCINI", (QByteArray(home) + "/.odbc.ini").constData(), 1);
}

} // namespace

QString CaseDatabasePath(const QString& startDirectory)
{
    return QDir(startDirectory).absolutePath() + QStringLiteral("/CaseManage.db");
}

DsnRegistration RegisterCaseDSN(const QString& startDirectory)
{
    UseHomeDataSourceFile();
    const QString path = CaseDatabasePath(startDirectory);
    const QByteArray name(kCaseDataSourceName);
    {
        UserDsnMode userMode;
        if (UserDataSourceExists(name)) {
            if (!IsSqliteDriver(ReadValue(name, "Driver")))
                return DsnRegistration::LeftAlone;
            if (ReadValue(name, "Database") == path.toUtf8())
                return DsnRegistration::Unchanged;
            return SQLWritePrivateProfileString(name.constData(), "Database", path.toUtf8().constData(), kUserIni)
                ? DsnRegistration::Repointed
                : DsnRegistration::Failed;
        }
    }
    return CreateCaseDSN(QString::fromLatin1(name), path, QString::fromLatin1(name)) ? DsnRegistration::Created
                                                                                     : DsnRegistration::Failed;
}

int CreateCaseDSN(const QString& name, const QString& path, const QString& description)
{
    if (!DriverInstalled(kSqliteDriver))
        return 0;
    UserDsnMode userMode;
    const QByteArray dsn = name.toUtf8();
    if (dsn.isEmpty() || UserDataSourceExists(dsn))
        return 0;
    const bool written = SQLWriteDSNToIni(dsn.constData(), kSqliteDriver)
        && SQLWritePrivateProfileString(dsn.constData(), "Description", description.toUtf8().constData(), kUserIni)
        && SQLWritePrivateProfileString(dsn.constData(), "Database", path.toUtf8().constData(), kUserIni)
        && SQLWritePrivateProfileString(dsn.constData(), "Timeout", kLockTimeoutMs, kUserIni);
    return written ? 1 : 0;
}

} // namespace db
