// Declaring the data source "Case" in the user's ODBC data-source file.
#include "case_backend.h"

#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/odbc_ini_text.h"
#include "db/case_list_row.h"
#include "db/my_record_set.h"
#include "db/case_table.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace dbtest {
namespace {

using namespace db;

QString UserIniText()
{
    QFile file(QString::fromLocal8Bit(std::getenv("ODBCINI")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Read from the file itself: the installer library keeps answers it read once.
QString CaseValue(const char* key)
{
    return QString::fromUtf8(OdbcIniText::Parse(UserIniText().toUtf8()).Value("Case", key).value_or(""));
}

TEST(CaseDataSource, CreatesRepointsAndLeavesOtherDriversAlone)
{
    testsupport::TempDir first;
    testsupport::TempDir second;
    const QString firstDir = QString::fromStdString(first.path().string());
    const QString secondDir = QString::fromStdString(second.path().string());

    EXPECT_EQ(RegisterCaseDSN(firstDir), DsnRegistration::Created);
    EXPECT_EQ(CaseValue("Driver"), QStringLiteral("SQLite3"));
    EXPECT_EQ(CaseValue("Database"), firstDir + QStringLiteral("/CaseManage.db"));
    EXPECT_EQ(CaseValue("Description"), QStringLiteral("Case"));
    EXPECT_TRUE(UserIniText().contains(QStringLiteral("[Case]")));

    // The program's start creates the database and its table on first use.
    CMyRecordSet rs;
    ASSERT_TRUE(rs.OpenForAppend().ok());
    rs.Close();
    EXPECT_TRUE(QFile::exists(firstDir + QStringLiteral("/CaseManage.db")));

    EXPECT_EQ(RegisterCaseDSN(firstDir), DsnRegistration::Unchanged);
    EXPECT_EQ(CreateCaseDSN(QStringLiteral("Case"), firstDir, QStringLiteral("Case")), 0);

    // A moved program re-points only the database; other values stay.
    WriteCaseDsnValue("Timeout", QStringLiteral("1234"));
    EXPECT_EQ(RegisterCaseDSN(secondDir), DsnRegistration::Repointed);
    EXPECT_EQ(CaseValue("Database"), secondDir + QStringLiteral("/CaseManage.db"));
    EXPECT_EQ(CaseValue("Timeout"), QStringLiteral("1234"));

    // A shared clinic server declared by the user is never touched.
    WriteCaseDsnValue("Driver", QStringLiteral("PostgreSQL Unicode"));
    WriteCaseDsnValue("Database", QStringLiteral("clinic"));
    EXPECT_EQ(RegisterCaseDSN(firstDir), DsnRegistration::LeftAlone);
    EXPECT_EQ(CaseValue("Database"), QStringLiteral("clinic"));
    EXPECT_EQ(RecordsetConnectString() + DirectConnectString(), QStringLiteral("DSN=Case;DSN=Case;"));

    EXPECT_EQ(CreateCaseDSN(QStringLiteral("Other"), firstDir + QStringLiteral("/x.db"), QStringLiteral("d")), 1);
    EXPECT_TRUE(UserIniText().contains(QStringLiteral("[Other]")));
}

// Start-ups of two programs at once in a fresh home: the entry must come out
// whole whichever writes first.
TEST(CaseDataSource, ConcurrentStartsLeaveACompleteEntry)
{
    testsupport::TempDir home;
    const QString start = QString::fromStdString(home.path().string());
    const std::string userIni = std::getenv("ODBCINI");
    for (int round = 0; round < 50; ++round) {
        const auto ini = home / ("odbc" + std::to_string(round) + ".ini");
        setenv("ODBCINI", ini.c_str(), 1);
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        std::vector<pid_t> children;
        for (int child = 0; child < 2; ++child) {
            const pid_t pid = fork();
            if (pid == 0) {
                char go = 0;
                close(gate[1]);
                const bool opened = read(gate[0], &go, 1) == 0;
                _exit(opened && !(RegisterCaseDSN(start) == DsnRegistration::Failed) ? 0 : 1);
            }
            children.push_back(pid);
        }
        close(gate[0]);
        close(gate[1]);
        for (const pid_t pid : children) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        EXPECT_EQ(CaseValue("Driver") + CaseValue("Database"), QStringLiteral("SQLite3") + CaseDatabasePath(start))
            << "round " << round;
    }
    setenv("ODBCINI", userIni.c_str(), 1);
}

TEST(CaseDataSource, RepairsABrokenEntryAndKeepsEveryOtherLine)
{
    const QString start = QStringLiteral("/clinic/start");
    const QString others = QStringLiteral("# mine\n[Other]\nDriver = X ; kept\n\n");
    for (const QString& broken : {QStringLiteral("Database=/gone.db\n"), QStringLiteral("Driver=\nTimeout=9\n"),
                                 QStringLiteral("Driver=SQLite3\n")}) {
        QFile file(QString::fromLocal8Bit(std::getenv("ODBCINI")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write((others + QStringLiteral("[Case]\n") + broken).toUtf8());
        file.close();
        EXPECT_EQ(RegisterCaseDSN(start), DsnRegistration::Repaired) << broken.toStdString();
        EXPECT_EQ(CaseValue("Driver") + CaseValue("Database"), QStringLiteral("SQLite3") + CaseDatabasePath(start));
        EXPECT_TRUE(UserIniText().startsWith(others)) << UserIniText().toStdString();
    }
}

TEST(CaseDataSource, RefusesStartFoldersTheFileOrAConnectionCannotCarry)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/a\n[Evil]\nDriver=x"), QStringLiteral("line break")},
        {QStringLiteral("/a\rb"), QStringLiteral("line break")},
        {QStringLiteral("/a\tb"), QStringLiteral("control character")},
        {QStringLiteral("/a\x7f"), QStringLiteral("control character")},
        {QStringLiteral("/a;b"), QStringLiteral("\";\"")},
    };
    for (const auto& [folder, reason] : cases) {
        const DsnRegistrationResult result = RegisterCaseDSN(folder);
        EXPECT_EQ(result, DsnRegistration::Failed);
        EXPECT_TRUE(result.message.contains(reason)) << result.message.toStdString();
    }
    EXPECT_FALSE(UserIniText().contains(QStringLiteral("Evil")));
}

TEST(CaseDataSource, NamesAMissingDriver)
{
    testsupport::TempDir system;
    QFile drivers(QString::fromStdString((system / "odbcinst.ini").string()));
    ASSERT_TRUE(drivers.open(QIODevice::WriteOnly));
    drivers.write("[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n");
    drivers.close();
    const std::string userIni = std::getenv("ODBCINI");
    setenv("ODBCSYSINI", system.path().c_str(), 1);
    setenv("ODBCINI", (system / "odbc.ini").c_str(), 1);
    const DsnRegistrationResult result = RegisterCaseDSN(QStringLiteral("/clinic"));
    unsetenv("ODBCSYSINI");
    setenv("ODBCINI", userIni.c_str(), 1);
    EXPECT_EQ(result, DsnRegistration::Failed);
    EXPECT_EQ(result.message,
              QStringLiteral("The ODBC driver \"SQLite3\" is not installed (Debian package libsqliteodbc)."));
}

// Another start folder's program re-points the user-wide entry after this one
// registered: this program's rows still go to its own file.
TEST(CaseDataSource, ConnectionsReachTheRegisteredFolderOnly)
{
    testsupport::TempDir mine;
    testsupport::TempDir theirs;
    const QString myFile = CaseDatabasePath(QString::fromStdString(mine.path().string()));
    ASSERT_TRUE(RegisterCaseDSN(QString::fromStdString(mine.path().string())).ok());
    WriteCaseDsnValue("Database", CaseDatabasePath(QString::fromStdString(theirs.path().string())));
    for (const auto kind : {CaseConnectionKind::Recordset, CaseConnectionKind::Direct}) {
        auto connection = OpenCaseDatabase(kind);
        ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
        CaseRow row;
        row.CaseID = kind == CaseConnectionKind::Direct ? QStringLiteral("1") : QStringLiteral("2");
        ASSERT_TRUE(connection->Execute(InsertCaseRowSql(row, connection->dialect())).ok());
    }
    auto direct = OdbcConnection::Open(QStringLiteral("Driver=SQLite3;Database=") + myFile);
    ASSERT_TRUE(direct.ok());
    EXPECT_EQ(direct->Execute(SqlText{QStringLiteral("UPDATE \"CaseManage\" SET \"Mark\" = 'x'"), {}}).value(), 2);
    EXPECT_FALSE(QFile::exists(CaseDatabasePath(QString::fromStdString(theirs.path().string()))));
}

TEST(CaseListRow, TextsInColumnOrder)
{
    CaseRecord record;
    record.CaseID = QStringLiteral("0000012");
    record.CaseHisID = QStringLiteral("H1");
    record.CaseName = QStringLiteral("Ann");
    record.CaseSex = 1;
    record.CaseAge = QStringLiteral("40");
    record.CaseWeight = QStringLiteral("60");
    record.CaseHeight = QStringLiteral("170");
    record.CaseTel = QStringLiteral("123");
    record.CaseAddr = QStringLiteral("Street");
    record.PhysicName = QStringLiteral("Dr");
    record.SampleTime = SystemTime{2010, 3, 0, 5, 23, 59, 59, 0};
    record.Mark = QStringLiteral("m");
    const CaseListRow row = MakeCaseListRow(record, QStringLiteral("F"), QStringLiteral("M"));
    const std::array<QString, 12> expected{"0000012", "H1",     "Ann", "F",          "40", "60",
                                           "170",     "123",    "Street", "Dr", "2010-03-05", "m"};
    EXPECT_EQ(row.texts, expected);
    record.CaseSex = 0;
    EXPECT_EQ(MakeCaseListRow(record, QStringLiteral("F"), QStringLiteral("M")).texts[3], QStringLiteral("M"));

    EXPECT_EQ(CaseStateImage(record), 1);
    record.CaseStyle = 1;
    EXPECT_EQ(CaseStateImage(record), 2);
    record.CaseStyle = 2;
    EXPECT_EQ(CaseStateImage(record), 3);
    record.BeDelete = 1;
    EXPECT_EQ(CaseStateImage(record), 4);
}

} // namespace
} // namespace dbtest
