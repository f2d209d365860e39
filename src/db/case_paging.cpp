#include "db/case_paging.h"

#include "db/case_database.h"
#include "db/case_search.h"
#include "db/odbc_statement.h"
#include "db/query_renderer.h"

namespace db {

DbResult<CaseCount> CountCasePages(const CaseQuery& query)
{
    auto connection = OpenCaseDatabase(CaseConnectionKind::Direct);
    if (!connection)
        return connection.error();
    auto statement = OdbcStatement::Create(*connection);
    if (!statement)
        return statement.error();
    if (auto status = statement->Execute(RenderCount(query, connection->dialect())); !status)
        return status.error();
    auto fetched = statement->Fetch();
    if (!fetched)
        return fetched.error();
    if (!*fetched)
        return DbError{QStringLiteral("The count gave no row."), QString()};
    auto text = statement->GetText(1);
    if (!text)
        return text.error();
    bool isNumber = false;
    const int records = text->value_or(QString()).trimmed().toInt(&isNumber);
    if (!isNumber || records < 0)
        return DbError{QStringLiteral("The count gave no number."), QString()};
    return CaseCount{records, PagesFor(records)};
}

int PagesFor(int records)
{
    return records / kCasePageSize + (records % kCasePageSize != 0 ? 1 : 0);
}

int TargetPage(int mode, int curPage, int pageCount)
{
    switch (mode) {
    case PageFirst:
        return 1;
    case PagePrevious:
        return curPage - 1 > 1 ? curPage - 1 : 1;
    case PageNext:
        return curPage + 1 < pageCount ? curPage + 1 : pageCount;
    case PageLast:
        return pageCount;
    default:
        return curPage;
    }
}

CasePageQuery PageWindow(const CaseQuery& query, int page, int recordCount)
{
    const int before = page > 1 ? (page - 1) * kCasePageSize : 0;
    const int rest = recordCount - before;
    if (page <= 0 || rest <= 0)
        return CasePageQuery{query, 0, 0, 0, recordCount};
    return CasePageQuery{query, page * kCasePageSize, rest >= kCasePageSize ? kCasePageSize : rest, before,
                         recordCount};
}

PagerButtons PagerButtonsFor(int curPage, int pageCount)
{
    PagerButtons buttons;
    buttons.first = buttons.previous = curPage > 1;
    buttons.next = buttons.last = curPage < pageCount;
    return buttons;
}

DbStatus CasePager::Count(const CaseQuery& query)
{
    auto count = CountCasePages(query);
    if (!count) {
        m_nRecordCount = 0;
        m_nPageCount = 0;
        return count.error();
    }
    m_nRecordCount = count->records;
    m_nPageCount = count->pages;
    return {};
}

DbResult<std::vector<CaseRecord>> CasePager::Fill(const CaseQuery& query, int mode)
{
    const int page = TargetPage(mode, m_nCurPage, m_nPageCount);
    CCaseSearch search;
    if (!search.Open(PageWindow(query, page, m_nRecordCount))) {
        if (search.error())
            return *search.error();
        return std::vector<CaseRecord>{};
    }
    // The window comes newest first; the list shows it oldest first.
    std::vector<CaseRecord> rows(std::size_t(search.GetRowsFetched()));
    for (int i = 0; i < search.GetRowsFetched(); ++i)
        search.GetRowRecord(search.GetRowsFetched() - 1 - i, rows[std::size_t(i)]);
    m_nCurPage = page;
    return rows;
}

} // namespace db
