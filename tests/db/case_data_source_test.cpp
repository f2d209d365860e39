// Declaring the data source "Case" in the user's ODBC data-source file.
#include "case_backend.h"

#include "db/case_data_source.h"
#include "db/case_list_row.h"
#include "db/my_record_set.h"

#include <odbcinst.h>

#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>

namespace dbtest {
namespace {

using namespace db;

QString CaseValue(const char* key)
{
    SQLSetConfigMode(ODBC_USER_DSN);
    char buffer[1024] = {};
    SQLGetPrivateProfileString("Case", key, "", buffer, sizeof buffer, "odbc.ini");
    SQLSetConfigMode(ODBC_BOTH_DSN);
    return QString::fromUtf8(buffer);
}

QString UserIniText()
{
    QFile file(QString::fromLocal8Bit(std::getenv("ODBCINI")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
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

    EXPECT_EQ(CreateCaseDSN(QStringLiteral("Other"), firstDir + QStringLiteral("/x.db"), QStringLiteral("d")), 1);
    EXPECT_TRUE(UserIniText().contains(QStringLiteral("[Other]")));
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
