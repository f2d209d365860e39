#include "db/case_data_source.h"

#include "base/atomic_file.h"
#include "base/fd_io.h"
#include "base/file_error_text.h"
#include "base/file_lock.h"
#include "base/unique_fd.h"
#include "db/case_database.h"
#include "db/odbc_ini_text.h"

#include <odbcinst.h>

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

const char* const kSqliteDriver = "SQLite3";
// A workstation waits this long for another one's write before giving up.
const char* const kLockTimeoutMs = "5000";
// The data-source file may hold a clinic server's password.
constexpr mode_t kNewFileMode = 0600;

std::mutex g_registeredMutex;
RegisteredCase g_registered;

DsnRegistrationResult Failure(QString message) { return {DsnRegistration::Failed, std::move(message)}; }

DsnRegistrationResult Failure(const std::string& message) { return Failure(QString::fromStdString(message)); }

bool DriverInstalled(const char* driver)
{
    std::vector<char> buffer(16384, 0);
    WORD length = 0;
    if (!SQLGetInstalledDrivers(buffer.data(), WORD(buffer.size() - 1), &length))
        return false;
    // NUL-separated names ending in an empty one.
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) {
        if (QByteArray(p) == driver)
            return true;
    }
    return false;
}

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

bool IsSqliteDriver(const QByteArray& driver) { return driver.toLower().contains("sqlite"); }

// ODBCINI when set; else the home folder's ".odbc.ini", which ODBCINI then
// names so that the driver manager reads the file written here (it would look
// in the home folder of the password database, not HOME).
std::filesystem::path UserDataSourceFile()
{
    if (const char* named = std::getenv("ODBCINI"); named && *named)
        return named;
    const char* home = std::getenv("HOME");
    std::filesystem::path folder = home && *home ? home : "";
    if (folder.empty()) {
        if (const passwd* user = getpwuid(getuid()))
            folder = user->pw_dir;
    }
    const std::filesystem::path file = folder / ".odbc.ini";
    setenv("ODBCINI", file.c_str(), 1);
    return file;
}

struct FileText {
    QByteArray bytes;
    mode_t mode = kNewFileMode;
};

std::optional<std::string> ReadText(const std::filesystem::path& path, FileText& text)
{
    const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? std::nullopt : std::optional(base::FileErrorText("Cannot read", path, errno));
    struct stat status {};
    if (::fstat(fd.get(), &status) == 0)
        text.mode = status.st_mode & 07777;
    char chunk[8192];
    for (;;) {
        const std::int64_t got = base::ReadFull(fd.get(), chunk, sizeof chunk);
        if (got < 0)
            return base::FileErrorText("Cannot read", path, errno);
        text.bytes.append(chunk, static_cast<qsizetype>(got));
        if (got < static_cast<std::int64_t>(sizeof chunk))
            return std::nullopt;
    }
}

// Runs `edit` on the user's data-source file while holding the exclusive lock
// on "<file>.lock", and writes the file back when `edit` changed it. The lock
// goes with the descriptor; a link at the file's name is followed, so the
// file it names is the one replaced.
DsnRegistrationResult EditUserDataSources(const std::function<DsnRegistrationResult(OdbcIniText&)>& edit)
{
    const std::filesystem::path named = UserDataSourceFile();
    const std::filesystem::path lockPath = named.string() + ".lock";
    std::string lockError;
    const auto lock = base::FileLock::Take(lockPath, {}, {}, lockError);
    if (!lock)
        return Failure(lockError);
    std::error_code error;
    std::filesystem::path file = named;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(named, error))) {
        file = std::filesystem::canonical(named, error);
        if (error)
            return Failure(base::FileErrorText("Cannot follow the link", named, error.value()));
    }
    FileText text;
    if (const auto failure = ReadText(file, text))
        return Failure(*failure);
    OdbcIniText ini = OdbcIniText::Parse(text.bytes);
    const QByteArray before = ini.ToBytes();
    DsnRegistrationResult result = edit(ini);
    const QByteArray bytes = ini.ToBytes();
    if (!result.ok() || bytes == before)
        return result;
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                             std::size_t(bytes.size()));
    if (auto written = base::ReplaceFile(file, data, text.mode); !written)
        return Failure(written.error());
    return result;
}

void WriteSqliteEntry(OdbcIniText& ini, const QByteArray& name, const QByteArray& database)
{
    ini.SetValue(name, "Driver", kSqliteDriver);
    ini.SetValue(name, "Database", database);
    if (ini.Value(name, "Timeout").value_or(QByteArray()).isEmpty())
        ini.SetValue(name, "Timeout", kLockTimeoutMs);
}

DsnRegistrationResult Declare(OdbcIniText& ini, const QByteArray& name, const QByteArray& database)
{
    const auto needDriver = [] {
        return DriverInstalled(kSqliteDriver) ? std::optional<DsnRegistrationResult>()
                                              : Failure(MissingDriverText(QString::fromLatin1(kSqliteDriver)));
    };
    if (!ini.HasSection(name)) {
        if (auto missing = needDriver())
            return *missing;
        ini.SetValue(name, "Driver", kSqliteDriver);
        ini.SetValue(name, "Description", name);
        WriteSqliteEntry(ini, name, database);
        return {DsnRegistration::Created, {}};
    }
    const QByteArray driver = ini.Value(name, "Driver").value_or(QByteArray());
    if (!driver.isEmpty() && !IsSqliteDriver(driver))
        return {DsnRegistration::LeftAlone, {}};
    const QByteArray current = ini.Value(name, "Database").value_or(QByteArray());
    if (auto missing = needDriver())
        return *missing;
    if (driver.isEmpty() || current.isEmpty()) {
        WriteSqliteEntry(ini, name, database);
        return {DsnRegistration::Repaired, {}};
    }
    if (current == database)
        return {DsnRegistration::Unchanged, {}};
    ini.SetValue(name, "Database", database);
    return {DsnRegistration::Repointed, {}};
}

} // namespace

QString CaseDatabasePath(const QString& startDirectory)
{
    return QDir(startDirectory).absolutePath() + QStringLiteral("/CaseManage.db");
}

QString StartFolderRefusal(const QString& startDirectory)
{
    for (const QChar c : startDirectory) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return QStringLiteral("The start folder path contains a line break, which the ODBC data-source file "
                                  "cannot hold.");
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("The start folder path contains a control character, which the ODBC "
                                  "data-source file cannot hold.");
        if (c == QLatin1Char(';'))
            return QStringLiteral("The start folder path contains \";\", which an ODBC connection string "
                                  "cannot carry.");
    }
    return {};
}

QString MissingDriverText(const QString& driver)
{
    return QStringLiteral("The ODBC driver \"%1\" is not installed (Debian package libsqliteodbc).").arg(driver);
}

DsnRegistrationResult RegisterCaseDSN(const QString& startDirectory)
{
    const QString path = CaseDatabasePath(startDirectory);
    if (QString refusal = StartFolderRefusal(path); !refusal.isEmpty())
        return Failure(std::move(refusal));
    const QByteArray name(kCaseDataSourceName);
    const DsnRegistrationResult result
        = EditUserDataSources([&](OdbcIniText& ini) { return Declare(ini, name, path.toUtf8()); });
    if (result.ok()) {
        const std::lock_guard guard(g_registeredMutex);
        g_registered = result.outcome == DsnRegistration::LeftAlone
            ? RegisteredCase{RegisteredCase::Kind::OtherDriver, {}}
            : RegisteredCase{RegisteredCase::Kind::EmbeddedFile, path};
    }
    return result;
}

RegisteredCase RegisteredCaseDatabase()
{
    const std::lock_guard guard(g_registeredMutex);
    return g_registered;
}

int CreateCaseDSN(const QString& name, const QString& path, const QString& description)
{
    const QByteArray dsn = name.toUtf8();
    if (dsn.isEmpty() || HasControlCharacter(name) || HasControlCharacter(description)
        || !StartFolderRefusal(path).isEmpty() || !DriverInstalled(kSqliteDriver))
        return 0;
    const DsnRegistrationResult result = EditUserDataSources([&](OdbcIniText& ini) {
        if (ini.HasSection(dsn))
            return Failure(QString());
        ini.SetValue(dsn, "Driver", kSqliteDriver);
        ini.SetValue(dsn, "Description", description.toUtf8());
        WriteSqliteEntry(ini, dsn, path.toUtf8());
        return DsnRegistrationResult{DsnRegistration::Created, {}};
    });
    return result.ok() ? 1 : 0;
}

} // namespace db
