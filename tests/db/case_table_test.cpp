// The case table over a real database: SQLite through its ODBC driver, and
// PostgreSQL through psqlODBC, both reached by the data source "Case".
#include "case_backend.h"

#include "db/case_database.h"
#include "db/case_numbering.h"
#include "db/case_search.h"
#include "db/case_table_lock.h"
#include "db/my_record_set.h"
#include "db/odbc_statement.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <optional>
#include <set>
#include <thread>

namespace dbtest {
namespace {

using namespace db;

SystemTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    SystemTime t;
    t.year = std::uint16_t(y);
    t.month = std::uint16_t(mo);
    t.day = std::uint16_t(d);
    t.hour = std::uint16_t(h);
    t.minute = std::uint16_t(mi);
    t.second = std::uint16_t(s);
    return t;
}

class CaseTableTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        m_backend = std::make_unique<CaseBackend>(GetParam());
        if (!m_backend->problem().isEmpty())
            FAIL() << m_backend->problem().toStdString();
    }

    void AddRow(const CaseRow& row)
    {
        CMyRecordSet rs;
        ASSERT_TRUE(rs.OpenForAppend().ok());
        rs.AddNew();
        static_cast<CaseRow&>(rs) = row;
        const DbStatus status = rs.Update();
        ASSERT_TRUE(status.ok()) << status.error().text.toStdString();
    }

    std::unique_ptr<CaseBackend> m_backend;
};

TEST_P(CaseTableTest, CreatesTheTableWithNineteenColumnsAndAUniqueCaseNumber)
{
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
    EXPECT_EQ(connection->dialect(), GetParam() == Backend::Sqlite ? SqlDialect::Sqlite : SqlDialect::Postgres);
    // Opening again finds the table and leaves it as it is.
    auto again = OpenCaseDatabase(CaseConnectionKind::Direct);
    ASSERT_TRUE(again.ok()) << again.error().text.toStdString();

    auto statement = OdbcStatement::Create(*connection);
    ASSERT_TRUE(statement.ok());
    ASSERT_TRUE(statement->Execute(SqlText{QStringLiteral("SELECT * FROM \"CaseManage\""), {}}).ok());
    SQLSMALLINT columns = 0;
    SQLNumResultCols(statement->handle(), &columns);
    ASSERT_EQ(columns, 19);
    for (SQLUSMALLINT i = 1; i <= 19; ++i) {
        SQLWCHAR name[64] = {};
        SQLSMALLINT length = 0;
        SQLColAttributeW(statement->handle(), i, SQL_DESC_NAME, name, sizeof name, &length, nullptr);
        EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(name)), QLatin1String(kCaseColumns[i - 1].name));
    }
    statement->CloseCursor();

    CaseRow row;
    row.CaseID = QStringLiteral("0000005");
    AddRow(row);
    CMyRecordSet rs;
    ASSERT_TRUE(rs.OpenForAppend().ok());
    rs.AddNew();
    rs.CaseID = QStringLiteral("0000005");
    // A taken number on a new row moves on to the next free one.
    ASSERT_TRUE(rs.Update().ok());
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000006"));
    // The raw table refuses a duplicate.
    auto duplicate = connection->Execute(SqlText{
        QStringLiteral("INSERT INTO \"CaseManage\" (\"CaseID\") VALUES ('0000005')"), {}});
    ASSERT_FALSE(duplicate.ok());
    EXPECT_TRUE(duplicate.error().IsUniqueViolation()) << duplicate.error().sqlState.toStdString();
}

TEST_P(CaseTableTest, WritesAndReadsEveryColumn)
{
    CaseRow row;
    row.CaseID = QStringLiteral("0000042");
    row.CaseHisID = QStringLiteral("H-17/a");
    row.CaseTAVOID = QStringLiteral("A000123");
    row.CaseStyle = 2;
    row.CaseName = QStringLiteral("Žofie Dvořáková 王芳");
    row.CaseSex = true;
    row.CaseAge = QStringLiteral("67");
    row.CaseHeight = QStringLiteral("171");
    row.CaseWeight = QStringLiteral("80.5");
    row.CaseTel = QStringLiteral("+420 777 000 111");
    row.CaseAddr = QStringLiteral("Na Příkopě 1, Praha");
    row.PhysicName = QStringLiteral("MUDr. O'Neil");
    row.SampleTime = At(2024, 2, 29, 23, 59, 58);
    row.BeDelete = true;
    row.Mark = QStringLiteral("50% done; -- not [final]");
    row.Custom1 = QStringLiteral("c1");
    row.Custom2 = QStringLiteral("c2");
    row.Custom3 = QStringLiteral("c3");
    row.Custom4 = QStringLiteral("c4");
    AddRow(row);

    CaseRow blank;
    blank.CaseID = QStringLiteral("0000043");
    AddRow(blank);

    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    ASSERT_EQ(rs.GetRecordCount(), 2u);
    CaseRow expected = row;
    expected.SampleTime.dayOfWeek = 4; // 29 February 2024 was a Thursday
    EXPECT_EQ(static_cast<const CaseRow&>(rs), expected);
    CaseRecord record;
    rs.GetRecord(record);
    EXPECT_EQ(record.CaseName, row.CaseName);
    EXPECT_EQ(record.CaseSex, 1);
    EXPECT_EQ(record.BeDelete, 1);
    EXPECT_EQ(record.SampleTime.dayOfWeek, 4);

    rs.MoveNext();
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(rs.CaseName, QString());
    EXPECT_FALSE(rs.SampleTime.IsValidDate());
    EXPECT_FALSE(rs.CaseSex);

    // Edit the second row from a record, then read both back in bulk.
    CaseRecord changed;
    rs.GetRecord(changed);
    changed.CaseName = QStringLiteral("Jan Novák");
    changed.SampleTime = At(2010, 3, 5, 0, 0, 1);
    changed.CaseStyle = 1;
    ASSERT_TRUE(rs.Edit().ok());
    rs.SetRecord(changed);
    ASSERT_TRUE(rs.Update().ok());
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(rs.Edit().ok());
    rs.Close();

    CCaseSearch search;
    ASSERT_TRUE(search.Open());
    ASSERT_EQ(search.GetRowsFetched(), 2);
    CaseRecord first;
    CaseRecord second;
    ASSERT_TRUE(search.GetRowRecord(0, first));
    ASSERT_TRUE(search.GetRowRecord(1, second));
    EXPECT_FALSE(search.GetRowRecord(2, second));
    record.SampleTime.dayOfWeek = 0; // the bulk reader leaves it out
    EXPECT_EQ(first, record);
    EXPECT_EQ(second.CaseName, QStringLiteral("Jan Novák"));
    EXPECT_EQ(second.SampleTime, At(2010, 3, 5, 0, 0, 1));
    EXPECT_EQ(second.CaseStyle, 1);
    EXPECT_EQ(second.Mark, QString()); // NULL reads as ""
}

TEST_P(CaseTableTest, CutsLongTextsToTheColumnLimits)
{
    CaseRow row;
    row.CaseID = QStringLiteral("0000001");
    row.CaseName = QString(300, QLatin1Char('n'));
    row.CaseTAVOID = QString(70, QLatin1Char('t'));
    row.CaseAge = QStringLiteral("1234567890123");
    // A character outside the BMP straddling the limit is dropped whole.
    row.Mark = QString(253, QLatin1Char('m')) + QStringLiteral("😀");
    row.Custom4 = QString(1000, QLatin1Char('x'));
    AddRow(row);

    CCaseSearch search;
    ASSERT_TRUE(search.Open());
    CaseRecord record;
    ASSERT_TRUE(search.GetRowRecord(0, record));
    EXPECT_EQ(record.CaseName, QString(49, QLatin1Char('n')));
    EXPECT_EQ(record.CaseTAVOID, QString(64, QLatin1Char('t')));
    EXPECT_EQ(record.CaseAge, QStringLiteral("123456789"));
    EXPECT_EQ(record.Mark, QString(253, QLatin1Char('m')));

    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    EXPECT_EQ(rs.Custom4, QString(254, QLatin1Char('x')));
}

TEST_P(CaseTableTest, KeepsANarrowerArchiveNameColumnOfAnOlderTable)
{
    auto connection = OpenCaseDatabase(CaseConnectionKind::Direct);
    ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
    const QString older = CreateCaseTableSql(connection->dialect()).replace("VARCHAR(64)", "VARCHAR(7)");
    ASSERT_TRUE(connection->Execute(SqlText{QStringLiteral("DROP TABLE \"CaseManage\"; ") + older, {}}).ok());
    ASSERT_TRUE(OpenCaseDatabase(CaseConnectionKind::Recordset).ok());
    const QString declared = connection->dialect() == SqlDialect::Postgres
        ? QStringLiteral("SELECT 'VARCHAR(' || character_maximum_length || ')' FROM information_schema.columns "
                         "WHERE table_schema = current_schema() AND column_name = 'CaseTAVOID'")
        : QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'CaseManage'");
    auto statement = OdbcStatement::Create(*connection);
    ASSERT_TRUE(statement->Execute(SqlText{declared, {}}).ok());
    ASSERT_TRUE(statement->Fetch().value());
    EXPECT_TRUE(statement->GetText(1)->value_or("").contains(QStringLiteral("VARCHAR(7)")));
}

// On a shared table a second import waits for the first; the embedded file
// takes no lock here.
TEST_P(CaseTableTest, ImportsIntoOneTableTakeTurns)
{
    const bool shared = GetParam() == Backend::Postgres;
    std::optional<CaseTableLock> first(CaseTableLock::Acquire([] { return false; }).value());
    const auto second = CaseTableLock::Acquire([] { return false; });
    ASSERT_EQ(second.ok() ? QString() : second.error().text, shared ? QStringLiteral("stopped") : QString());
    int checks = 0;
    std::thread third([&] {
        const auto keepWaiting = [&] { return ++checks < 50; };
        EXPECT_TRUE(CaseTableLock::Acquire(keepWaiting, [&] { first.reset(); }).ok());
    });
    third.join();
    EXPECT_EQ(checks, shared ? 1 : 0); // refused while the first was held, granted once it went
}

TEST_P(CaseTableTest, NumbersCasesByBothRules)
{
    EXPECT_EQ(*NewCaseID(NumberingRule::Download), QStringLiteral("0000002"));
    EXPECT_EQ(*NewCaseID(NumberingRule::LiveSampling), QStringLiteral("0000001"));

    CaseRow row;
    row.CaseID = QStringLiteral("0000009");
    row.BeDelete = true; // deleted rows still hold their number
    AddRow(row);
    row.CaseID = QStringLiteral("0000003");
    row.BeDelete = false;
    AddRow(row);
    EXPECT_EQ(*NewCaseID(NumberingRule::Download), QStringLiteral("0000010"));
    EXPECT_EQ(*NewCaseID(NumberingRule::LiveSampling), QStringLiteral("0000010"));

    row.CaseID = QStringLiteral("9999999");
    AddRow(row);
    EXPECT_EQ(*NewCaseID(NumberingRule::Download), QStringLiteral("10000000"));
    row.CaseID = QStringLiteral("10000000");
    AddRow(row);
    // Numbers compare as text, so 9999999 stays the last one read; the new
    // row still gets a free number.
    CMyRecordSet rs;
    ASSERT_TRUE(rs.OpenForAppend().ok());
    rs.AddNew();
    rs.CaseID = *NewCaseID(NumberingRule::LiveSampling);
    EXPECT_EQ(rs.CaseID, QStringLiteral("10000000"));
    ASSERT_TRUE(rs.Update().ok());
    EXPECT_EQ(rs.CaseID, QStringLiteral("10000001"));

    EXPECT_EQ(NextCaseNumber(QString()), QStringLiteral("0000001"));
    EXPECT_EQ(NextCaseNumber(QStringLiteral("0000099")), QStringLiteral("0000100"));
    EXPECT_EQ(NextCaseNumber(QStringLiteral("12ab")), QStringLiteral("0000013"));
}

TEST_P(CaseTableTest, ConcurrentWorkstationsNeverShareACaseNumber)
{
    constexpr int kThreads = 4;
    constexpr int kRowsEach = 15;
    std::vector<std::vector<QString>> used(kThreads);
    std::vector<QString> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRowsEach; ++i) {
                CMyRecordSet rs;
                if (auto opened = rs.OpenForAppend(); !opened) {
                    failures[t] = opened.error().text;
                    return;
                }
                // Every workstation reads the same last number before writing.
                auto id = NewCaseID(NumberingRule::LiveSampling);
                if (!id) {
                    failures[t] = id.error().text;
                    return;
                }
                rs.AddNew();
                rs.CaseID = *id;
                rs.CaseName = QStringLiteral("ws%1").arg(t);
                if (auto updated = rs.Update(); !updated) {
                    failures[t] = updated.error().text;
                    return;
                }
                used[t].push_back(rs.CaseID);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<QString> all;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_TRUE(failures[t].isEmpty()) << failures[t].toStdString();
        all.insert(used[t].begin(), used[t].end());
    }
    EXPECT_EQ(all.size(), std::size_t(kThreads * kRowsEach));
    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    EXPECT_EQ(rs.GetRecordCount(), std::size_t(kThreads * kRowsEach));
}

TEST_P(CaseTableTest, EmptyResultsAndMoves)
{
    CCaseSearch search;
    EXPECT_FALSE(search.Open());
    EXPECT_FALSE(search.IsOpen());
    EXPECT_FALSE(search.error().has_value());

    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());
    rs.MoveLast();
    EXPECT_TRUE(rs.IsEOF());

    for (const char* id : {"0000001", "0000002", "0000003"}) {
        CaseRow row;
        row.CaseID = QLatin1String(id);
        AddRow(row);
    }
    CaseQuery byId;
    byId.filter.caseId = QStringLiteral("0000002");
    ASSERT_TRUE(rs.Open(byId).ok());
    ASSERT_EQ(rs.GetRecordCount(), 1u);
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000002"));

    ASSERT_TRUE(rs.Open().ok());
    rs.MoveLast();
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000003"));
    rs.MovePrev();
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000002"));
    rs.MoveFirst();
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000001"));
    rs.MovePrev();
    EXPECT_TRUE(rs.IsBOF());
    rs.MoveNext();
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000001"));

    // A row deleted behind the recordset's back cannot be updated.
    auto connection = OpenCaseDatabase(CaseConnectionKind::Direct);
    ASSERT_TRUE(connection.ok());
    ASSERT_TRUE(connection->Execute(SqlText{QStringLiteral("DELETE FROM \"CaseManage\" WHERE \"CaseID\" = ?"),
                                            {QStringLiteral("0000001")}})
                    .ok());
    ASSERT_TRUE(rs.Edit().ok());
    rs.CaseName = QStringLiteral("gone");
    const DbStatus updated = rs.Update();
    ASSERT_FALSE(updated.ok());
    EXPECT_TRUE(updated.error().text.contains(QStringLiteral("0000001")));
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseTableTest, testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

} // namespace
} // namespace dbtest
