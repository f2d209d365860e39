// The SQL texts of the case lists: Access texts as the case windows have always
// sent them, and the bound forms of the other dialects.
#include "db/case_paging.h"
#include "db/query_builders.h"
#include "db/query_renderer.h"

#include <gtest/gtest.h>

namespace {

using namespace db;

QString Access(const CaseQuery& query) { return RenderSelect(query, SqlDialect::Access).sql; }

const QString kAllUndeleted = QStringLiteral("SELECT * FROM[CaseManage]WHERE [BeDelete] = 0 ORDER BY [CaseID] ");

TEST(AccessQueryText, ReviewQueriesMatchTheirTexts)
{
    EXPECT_TRUE(Access(BuildReviewQuery({.name = "50%_x"})).contains(" [CaseName] LIKE '%50[%][_]x%'"));
    EXPECT_TRUE(Access(BuildReviewQuery({.name = "x", .sampleTypeIndex = 2}))
                    .endsWith("[CaseName] LIKE '%x%'  AND [BeDelete] = 0 ORDER BY [CaseID] "));
    const std::pair<ReviewSearchFields, QString> cases[] = {
        {{.genderIndex = 0},
         "SELECT * FROM[CaseManage]WHERE [CaseSex] = FALSE AND [BeDelete] = 0 ORDER BY [CaseID] "},
        {{.sampleTypeIndex = 2}, kAllUndeleted},
        {{.genderIndex = 2, .sampleTypeIndex = 3}, kAllUndeleted}, // the empty items add nothing
        {{.dateOn = true, .dateFrom = QDate(2010, 3, 3), .dateTo = QDate(2010, 3, 5)},
         "SELECT * FROM[CaseManage]WHERE ([SampleTime] IS NOT NULL AND SampleTime Between "
         "#2010/ 3/ 3 0:0:0# AND #2010/ 3/ 5 23:59:59#) AND [BeDelete] = 0 ORDER BY [CaseID] "},
        // Blank fields count as empty; an age that is not a number is no bound.
        {{.name = "   ", .ageOn = true, .ageFrom = "4O", .ageTo = "50", .remark = " "}, kAllUndeleted},
    };
    for (const auto& [fields, text] : cases)
        EXPECT_EQ(Access(BuildReviewQuery(fields)), text);

    const CaseQuery every = BuildReviewQuery({.name = "  Ann ", .genderIndex = 1, .caseNo = " A1 ", .ageOn = true,
                                              .ageFrom = "40", .ageTo = "50", .remark = " x' OR '1'='1 ",
                                              .sampleTypeIndex = 1});
    const QString where = "WHERE [CaseName] LIKE '%Ann%' AND [CaseSex] = TRUE AND [CaseHisID] LIKE 'A1' AND [CaseAge] "
                          "IS NOT NULL AND CInt(CaseAge) between 40 AND 50 AND [Mark] LIKE '%x'' OR ''1''=''1%' AND "
                          "[CaseStyle] = 1 AND [BeDelete] = 0 ";
    EXPECT_EQ(Access(every), "SELECT * FROM[CaseManage]" + where + "ORDER BY [CaseID] ");
    EXPECT_EQ(RenderCount(every, SqlDialect::Access).sql, "SELECT COUNT(*) FROM[CaseManage]" + where);
}

TEST(AccessQueryText, ManageQueriesMatchTheirTexts)
{
    EXPECT_EQ(Access(BuildManageQuery({})),
              "SELECT * FROM [CaseManage] WHERE [BeDelete] = 0 AND  [CaseStyle] = 0 ORDER BY [CaseID] ");
    const CaseQuery all = BuildManageQuery({.caseStyle = 2, .sampleType = 2});
    const QString where = "WHERE  ([CaseStyle] = 0 or [CaseStyle] = 1 or [CaseStyle] = 2)";
    EXPECT_EQ(Access(all), "SELECT * FROM [CaseManage] " + where + "ORDER BY [CaseID] ");
    EXPECT_EQ(RenderCount(all, SqlDialect::Access).sql, "SELECT COUNT(*) FROM [CaseManage] " + where);

    const CaseQuery query = BuildManageQuery({.name = "a[b", .genderIndex = 1, .caseNo = "7_", .doctor = "Dr'",
                                              .ageOn = true, .ageFrom = "1", .ageTo = "99", .dateOn = true,
                                              .dateFrom = QDate(2021, 12, 1), .dateTo = QDate(2022, 1, 31),
                                              .remark = "ORDER 100%", .caseStyle = 1, .sampleType = 1});
    EXPECT_EQ(Access(query),
              "SELECT * FROM [CaseManage] WHERE  [CaseName] LIKE '%a[[]b%' AND  [CaseSex] = TRUE  AND "
              "[CaseHisID] LIKE '7[_]' AND [PhysicName] LIKE 'Dr''' AND[CaseAge] IS NOT NULL AND "
              "CInt(CaseAge) between 1 AND 99 AND  ([SampleTime] IS NOT NULL AND SampleTime Between "
              "#2021/12/ 1 0:0:0# AND #2022/ 1/31 23:59:59#) AND [Mark] LIKE '%ORDER 100[%]%' "
              "AND[BeDelete] = 1 AND  [CaseStyle] = 1 ORDER BY [CaseID] ");
    // A typed ORDER no longer cuts the count short.
    EXPECT_TRUE(RenderCount(query, SqlDialect::Access)
                    .sql.endsWith("[Mark] LIKE '%ORDER 100[%]%' AND[BeDelete] = 1 AND  [CaseStyle] = 1 "));
}

TEST(AccessQueryText, PagesAndNumbering)
{
    EXPECT_EQ(Access(CaseQuery{}), "SELECT * FROM [CaseManage] ORDER BY [CaseID]");
    CaseQuery newest;
    newest.order = CaseOrder::CaseNumberDescending;
    newest.top = 1;
    EXPECT_EQ(Access(newest), "SELECT TOP 1 * FROM [CaseManage] order by [CaseID] DESC");

    const CaseQuery query = BuildManageQuery({});
    const QString base = Access(query);
    const QString sorted = ") ORDER BY [CaseID] ASC) ORDER BY [CaseID] DESC";
    EXPECT_EQ(RenderPage(PageWindow(query, 3, 250), SqlDialect::Access).sql,
              "SELECT TOP 50 * FROM (SELECT TOP 300 * FROM (" + base + sorted);
    EXPECT_EQ(RenderPage(PageWindow(query, 1, 250), SqlDialect::Access).sql,
              "SELECT TOP 100 * FROM (SELECT TOP 100 * FROM (" + base + sorted);
    EXPECT_EQ(RenderPage(PageWindow(query, 0, 0), SqlDialect::Access).sql, base);

    CaseQuery archived;
    archived.filter.archivedFrom = SystemTime{2012, 4, 0, 7, 8, 9, 5, 0};
    archived.order = CaseOrder::SampleTimeAscending;
    EXPECT_EQ(Access(archived), "SELECT * FROM [CaseManage] WHERE [SampleTime] IS NOT NULL AND SampleTime >= "
                                "#2012/ 4/ 7 08:09:05# AND [CaseTAVOID] IS NOT NULL ORDER BY [SampleTime] ASC");
}

TEST(PortableQueryText, TypedTextNeverReachesTheStatement)
{
    const CaseQuery query = BuildManageQuery({.name = "'; DROP TABLE \"CaseManage\"; --", .caseNo = "a%b_c!d",
                                              .doctor = "/* x */", .ageOn = true, .ageFrom = "1; DELETE",
                                              .ageTo = "9", .remark = "x' OR '1'='1"});
    for (const SqlDialect dialect : {SqlDialect::Sqlite, SqlDialect::Postgres}) {
        const SqlText text = RenderSelect(query, dialect);
        EXPECT_FALSE(text.sql.contains("DROP") || text.sql.contains("DELETE") || text.sql.contains("OR '1'"));
        ASSERT_EQ(text.params.size(), 4u);
        EXPECT_EQ(std::get<QString>(text.params[1]), "a!%b!_c!!d");
        EXPECT_EQ(std::get<QString>(text.params[3]), "%x' OR '1'='1%");
        EXPECT_EQ(text.sql.contains("ILIKE"), dialect == SqlDialect::Postgres);
    }
    EXPECT_EQ(ParseAgeBound(" 42 "), 42);
    for (const char* noBound : {"-1", "1234567890", "٤٢"}) // the last: non-ASCII digits
        EXPECT_EQ(ParseAgeBound(QString::fromUtf8(noBound)), std::nullopt) << noBound;
}

} // namespace
