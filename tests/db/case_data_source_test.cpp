// Declaring the data source "Case" in the user's ODBC data-source file.
#include "case_db.h"

#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/case_list_row.h"
#include "db/case_table.h"
#include "db/my_record_set.h"
#include "db/odbc_ini_text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace db;
using testsupport::WriteCaseDsnValue;

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
    EXPECT_EQ(QStringList({CaseValue("Driver"), CaseValue("Database"), CaseValue("Description")}),
              QStringList({"SQLite3", firstDir + "/CaseManage.db", "Case"}));

    // The program's start creates the database and its table on first use.
    ASSERT_TRUE(CMyRecordSet().OpenForAppend().ok());
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

// Start-ups of two programs at once in a fresh home: the entry comes out whole.
TEST(CaseDataSource, ConcurrentStartsLeaveACompleteEntry)
{
    testsupport::TempDir home;
    const QString start = QString::fromStdString(home.path().string());
    const std::string userIni = std::getenv("ODBCINI");
    for (int round = 0; round < 50; ++round) {
        setenv("ODBCINI", (home / ("odbc" + std::to_string(round) + ".ini")).c_str(), 1);
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        pid_t children[2];
        for (pid_t& child : children) {
            if ((child = fork()) == 0) {
                char go;
                close(gate[1]);
                _exit(read(gate[0], &go, 1) == 0 && RegisterCaseDSN(start).ok() ? 0 : 1);
            }
        }
        close(gate[0]);
        close(gate[1]); // both children go now
        for (const pid_t child : children)
            waitpid(child, nullptr, 0);
        EXPECT_EQ(CaseValue("Driver") + CaseValue("Database"), "SQLite3" + CaseDatabasePath(start)) << round;
    }
    setenv("ODBCINI", userIni.c_str(), 1);
}

TEST(CaseDataSource, RepairsABrokenEntryAndKeepsEveryOtherLine)
{
    const QString others = QStringLiteral("# mine\n[Other]\nDriver = X ; kept\n\n");
    for (const char* broken : {"Database=/gone.db\n", "Driver=\nTimeout=9\n", "Driver=SQLite3\n"}) {
        std::ofstream(std::getenv("ODBCINI")) << (others + QStringLiteral("[Case]\n")).toStdString() << broken;
        EXPECT_EQ(RegisterCaseDSN(QStringLiteral("/clinic")), DsnRegistration::Repaired) << broken;
        EXPECT_EQ(CaseValue("Driver") + CaseValue("Database"), QStringLiteral("SQLite3/clinic/CaseManage.db"));
        EXPECT_TRUE(UserIniText().startsWith(others)) << UserIniText().toStdString();
    }
}

// Without the SQLite3 driver, and with start folders the file or a connection string cannot carry.
TEST(CaseDataSource, FailuresSayWhy)
{
    testsupport::TempDir system;
    std::ofstream(system / "odbcinst.ini") << "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n";
    const std::string userIni = std::getenv("ODBCINI");
    setenv("ODBCSYSINI", system.path().c_str(), 1);
    setenv("ODBCINI", (system / "odbc.ini").c_str(), 1);
    const std::pair<const char*, const char*> cases[] = {
        {"/clinic", "The ODBC driver \"SQLite3\" is not installed (Debian package libsqliteodbc)."},
        {"/a\n[Evil]\nDriver=x", "line break"}, {"/a\x7f", "control character"}, {"/a;b", "\";\""}};
    for (const auto& [folder, reason] : cases) {
        const DsnRegistrationResult result = RegisterCaseDSN(QString::fromUtf8(folder));
        EXPECT_TRUE(result == DsnRegistration::Failed && result.message.contains(QLatin1String(reason)))
            << result.message.toStdString();
    }
    EXPECT_FALSE(std::filesystem::exists(system / "odbc.ini"));
    unsetenv("ODBCSYSINI");
    setenv("ODBCINI", userIni.c_str(), 1);
}

// Another start folder's program re-points the user-wide entry after this one
// registered: this program's rows still go to its own file.
TEST(CaseDataSource, ConnectionsReachTheRegisteredFolderOnly)
{
    testsupport::TempDir mine;
    testsupport::TempDir theirs;
    ASSERT_TRUE(RegisterCaseDSN(QString::fromStdString(mine.path().string())).ok());
    WriteCaseDsnValue("Database", QString::fromStdString((theirs / "CaseManage.db").string()));
    for (const auto kind : {CaseConnectionKind::Recordset, CaseConnectionKind::Direct}) {
        auto connection = OpenCaseDatabase(kind);
        ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
        const CaseRow row{.CaseID = QString::number(int(kind))};
        ASSERT_TRUE(connection->Execute(InsertCaseRowSql(row, connection->dialect())).ok());
    }
    auto direct = OdbcConnection::Open(QStringLiteral("Driver=SQLite3;Database=%1/CaseManage.db").arg(mine.path().c_str()));
    ASSERT_TRUE(direct.ok());
    EXPECT_EQ(direct->Execute(SqlText{QStringLiteral("DELETE FROM \"CaseManage\""), {}}).value(), 2);
    EXPECT_FALSE(std::filesystem::exists(theirs / "CaseManage.db"));
}

TEST(CaseListRow, TextsInColumnOrder)
{
    CaseRecord record{.CaseID = "0000012", .CaseHisID = "H1", .CaseName = "Ann", .CaseTel = "123",
                      .CaseAddr = "Street", .PhysicName = "Dr", .CaseAge = "40", .CaseHeight = "170",
                      .CaseWeight = "60", .Mark = "m", .SampleTime = {2010, 3, 0, 5, 23, 59, 59, 0}, .CaseSex = 1};
    const std::array<QString, 12> expected{"0000012", "H1",     "Ann", "F",          "40", "60",
                                           "170",     "123",    "Street", "Dr", "2010-03-05", "m"};
    EXPECT_EQ(MakeCaseListRow(record, "F", "M").texts, expected);
    record.CaseSex = 0;
    EXPECT_EQ(MakeCaseListRow(record, "F", "M").texts[3], QStringLiteral("M"));
}

} // namespace
