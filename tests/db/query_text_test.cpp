// The SQL texts of the case lists: Access texts as the case windows have always
// sent them, and the bound forms of the other dialects.
#include "db/case_paging.h"
#include "db/query_builders.h"
#include "db/query_renderer.h"

#include <gtest/gtest.h>

namespace {

using namespace db;

QString Access(const CaseQuery& query) { return RenderSelect(query, SqlDialect::Access).sql; }

TEST(AccessQueryText, ReviewQueriesMatchTheirTexts)
{
    ReviewSearchFields fields;
    fields.name = QStringLiteral("50%_x");
    EXPECT_TRUE(Access(BuildReviewQuery(fields)).contains(QStringLiteral(" [CaseName] LIKE '%50[%][_]x%'")));

    fields = {};
    fields.genderIndex = 0;
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE [CaseSex] = FALSE AND [BeDelete] = 0 ORDER BY [CaseID] "));

    fields = {};
    fields.name = QStringLiteral("x");
    fields.sampleTypeIndex = 2;
    EXPECT_TRUE(Access(BuildReviewQuery(fields))
                    .endsWith(QStringLiteral("[CaseName] LIKE '%x%'  AND [BeDelete] = 0 ORDER BY [CaseID] ")));

    fields = {};
    fields.sampleTypeIndex = 2;
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE [BeDelete] = 0 ORDER BY [CaseID] "));
    fields.sampleTypeIndex = 3;
    fields.genderIndex = 2; // the empty items add nothing
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE [BeDelete] = 0 ORDER BY [CaseID] "));

    fields = {};
    fields.dateOn = true;
    fields.dateFrom = QDate(2010, 3, 3);
    fields.dateTo = QDate(2010, 3, 5);
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE ([SampleTime] IS NOT NULL AND SampleTime Between "
                             "#2010/ 3/ 3 0:0:0# AND #2010/ 3/ 5 23:59:59#) AND [BeDelete] = 0 ORDER BY [CaseID] "));

    fields = {};
    fields.name = QStringLiteral("  Ann ");
    fields.genderIndex = 1;
    fields.caseNo = QStringLiteral(" A1 ");
    fields.ageOn = true;
    fields.ageFrom = QStringLiteral("40");
    fields.ageTo = QStringLiteral("50");
    fields.remark = QStringLiteral(" x' OR '1'='1 ");
    fields.sampleTypeIndex = 1;
    fields.caseNo = QStringLiteral(" A1 ");
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE [CaseName] LIKE '%Ann%' AND [CaseSex] = TRUE AND "
                             "[CaseHisID] LIKE 'A1' AND [CaseAge] IS NOT NULL AND CInt(CaseAge) between 40 AND 50 "
                             "AND [Mark] LIKE '%x'' OR ''1''=''1%' AND [CaseStyle] = 1 AND [BeDelete] = 0 "
                             "ORDER BY [CaseID] "));
    EXPECT_EQ(RenderCount(BuildReviewQuery(fields), SqlDialect::Access).sql,
              QStringLiteral("SELECT COUNT(*) FROM[CaseManage]WHERE [CaseName] LIKE '%Ann%' AND [CaseSex] = TRUE AND "
                             "[CaseHisID] LIKE 'A1' AND [CaseAge] IS NOT NULL AND CInt(CaseAge) between 40 AND 50 "
                             "AND [Mark] LIKE '%x'' OR ''1''=''1%' AND [CaseStyle] = 1 AND [BeDelete] = 0 "));

    // Blank fields count as empty; an age that is not a number is no bound.
    fields = {};
    fields.name = QStringLiteral("   ");
    fields.remark = QStringLiteral(" ");
    fields.ageOn = true;
    fields.ageFrom = QStringLiteral("4O");
    fields.ageTo = QStringLiteral("50");
    EXPECT_EQ(Access(BuildReviewQuery(fields)),
              QStringLiteral("SELECT * FROM[CaseManage]WHERE [BeDelete] = 0 ORDER BY [CaseID] "));
}

TEST(AccessQueryText, ManageQueriesMatchTheirTexts)
{
    ManageSearchFields fields;
    EXPECT_EQ(Access(BuildManageQuery(fields)),
              QStringLiteral("SELECT * FROM [CaseManage] WHERE [BeDelete] = 0 AND  [CaseStyle] = 0 ORDER BY [CaseID] "));
    fields.sampleType = 2;
    fields.caseStyle = 2;
    EXPECT_EQ(Access(BuildManageQuery(fields)),
              QStringLiteral("SELECT * FROM [CaseManage] WHERE  ([CaseStyle] = 0 or [CaseStyle] = 1 or "
                             "[CaseStyle] = 2)ORDER BY [CaseID] "));
    EXPECT_EQ(RenderCount(BuildManageQuery(fields), SqlDialect::Access).sql,
              QStringLiteral("SELECT COUNT(*) FROM [CaseManage] WHERE  ([CaseStyle] = 0 or [CaseStyle] = 1 or "
                             "[CaseStyle] = 2)"));

    fields = {};
    fields.name = QStringLiteral("a[b");
    fields.genderIndex = 1;
    fields.caseNo = QStringLiteral("7_");
    fields.doctor = QStringLiteral("Dr'");
    fields.ageOn = true;
    fields.ageFrom = QStringLiteral("1");
    fields.ageTo = QStringLiteral("99");
    fields.dateOn = true;
    fields.dateFrom = QDate(2021, 12, 1);
    fields.dateTo = QDate(2022, 1, 31);
    fields.remark = QStringLiteral("ORDER 100%");
    fields.caseStyle = 1;
    fields.sampleType = 1;
    const CaseQuery query = BuildManageQuery(fields);
    EXPECT_EQ(Access(query),
              QStringLiteral("SELECT * FROM [CaseManage] WHERE  [CaseName] LIKE '%a[[]b%' AND  [CaseSex] = TRUE  AND "
                             "[CaseHisID] LIKE '7[_]' AND [PhysicName] LIKE 'Dr''' AND[CaseAge] IS NOT NULL AND "
                             "CInt(CaseAge) between 1 AND 99 AND  ([SampleTime] IS NOT NULL AND SampleTime Between "
                             "#2021/12/ 1 0:0:0# AND #2022/ 1/31 23:59:59#) AND [Mark] LIKE '%ORDER 100[%]%' "
                             "AND[BeDelete] = 1 AND  [CaseStyle] = 1 ORDER BY [CaseID] "));
    // A typed ORDER no longer cuts the count short.
    EXPECT_TRUE(RenderCount(query, SqlDialect::Access)
                    .sql.endsWith(QStringLiteral("[Mark] LIKE '%ORDER 100[%]%' AND[BeDelete] = 1 AND  [CaseStyle] = 1 ")));
}

TEST(AccessQueryText, PagesAndNumbering)
{
    CaseQuery all;
    EXPECT_EQ(Access(all), QStringLiteral("SELECT * FROM [CaseManage] ORDER BY [CaseID]"));
    CaseQuery newest;
    newest.order = CaseOrder::CaseNumberDescending;
    newest.top = 1;
    EXPECT_EQ(Access(newest), QStringLiteral("SELECT TOP 1 * FROM [CaseManage] order by [CaseID] DESC"));

    ManageSearchFields fields;
    const CaseQuery query = BuildManageQuery(fields);
    const QString base = Access(query);
    EXPECT_EQ(RenderPage(PageWindow(query, 3, 250), SqlDialect::Access).sql,
              QStringLiteral("SELECT TOP 50 * FROM (SELECT TOP 300 * FROM (") + base
                  + QStringLiteral(") ORDER BY [CaseID] ASC) ORDER BY [CaseID] DESC"));
    EXPECT_EQ(RenderPage(PageWindow(query, 1, 250), SqlDialect::Access).sql,
              QStringLiteral("SELECT TOP 100 * FROM (SELECT TOP 100 * FROM (") + base
                  + QStringLiteral(") ORDER BY [CaseID] ASC) ORDER BY [CaseID] DESC"));
    EXPECT_EQ(RenderPage(PageWindow(query, 0, 0), SqlDialect::Access).sql, base);

    CaseQuery archived;
    archived.filter.archivedFrom = SystemTime{2012, 4, 0, 7, 8, 9, 5, 0};
    archived.order = CaseOrder::SampleTimeAscending;
    EXPECT_EQ(Access(archived),
              QStringLiteral("SELECT * FROM [CaseManage] WHERE [SampleTime] IS NOT NULL AND SampleTime >= "
                             "#2012/ 4/ 7 08:09:05# AND [CaseTAVOID] IS NOT NULL ORDER BY [SampleTime] ASC"));
}

TEST(PortableQueryText, TypedTextNeverReachesTheStatement)
{
    ManageSearchFields fields;
    fields.name = QStringLiteral("'; DROP TABLE \"CaseManage\"; --");
    fields.caseNo = QStringLiteral("a%b_c!d");
    fields.doctor = QStringLiteral("/* x */");
    fields.remark = QStringLiteral("x' OR '1'='1");
    fields.ageOn = true;
    fields.ageFrom = QStringLiteral("1; DELETE");
    fields.ageTo = QStringLiteral("9");
    for (const SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres}) {
        const SqlText text = RenderSelect(BuildManageQuery(fields), dialect);
        EXPECT_FALSE(text.sql.contains(QStringLiteral("DROP")));
        EXPECT_FALSE(text.sql.contains(QStringLiteral("DELETE")));
        EXPECT_FALSE(text.sql.contains(QStringLiteral("OR '1'")));
        ASSERT_EQ(text.params.size(), 4u);
        EXPECT_EQ(std::get<QString>(text.params[1]), QStringLiteral("a!%b!_c!!d"));
        EXPECT_EQ(std::get<QString>(text.params[3]), QStringLiteral("%x' OR '1'='1%"));
        EXPECT_EQ(text.sql.contains(QStringLiteral("ILIKE")), dialect == SqlDialect::Postgres);
    }
    EXPECT_EQ(ParseAgeBound(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(ParseAgeBound(QStringLiteral("-1")), std::nullopt);
    EXPECT_EQ(ParseAgeBound(QStringLiteral("1234567890")), std::nullopt);
    EXPECT_EQ(ParseAgeBound(QStringLiteral("٤٢")), std::nullopt); // non-ASCII digits
}

TEST(CasePaging, PageArithmetic)
{
    EXPECT_EQ(PagesFor(0), 0);
    EXPECT_EQ(PagesFor(1), 1);
    EXPECT_EQ(PagesFor(100), 1);
    EXPECT_EQ(PagesFor(101), 2);
    EXPECT_EQ(PagesFor(250), 3);
    EXPECT_EQ(TargetPage(PagePrevious, 1, 3), 1);
    EXPECT_EQ(TargetPage(PageNext, 3, 3), 3);
    EXPECT_EQ(TargetPage(PageNext, 1, 3), 2);
    EXPECT_EQ(TargetPage(PageLast, 1, 0), 0);
    EXPECT_EQ(TargetPage(PageCurrent, 2, 3), 2);
    EXPECT_EQ(TargetPage(PageFirst, 2, 3), 1);
    const PagerButtons none = PagerButtonsFor(0, 0);
    EXPECT_FALSE(none.first || none.previous || none.next || none.last);
    const PagerButtons middle = PagerButtonsFor(2, 3);
    EXPECT_TRUE(middle.first && middle.previous && middle.next && middle.last);
    const PagerButtons lastPage = PagerButtonsFor(3, 3);
    EXPECT_TRUE(lastPage.first && !lastPage.next);
}

} // namespace
