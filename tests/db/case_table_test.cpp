// The case table over a real database: SQLite through its ODBC driver, and
// PostgreSQL through psqlODBC, both reached by the data source "Case".
#include "case_db.h"

#include "db/case_database.h"
#include "db/case_numbering.h"
#include "db/case_search.h"
#include "db/case_table_lock.h"
#include "db/my_record_set.h"
#include "db/odbc_statement.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <thread>

namespace {

using namespace db;
using testsupport::At;
using testsupport::Backend;
using CaseTableTest = testsupport::CaseDbTest;

TEST_P(CaseTableTest, CreatesTheTableWithNineteenColumnsAndAUniqueCaseNumber)
{
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    ASSERT_TRUE(connection.ok()) << connection.error().text.toStdString();
    EXPECT_EQ(connection->dialect(), GetParam() == Backend::Sqlite ? SqlDialect::Sqlite : SqlDialect::Postgres);
    // Opening again finds the table and leaves it as it is.
    ASSERT_TRUE(OpenCaseDatabase(CaseConnectionKind::Direct).ok());

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

    db.AddRows({{.CaseID = "0000005"}});
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
    const CaseRow row{.CaseID = "0000042", .CaseHisID = "H-17/a", .CaseTAVOID = "A000123", .CaseStyle = 2,
                      .CaseName = "Žofie Dvořáková 王芳", .CaseSex = true, .CaseAge = "67", .CaseHeight = "171",
                      .CaseWeight = "80.5", .CaseTel = "+420 777 000 111", .CaseAddr = "Na Příkopě 1, Praha",
                      .PhysicName = "MUDr. O'Neil", .SampleTime = At(2024, 2, 29, 23, 59, 58), .BeDelete = true,
                      .Mark = "50% done; -- not [final]", .Custom1 = "c1", .Custom2 = "c2", .Custom3 = "c3",
                      .Custom4 = "c4"};
    db.AddRows({row, {.CaseID = "0000043"}});

    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    ASSERT_EQ(rs.GetRecordCount(), 2u);
    CaseRow expected = row;
    expected.SampleTime.dayOfWeek = 4; // 29 February 2024 was a Thursday
    EXPECT_EQ(static_cast<const CaseRow&>(rs), expected);
    CaseRecord record;
    rs.GetRecord(record);
    EXPECT_EQ(record.CaseSex, 1);
    EXPECT_EQ(record.BeDelete, 1);
    EXPECT_EQ(record.SampleTime.dayOfWeek, 4);

    rs.MoveNext();
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(static_cast<const CaseRow&>(rs), (CaseRow{.CaseID = "0000043"})); // NULLs read as empty

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
    EXPECT_EQ(second, changed);
}

TEST_P(CaseTableTest, CutsLongTextsToTheColumnLimits)
{
    // A character outside the BMP straddling a limit is dropped whole.
    db.AddRows({{.CaseID = "0000001", .CaseTAVOID = QString(70, 't'), .CaseName = QString(300, 'n'),
                 .CaseAge = "1234567890123", .Mark = QString(253, 'm') + QStringLiteral("😀"),
                 .Custom4 = QString(1000, 'x')}});
    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    EXPECT_EQ(static_cast<const CaseRow&>(rs),
              (CaseRow{.CaseID = "0000001", .CaseTAVOID = QString(64, 't'), .CaseName = QString(49, 'n'),
                       .CaseAge = "123456789", .Mark = QString(253, 'm'), .Custom4 = QString(254, 'x')}));
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
    // Deleted rows still hold their number.
    db.AddRows({{.CaseID = "0000009", .BeDelete = true}, {.CaseID = "0000003"}});
    EXPECT_EQ(*NewCaseID(NumberingRule::Download), QStringLiteral("0000010"));
    EXPECT_EQ(*NewCaseID(NumberingRule::LiveSampling), QStringLiteral("0000010"));

    db.AddRows({{.CaseID = "9999999"}});
    EXPECT_EQ(*NewCaseID(NumberingRule::Download), QStringLiteral("10000000"));
    db.AddRows({{.CaseID = "10000000"}});
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
            for (int i = 0; i < kRowsEach && failures[t].isEmpty(); ++i) {
                CMyRecordSet rs;
                const DbStatus opened = rs.OpenForAppend();
                // Every workstation reads the same last number before writing.
                const auto id = NewCaseID(NumberingRule::LiveSampling);
                if (!opened || !id) {
                    failures[t] = opened ? id.error().text : opened.error().text;
                    break;
                }
                rs.AddNew();
                rs.CaseID = *id;
                rs.CaseName = QStringLiteral("ws%1").arg(t);
                if (const DbStatus updated = rs.Update(); !updated)
                    failures[t] = updated.error().text;
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

TEST_P(CaseTableTest, EmptyResultsMovesAndARowDeletedMeanwhile)
{
    CCaseSearch search;
    EXPECT_FALSE(search.Open());
    EXPECT_FALSE(search.IsOpen() || search.error().has_value());
    CMyRecordSet rs;
    ASSERT_TRUE(rs.Open().ok());
    EXPECT_TRUE(rs.IsEOF() && rs.IsBOF());
    rs.MoveLast();
    EXPECT_TRUE(rs.IsEOF());

    db.AddRows({{.CaseID = "0000001"}, {.CaseID = "0000002"}, {.CaseID = "0000003"}});
    CaseQuery byId;
    byId.filter.caseId = QStringLiteral("0000002");
    ASSERT_TRUE(rs.Open(byId).ok());
    ASSERT_EQ(rs.GetRecordCount(), 1u);
    EXPECT_EQ(rs.CaseID, QStringLiteral("0000002"));

    ASSERT_TRUE(rs.Open().ok());
    QStringList visited;
    for (auto move : {&CMyRecordSet::MoveLast, &CMyRecordSet::MovePrev, &CMyRecordSet::MoveFirst,
                      &CMyRecordSet::MovePrev, &CMyRecordSet::MoveNext}) {
        (rs.*move)();
        visited << (rs.IsBOF() ? QStringLiteral("BOF") : rs.CaseID);
    }
    EXPECT_EQ(visited.join(' '), QStringLiteral("0000003 0000002 0000001 BOF 0000001"));

    // A row deleted behind the recordset's back cannot be updated.
    db.Execute("DELETE FROM \"CaseManage\" WHERE \"CaseID\" = '0000001'");
    ASSERT_TRUE(rs.Edit().ok());
    rs.CaseName = QStringLiteral("gone");
    const DbStatus updated = rs.Update();
    ASSERT_FALSE(updated.ok());
    EXPECT_TRUE(updated.error().text.contains(QStringLiteral("0000001")));
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseTableTest, testsupport::BothBackends(), testsupport::BackendName);

} // namespace
