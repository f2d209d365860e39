// Case list queries, counts and pages against a real database.
#include "case_backend.h"

#include "db/case_data_source.h"
#include "db/case_paging.h"
#include "db/case_search.h"
#include "db/my_record_set.h"
#include "db/query_builders.h"

#include <gtest/gtest.h>

#include <set>

namespace dbtest {
namespace {

using namespace db;
using Ids = std::set<QString>;

SystemTime At(int y, int mo, int d, int h, int mi, int s)
{
    return SystemTime{std::uint16_t(y), std::uint16_t(mo), 0, std::uint16_t(d),
                      std::uint16_t(h), std::uint16_t(mi), std::uint16_t(s), 0};
}

class CaseQueryTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        m_backend = std::make_unique<CaseBackend>(GetParam());
        if (!m_backend->problem().isEmpty())
            FAIL() << m_backend->problem().toStdString();
    }

    void AddRows(const std::vector<CaseRow>& rows)
    {
        CMyRecordSet rs;
        ASSERT_TRUE(rs.OpenForAppend().ok());
        for (const CaseRow& row : rows) {
            rs.AddNew();
            static_cast<CaseRow&>(rs) = row;
            const DbStatus status = rs.Update();
            ASSERT_TRUE(status.ok()) << status.error().text.toStdString();
        }
    }

    void AddNumberedRows(int count)
    {
        std::vector<CaseRow> rows(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            rows[std::size_t(i)].CaseID = QStringLiteral("%1").arg(i + 1, 7, 10, QLatin1Char('0'));
        AddRows(rows);
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
                ids.insert(record.CaseID);
            }
        }
        EXPECT_FALSE(search.error().has_value()) << search.error()->text.toStdString();
        const auto count = CountCasePages(query);
        EXPECT_TRUE(count.ok()) << count.error().text.toStdString();
        if (count.ok()) {
            EXPECT_EQ(count->records, int(ids.size()));
        }
        return ids;
    }

    void AddSampleCases()
    {
        auto row = [](const char* id, const char* name, bool female, const char* hisId, const char* age,
                      const char* physician, SystemTime time, const char* mark, int style, bool deleted) {
            CaseRow r;
            r.CaseID = QLatin1String(id);
            r.CaseName = QString::fromUtf8(name);
            r.CaseSex = female;
            r.CaseHisID = QString::fromUtf8(hisId);
            r.CaseAge = QString::fromUtf8(age);
            r.PhysicName = QString::fromUtf8(physician);
            r.SampleTime = time;
            r.Mark = QString::fromUtf8(mark);
            r.CaseStyle = style;
            r.BeDelete = deleted;
            return r;
        };
        AddRows({
            row("0000001", "Anna Berg", true, "A-1", "40", "Dr. Ek", At(2010, 3, 3, 0, 0, 0), "x' OR '1'='1", 0, false),
            row("0000002", "anna 50%_x", true, "B_2", "45", "Dr. Ek", At(2010, 3, 5, 23, 59, 59), "100% sure", 1, false),
            row("0000003", "Bo [Lind]", false, "C%3", "50", "Dr'Ox", At(2010, 3, 6, 0, 0, 0), "a;b -- c /* d */", 2,
                false),
            row("0000004", "Carl", false, "A-1", "abc", "dr. ek", At(2010, 3, 2, 23, 59, 59), "ORDER later", 0, true),
            row("0000005", "D'Arcy", true, "", "", "", SystemTime{}, "x_y", 1, false),
            row("0000006", "Eve_!x", false, "E!1", " 41 ", "Dr. Ek", At(2010, 3, 4, 12, 0, 0), "!%", 0, false),
        });
    }

    Ids Review(const ReviewSearchFields& fields) { return Matching(BuildReviewQuery(fields)); }
    Ids Manage(const ManageSearchFields& fields) { return Matching(BuildManageQuery(fields)); }

    std::unique_ptr<CaseBackend> m_backend;
};

Ids Set(std::initializer_list<const char*> ids)
{
    Ids set;
    for (const char* id : ids)
        set.insert(QLatin1String(id));
    return set;
}

TEST_P(CaseQueryTest, ReviewConditionsAloneAndCombined)
{
    AddSampleCases();
    ReviewSearchFields f;
    EXPECT_EQ(Review(f), Set({"0000001", "0000002", "0000003", "0000005", "0000006"}));

    f = {};
    f.name = QStringLiteral(" anna ");
    EXPECT_EQ(Review(f), Set({"0000001", "0000002"}));
    f = {};
    f.genderIndex = 1;
    EXPECT_EQ(Review(f), Set({"0000001", "0000002", "0000005"}));
    f.genderIndex = 0;
    EXPECT_EQ(Review(f), Set({"0000003", "0000006"}));
    f = {};
    f.caseNo = QStringLiteral("a-1");
    EXPECT_EQ(Review(f), Set({"0000001"}));
    f = {};
    f.ageOn = true;
    f.ageFrom = QStringLiteral("41");
    f.ageTo = QStringLiteral("45");
    EXPECT_EQ(Review(f), Set({"0000002", "0000006"}));
    f = {};
    f.dateOn = true;
    f.dateFrom = QDate(2010, 3, 3);
    f.dateTo = QDate(2010, 3, 5);
    EXPECT_EQ(Review(f), Set({"0000001", "0000002", "0000006"}));
    f = {};
    f.sampleTypeIndex = 0;
    EXPECT_EQ(Review(f), Set({"0000001", "0000006"}));
    f.sampleTypeIndex = 1;
    EXPECT_EQ(Review(f), Set({"0000002", "0000005"}));
    f.sampleTypeIndex = 2;
    EXPECT_EQ(Review(f).size(), 5u);

    f = {};
    f.genderIndex = 1;
    f.dateOn = true;
    f.dateFrom = QDate(2010, 3, 1);
    f.dateTo = QDate(2010, 3, 31);
    f.sampleTypeIndex = 0;
    f.ageOn = true;
    f.ageFrom = QStringLiteral("30");
    f.ageTo = QStringLiteral("40");
    EXPECT_EQ(Review(f), Set({"0000001"}));
}

TEST_P(CaseQueryTest, TypedTextMatchesOnlyLiterally)
{
    AddSampleCases();
    auto byName = [&](const char* text) {
        ReviewSearchFields f;
        f.name = QString::fromUtf8(text);
        return Review(f);
    };
    auto byRemark = [&](const char* text) {
        ManageSearchFields f;
        f.caseStyle = 2;
        f.sampleType = 2;
        f.remark = QString::fromUtf8(text);
        return Manage(f);
    };
    EXPECT_EQ(byName("50%_x"), Set({"0000002"}));
    EXPECT_EQ(byName("%"), Set({"0000002"}));
    EXPECT_EQ(byName("_"), Set({"0000002", "0000006"}));
    EXPECT_EQ(byName("["), Set({"0000003"}));
    EXPECT_EQ(byName("[Lind]"), Set({"0000003"}));
    EXPECT_EQ(byName("'"), Set({"0000005"}));
    EXPECT_EQ(byName("!"), Set({"0000006"}));

    EXPECT_EQ(byRemark("x' OR '1'='1"), Set({"0000001"}));
    EXPECT_EQ(byRemark("%"), Set({"0000002", "0000006"}));
    EXPECT_EQ(byRemark("_"), Set({"0000005"}));
    EXPECT_EQ(byRemark(";"), Set({"0000003"}));
    EXPECT_EQ(byRemark("--"), Set({"0000003"}));
    EXPECT_EQ(byRemark("/*"), Set({"0000003"}));
    EXPECT_EQ(byRemark("ORDER"), Set({"0000004"}));
    EXPECT_EQ(byRemark("'; DELETE FROM \"CaseManage\"; --"), Ids{});

    ManageSearchFields f;
    f.caseStyle = 2;
    f.sampleType = 2;
    f.caseNo = QStringLiteral("C%3");
    EXPECT_EQ(Manage(f), Set({"0000003"}));
    f.caseNo = QStringLiteral("C_3");
    EXPECT_EQ(Manage(f), Ids{});
    f.caseNo = QStringLiteral("E!1");
    EXPECT_EQ(Manage(f), Set({"0000006"}));
    f.caseNo.clear();
    f.doctor = QStringLiteral("Dr'Ox");
    EXPECT_EQ(Manage(f), Set({"0000003"}));

    // Nothing was changed by any of it.
    ManageSearchFields everything;
    everything.caseStyle = 2;
    everything.sampleType = 2;
    EXPECT_EQ(Manage(everything).size(), 6u);
}

TEST_P(CaseQueryTest, ManageConditions)
{
    AddSampleCases();
    ManageSearchFields f;
    EXPECT_EQ(Manage(f), Set({"0000001", "0000006"}));
    f.sampleType = 1;
    EXPECT_EQ(Manage(f), Set({"0000002", "0000005"}));
    f.sampleType = 2; // combined recordings are listed too
    EXPECT_EQ(Manage(f), Set({"0000001", "0000002", "0000003", "0000005", "0000006"}));
    f.caseStyle = 1;
    EXPECT_EQ(Manage(f), Set({"0000004"}));
    f.caseStyle = 2;
    f.doctor = QStringLiteral("Dr. Ek");
    EXPECT_EQ(Manage(f), Set({"0000001", "0000002", "0000004", "0000006"}));
    f.doctor.clear();
    f.ageOn = true;
    f.ageFrom = QStringLiteral("0");
    f.ageTo = QStringLiteral("100");
    // "abc" and an empty age count as no age.
    EXPECT_EQ(Manage(f), Set({"0000001", "0000002", "0000003", "0000006"}));
    f.ageOn = false;
    f.dateOn = true;
    f.dateFrom = QDate(2010, 3, 2);
    f.dateTo = QDate(2010, 3, 2);
    EXPECT_EQ(Manage(f), Set({"0000004"}));
    f.dateOn = false;
    f.genderIndex = 0;
    f.name = QStringLiteral("o");
    EXPECT_EQ(Manage(f), Set({"0000003"}));

    CaseQuery archived;
    archived.filter.archivedFrom = At(2010, 3, 4, 12, 0, 0);
    CaseRow fromDevice;
    fromDevice.CaseID = QStringLiteral("0000007");
    fromDevice.CaseTAVOID = QStringLiteral("A000001");
    fromDevice.SampleTime = At(2010, 3, 4, 12, 0, 0);
    AddRows({fromDevice});
    EXPECT_EQ(Matching(archived), Set({"0000007"}));
}

TEST_P(CaseQueryTest, PagingEdges)
{
    const CaseQuery all = BuildReviewQuery({});
    auto listAt = [&](CasePager& pager, int mode) {
        auto rows = pager.Fill(all, mode);
        EXPECT_TRUE(rows.ok());
        std::vector<QString> ids;
        if (rows.ok()) {
            for (const CaseRecord& r : *rows)
                ids.push_back(r.CaseID);
        }
        return ids;
    };
    auto id = [](int n) { return QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')); };

    CasePager pager;
    ASSERT_TRUE(pager.Count(all).ok());
    EXPECT_EQ(pager.m_nRecordCount, 0);
    EXPECT_EQ(pager.m_nPageCount, 0);
    pager.m_nCurPage = pager.m_nPageCount;
    EXPECT_TRUE(listAt(pager, PageLast).empty());
    EXPECT_EQ(pager.m_nCurPage, 0);
    EXPECT_FALSE(pager.Buttons().first || pager.Buttons().next);

    AddNumberedRows(1);
    ASSERT_TRUE(pager.Count(all).ok());
    pager.m_nCurPage = pager.m_nPageCount;
    EXPECT_EQ(listAt(pager, PageLast), std::vector<QString>{id(1)});

    AddRows([&] {
        std::vector<CaseRow> rows(99);
        for (int i = 0; i < 99; ++i)
            rows[std::size_t(i)].CaseID = id(i + 2);
        return rows;
    }());
    ASSERT_TRUE(pager.Count(all).ok());
    EXPECT_EQ(pager.m_nPageCount, 1);
    pager.m_nCurPage = pager.m_nPageCount;
    auto page = listAt(pager, PageCurrent);
    ASSERT_EQ(page.size(), 100u);
    EXPECT_EQ(page.front(), id(1));
    EXPECT_EQ(page.back(), id(100));

    AddRows({[&] { CaseRow r; r.CaseID = id(101); return r; }()});
    ASSERT_TRUE(pager.Count(all).ok());
    EXPECT_EQ(pager.m_nPageCount, 2);
    pager.m_nCurPage = pager.m_nPageCount;
    EXPECT_EQ(listAt(pager, PageLast), std::vector<QString>{id(101)});
    page = listAt(pager, PagePrevious);
    ASSERT_EQ(page.size(), 100u);
    EXPECT_EQ(page.front(), id(1));
    EXPECT_EQ(pager.m_nCurPage, 1);

    AddRows([&] {
        std::vector<CaseRow> rows(149);
        for (int i = 0; i < 149; ++i)
            rows[std::size_t(i)].CaseID = id(i + 102);
        return rows;
    }());
    ASSERT_TRUE(pager.Count(all).ok());
    EXPECT_EQ(pager.m_nRecordCount, 250);
    EXPECT_EQ(pager.m_nPageCount, 3);
    pager.m_nCurPage = 1;
    page = listAt(pager, PagePrevious);
    EXPECT_EQ(pager.m_nCurPage, 1);
    ASSERT_EQ(page.size(), 100u);
    EXPECT_EQ(page.front(), id(1));
    EXPECT_EQ(page.back(), id(100));
    page = listAt(pager, PageLast);
    EXPECT_EQ(pager.m_nCurPage, 3);
    ASSERT_EQ(page.size(), 50u);
    EXPECT_EQ(page.front(), id(201));
    EXPECT_EQ(page.back(), id(250));
    EXPECT_TRUE(std::is_sorted(page.begin(), page.end()));
    page = listAt(pager, PageNext);
    EXPECT_EQ(pager.m_nCurPage, 3);
    EXPECT_EQ(page.size(), 50u);
    page = listAt(pager, PagePrevious);
    EXPECT_EQ(page.front(), id(101));
    EXPECT_EQ(page.back(), id(200));
    EXPECT_TRUE(pager.Buttons().previous && pager.Buttons().next);
}

TEST_P(CaseQueryTest, FailuresComeBackWithTheDriversMessage)
{
    if (GetParam() == Backend::Sqlite)
        ASSERT_TRUE(RegisterCaseDSN(QStringLiteral("/nonexistent-folder/for")).ok());
    else
        WriteCaseDsnValue("Port", QStringLiteral("1")); // the server is not there

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
    EXPECT_EQ(pager.m_nRecordCount, 0);
    EXPECT_EQ(pager.m_nPageCount, 0);
    EXPECT_FALSE(pager.Fill(BuildReviewQuery({}), PageLast).ok());

    WriteCaseDsnValue("Driver", QStringLiteral("No Such Driver"));
    const DbStatus noDriver = rs.Open();
    ASSERT_FALSE(noDriver.ok());
    EXPECT_FALSE(noDriver.error().text.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseQueryTest, testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

// File locks are an SQLite matter: a server queues its writers itself.
TEST(SqliteCaseFile, ALockedDatabaseRefusesWithoutHalfWrites)
{
    CaseBackend backend(Backend::Sqlite);
    ASSERT_TRUE(backend.problem().isEmpty()) << backend.problem().toStdString();
    {
        CMyRecordSet rs;
        ASSERT_TRUE(rs.OpenForAppend().ok());
        for (const char* id : {"0000001", "0000002", "0000003"}) {
            rs.AddNew();
            rs.CaseID = QLatin1String(id);
            ASSERT_TRUE(rs.Update().ok());
        }
    }
    CMyRecordSet rs;
    ASSERT_TRUE(rs.OpenForAppend().ok());
    auto locker = OdbcConnection::Open(backend.AdminConnectString());
    ASSERT_TRUE(locker.ok());
    ASSERT_TRUE(locker->Execute(SqlText{QStringLiteral("BEGIN EXCLUSIVE TRANSACTION"), {}}).ok());
    CMyRecordSet blocked;
    EXPECT_FALSE(blocked.Open().ok());

    rs.AddNew();
    rs.CaseID = QStringLiteral("0000004");
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
    rs.CaseID = QStringLiteral("0000004");
    ASSERT_TRUE(rs.Update().ok());
    ASSERT_TRUE(reader.Open().ok());
    EXPECT_EQ(reader.GetRecordCount(), 4u);
}

} // namespace
} // namespace dbtest
