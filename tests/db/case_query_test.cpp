// Case list queries, counts and pages against a real database.
#include "case_db.h"

#include "db/case_data_source.h"
#include "db/case_paging.h"
#include "db/case_search.h"
#include "db/my_record_set.h"
#include "db/query_builders.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace db;
using testsupport::At;
using testsupport::Backend;
using Ids = std::set<int>;

QString Id(int n) { return QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')); }

CaseQuery ByName(const char* text) { return BuildReviewQuery({.name = text}); }
CaseQuery ByRemark(const char* text) { return BuildManageQuery({.remark = text, .caseStyle = 2, .sampleType = 2}); }

class CaseQueryTest : public testsupport::CaseDbTest {
protected:
    // Six cases whose texts hold the characters LIKE patterns and SQL treat specially.
    void AddSampleCases()
    {
        db.AddRows({
            {.CaseID = Id(1), .CaseHisID = "A-1", .CaseName = "Anna Berg", .CaseSex = true, .CaseAge = "40",
             .PhysicName = "Dr. Ek", .SampleTime = At(2010, 3, 3, 0, 0, 0), .Mark = "x' OR '1'='1"},
            {.CaseID = Id(2), .CaseHisID = "B_2", .CaseStyle = 1, .CaseName = "anna 50%_x", .CaseSex = true,
             .CaseAge = "45", .PhysicName = "Dr. Ek", .SampleTime = At(2010, 3, 5, 23, 59, 59), .Mark = "100% sure"},
            {.CaseID = Id(3), .CaseHisID = "C%3", .CaseStyle = 2, .CaseName = "Bo [Lind]", .CaseAge = "50",
             .PhysicName = "Dr'Ox", .SampleTime = At(2010, 3, 6, 0, 0, 0), .Mark = "a;b -- c /* d */"},
            {.CaseID = Id(4), .CaseHisID = "A-1", .CaseName = "Carl", .CaseAge = "abc", .PhysicName = "dr. ek",
             .SampleTime = At(2010, 3, 2, 23, 59, 59), .BeDelete = true, .Mark = "ORDER later"},
            {.CaseID = Id(5), .CaseStyle = 1, .CaseName = "D'Arcy", .CaseSex = true, .Mark = "x_y"},
            {.CaseID = Id(6), .CaseHisID = "E!1", .CaseName = "Eve_!x", .CaseAge = " 41 ", .PhysicName = "Dr. Ek",
             .SampleTime = At(2010, 3, 4, 12, 0, 0), .Mark = "!%"},
        });
    }

    // The rows a query lists, checked against its count.
    Ids Matching(const CaseQuery& query)
    {
        Ids ids;
        CCaseSearch search;
        if (search.Open(query)) {
            for (int i = 0; i < search.GetRowsFetched(); ++i) {
                CaseRecord record;
                search.GetRowRecord(i, record);
                ids.insert(record.CaseID.toInt());
            }
        }
        EXPECT_FALSE(search.error().has_value()) << search.error()->text.toStdString();
        const auto count = CountCasePages(query);
        EXPECT_TRUE(count.ok() && count->records == int(ids.size()));
        return ids;
    }
};

// Conditions alone and combined; typed text matches only literally.
TEST_P(CaseQueryTest, SearchFieldsSelectTheirRows)
{
    AddSampleCases();
    const QDate from(2010, 3, 3);
    const QDate to(2010, 3, 5);
    const std::pair<CaseQuery, Ids> cases[] = {
        {BuildReviewQuery({}), {1, 2, 3, 5, 6}},         {BuildReviewQuery({.name = " anna "}), {1, 2}},
        {BuildReviewQuery({.genderIndex = 1}), {1, 2, 5}}, {BuildReviewQuery({.genderIndex = 0}), {3, 6}},
        {BuildReviewQuery({.caseNo = "a-1"}), {1}},
        {BuildReviewQuery({.ageOn = true, .ageFrom = "41", .ageTo = "45"}), {2, 6}},
        {BuildReviewQuery({.dateOn = true, .dateFrom = from, .dateTo = to}), {1, 2, 6}},
        {BuildReviewQuery({.sampleTypeIndex = 0}), {1, 6}},  {BuildReviewQuery({.sampleTypeIndex = 1}), {2, 5}},
        {BuildReviewQuery({.sampleTypeIndex = 2}), {1, 2, 3, 5, 6}},
        {BuildReviewQuery({.genderIndex = 1, .ageOn = true, .ageFrom = "30", .ageTo = "40", .dateOn = true,
                           .dateFrom = QDate(2010, 3, 1), .dateTo = QDate(2010, 3, 31), .sampleTypeIndex = 0}),
         {1}},
        {BuildManageQuery({}), {1, 6}},                  {BuildManageQuery({.sampleType = 1}), {2, 5}},
        {BuildManageQuery({.sampleType = 2}), {1, 2, 3, 5, 6}}, // combined recordings are listed too
        {BuildManageQuery({.caseStyle = 1, .sampleType = 2}), {4}},
        {BuildManageQuery({.doctor = "Dr. Ek", .caseStyle = 2, .sampleType = 2}), {1, 2, 4, 6}},
        // "abc" and an empty age count as no age.
        {BuildManageQuery({.ageOn = true, .ageFrom = "0", .ageTo = "100", .caseStyle = 2, .sampleType = 2}),
         {1, 2, 3, 6}},
        {BuildManageQuery({.dateOn = true, .dateFrom = QDate(2010, 3, 2), .dateTo = QDate(2010, 3, 2),
                           .caseStyle = 2, .sampleType = 2}),
         {4}},
        {BuildManageQuery({.name = "o", .genderIndex = 0, .caseStyle = 2, .sampleType = 2}), {3}},
        // Typed text matches only literally.
        {ByName("50%_x"), {2}}, {ByName("%"), {2}}, {ByName("_"), {2, 6}}, {ByName("["), {3}},
        {ByName("[Lind]"), {3}}, {ByName("'"), {5}}, {ByName("!"), {6}}, {ByRemark("x' OR '1'='1"), {1}},
        {ByRemark("%"), {2, 6}}, {ByRemark("_"), {5}}, {ByRemark(";"), {3}}, {ByRemark("--"), {3}},
        {ByRemark("/*"), {3}}, {ByRemark("ORDER"), {4}}, {ByRemark("'; DELETE FROM \"CaseManage\"; --"), {}},
        {BuildManageQuery({.caseNo = "C%3", .caseStyle = 2, .sampleType = 2}), {3}},
        {BuildManageQuery({.caseNo = "C_3", .caseStyle = 2, .sampleType = 2}), {}},
        {BuildManageQuery({.caseNo = "E!1", .caseStyle = 2, .sampleType = 2}), {6}},
        {BuildManageQuery({.doctor = "Dr'Ox", .caseStyle = 2, .sampleType = 2}), {3}},
        // Nothing was changed by any of it.
        {BuildManageQuery({.caseStyle = 2, .sampleType = 2}), {1, 2, 3, 4, 5, 6}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Matching(cases[i].first), cases[i].second) << "case " << i;

    CaseQuery archived;
    archived.filter.archivedFrom = At(2010, 3, 4, 12, 0, 0);
    db.AddRows({{.CaseID = Id(7), .CaseTAVOID = "A000001", .SampleTime = At(2010, 3, 4, 12, 0, 0)}});
    EXPECT_EQ(Matching(archived), Ids{7});
}

TEST_P(CaseQueryTest, PagesOfAGrowingTable)
{
    const CaseQuery all = BuildReviewQuery({});
    // The table's size and pages, the page before the move, the move; the page it lands on and the case
    // numbers it lists (0: none).
    const std::tuple<int, int, int, int, int, int, int> steps[] = {
        {0, 0, 0, PageLast, 0, 0, 0},           {1, 1, 1, PageLast, 1, 1, 1},
        {100, 1, 1, PageCurrent, 1, 1, 100},    {101, 2, 2, PageLast, 2, 101, 101},
        {101, 2, 2, PagePrevious, 1, 1, 100},   {250, 3, 1, PagePrevious, 1, 1, 100},
        {250, 3, 1, PageLast, 3, 201, 250},     {250, 3, 3, PageNext, 3, 201, 250},
        {250, 3, 3, PagePrevious, 2, 101, 200}, {250, 3, 2, PageFirst, 1, 1, 100},
        {250, 3, 1, PageNext, 2, 101, 200},
    };
    CasePager pager;
    int count = 0;
    for (const auto& [rows, pages, from, mode, landed, first, last] : steps) {
        std::vector<CaseRow> added;
        for (; count < rows; ++count)
            added.push_back({.CaseID = Id(count + 1)});
        db.AddRows(added);
        ASSERT_TRUE(pager.Count(all).ok());
        EXPECT_EQ(std::pair(pager.m_nRecordCount, pager.m_nPageCount), std::pair(rows, pages));
        pager.m_nCurPage = from;
        const auto page = pager.Fill(all, mode);
        ASSERT_TRUE(page.ok());
        std::vector<int> listed;
        for (const CaseRecord& record : *page)
            listed.push_back(record.CaseID.toInt());
        std::vector<int> expected;
        for (int id = first; first > 0 && id <= last; ++id)
            expected.push_back(id);
        EXPECT_EQ(listed, expected)
            << rows << " rows, mode " << mode << " from page " << from;
        EXPECT_EQ(pager.m_nCurPage, landed);
    }
    const PagerButtons middle = pager.Buttons();
    EXPECT_TRUE(middle.first && middle.previous && middle.next && middle.last);
}

TEST_P(CaseQueryTest, FailuresComeBackWithTheDriversMessage)
{
    if (GetParam() == Backend::Sqlite)
        ASSERT_TRUE(RegisterCaseDSN(QStringLiteral("/nonexistent-folder/for")).ok());
    else
        testsupport::WriteCaseDsnValue("Port", QStringLiteral("1")); // the server is not there

    CMyRecordSet rs;
    const DbStatus opened = rs.Open();
    ASSERT_FALSE(opened.ok());
    EXPECT_FALSE(opened.error().text.isEmpty());
    EXPECT_FALSE(rs.IsOpen());
    rs.AddNew();
    EXPECT_FALSE(rs.Update().ok());

    CCaseSearch search;
    EXPECT_FALSE(search.Open());
    ASSERT_TRUE(search.error().has_value());
    EXPECT_FALSE(search.error()->text.isEmpty());

    CasePager pager;
    pager.m_nRecordCount = 7;
    EXPECT_FALSE(pager.Count(BuildReviewQuery({})).ok());
    EXPECT_EQ(std::pair(pager.m_nRecordCount, pager.m_nPageCount), std::pair(0, 0));
    EXPECT_FALSE(pager.Fill(BuildReviewQuery({}), PageLast).ok());

    testsupport::WriteCaseDsnValue("Driver", QStringLiteral("No Such Driver"));
    const DbStatus noDriver = rs.Open();
    ASSERT_FALSE(noDriver.ok());
    EXPECT_FALSE(noDriver.error().text.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseQueryTest, testsupport::BothBackends(), testsupport::BackendName);

// File locks are an SQLite matter: a server queues its writers itself.
TEST(SqliteCaseFile, ALockedDatabaseRefusesWithoutHalfWrites)
{
    testsupport::TempDir start;
    const testsupport::CaseDb db(Backend::Sqlite, start.path());
    testsupport::WriteCaseDsnValue("Timeout", QStringLiteral("300")); // short lock waits keep this quick
    db.AddRows({{.CaseID = Id(1)}, {.CaseID = Id(2)}, {.CaseID = Id(3)}});
    CMyRecordSet rs;
    ASSERT_TRUE(rs.OpenForAppend().ok());
    auto locker = OdbcConnection::Open(db.AdminConnectString());
    ASSERT_TRUE(locker.ok());
    ASSERT_TRUE(locker->Execute(SqlText{QStringLiteral("BEGIN EXCLUSIVE TRANSACTION"), {}}).ok());
    CMyRecordSet blocked;
    EXPECT_FALSE(blocked.Open().ok());

    rs.AddNew();
    rs.CaseID = Id(4);
    rs.CaseName = QStringLiteral("waiting");
    const DbStatus refused = rs.Update();
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().text.contains(QLatin1String("locked"))) << refused.error().text.toStdString();

    ASSERT_TRUE(locker->Execute(SqlText{QStringLiteral("COMMIT"), {}}).ok());
    CMyRecordSet reader;
    ASSERT_TRUE(reader.Open().ok());
    EXPECT_EQ(reader.GetRecordCount(), 3u);
    // The same row goes in once the lock is gone.
    rs.AddNew();
    rs.CaseID = Id(4);
    ASSERT_TRUE(rs.Update().ok());
    ASSERT_TRUE(reader.Open().ok());
    EXPECT_EQ(reader.GetRecordCount(), 4u);
}

} // namespace
