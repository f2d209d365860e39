// The case table at clinic size: 100,000 cases in the embedded SQLite database.
#include "db/case_data_source.h"
#include "db/case_database.h"
#include "db/case_numbering.h"
#include "db/case_paging.h"
#include "db/case_search.h"
#include "db/case_table.h"
#include "db/my_record_set.h"
#include "db/odbc_statement.h"
#include "db/query_builders.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using namespace db;

constexpr int kCases = 100000;

// A temporary start folder with its own data-source file and 100,000 cases;
// the user's own files are never touched.
class ClinicDatabase {
public:
    ClinicDatabase()
    {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder");
        setenv("ODBCINI", QDir(m_dir.path()).filePath(QStringLiteral("odbc.ini")).toLocal8Bit().constData(), 1);
        if (const auto registered = RegisterCaseDSN(m_dir.path()); !registered.ok())
            throw std::runtime_error(registered.message.toStdString());
        auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
        if (!connection)
            throw std::runtime_error(connection.error().text.toStdString());
        connection->Execute(SqlText{QStringLiteral("BEGIN"), {}});
        for (int i = 1; i <= kCases; ++i) {
            CaseRow row;
            row.CaseID = QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
            row.CaseName = QStringLiteral("Patient %1").arg(i);
            row.CaseSex = i % 2 == 0;
            row.CaseAge = QString::number(20 + i % 70);
            row.CaseStyle = i % 3;
            row.SampleTime = SystemTime{std::uint16_t(2000 + i % 25), std::uint16_t(1 + i % 12), 0,
                                        std::uint16_t(1 + i % 28), std::uint16_t(i % 24), 0, 0, 0};
            row.BeDelete = i % 50 == 0;
            row.Mark = QStringLiteral("remark %1").arg(i);
            if (auto inserted = connection->Execute(InsertCaseRowSql(row, connection->dialect())); !inserted)
                throw std::runtime_error(inserted.error().text.toStdString());
        }
        connection->Execute(SqlText{QStringLiteral("COMMIT"), {}});
    }

private:
    QTemporaryDir m_dir;
};

void EnsureDatabase()
{
    static const auto database = std::make_unique<ClinicDatabase>();
}

void BM_CountCases(benchmark::State& state)
{
    EnsureDatabase();
    const CaseQuery query = BuildReviewQuery({});
    for (auto _ : state) {
        auto count = CountCasePages(query);
        if (!count)
            state.SkipWithError(count.error().text.toStdString().c_str());
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_CountCases)->Unit(benchmark::kMillisecond);

void FetchPage(benchmark::State& state, bool lastPage)
{
    EnsureDatabase();
    const CaseQuery query = BuildReviewQuery({});
    auto count = CountCasePages(query);
    if (!count) {
        state.SkipWithError(count.error().text.toStdString().c_str());
        return;
    }
    CasePager pager;
    pager.m_nRecordCount = count->records;
    pager.m_nPageCount = count->pages;
    for (auto _ : state) {
        pager.m_nCurPage = lastPage ? pager.m_nPageCount : 1;
        auto rows = pager.Fill(query, PageCurrent);
        if (!rows || rows->size() != 100)
            state.SkipWithError("the page did not come back whole");
        benchmark::DoNotOptimize(rows);
    }
}

void BM_FetchLastPage(benchmark::State& state) { FetchPage(state, true); }
BENCHMARK(BM_FetchLastPage)->Unit(benchmark::kMillisecond);

void BM_FetchFirstPage(benchmark::State& state) { FetchPage(state, false); }
BENCHMARK(BM_FetchFirstPage)->Unit(benchmark::kMillisecond);

void BM_AddCase(benchmark::State& state)
{
    EnsureDatabase();
    for (auto _ : state) {
        CMyRecordSet rs;
        if (!rs.OpenForAppend())
            state.SkipWithError("cannot open the case table");
        auto id = NewCaseID(NumberingRule::LiveSampling);
        if (!id)
            state.SkipWithError(id.error().text.toStdString().c_str());
        rs.AddNew();
        rs.CaseID = *id;
        rs.CaseName = QStringLiteral("New patient");
        if (!rs.Update())
            state.SkipWithError("the new case was not written");
    }
}
BENCHMARK(BM_AddCase)->Unit(benchmark::kMillisecond);

} // namespace
