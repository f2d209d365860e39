#pragma once

#include "db/case_query.h"
#include "db/case_record.h"
#include "db/db_result.h"

#include <vector>

namespace db {

enum PageMode { PageFirst = 0, PagePrevious = 1, PageNext = 2, PageLast = 3, PageCurrent = 4 };

inline constexpr int kCasePageSize = 100;

struct CaseCount {
    int records = 0;
    int pages = 0;
};

// Counts the query's rows on a connection of its own.
DbResult<CaseCount> CountCasePages(const CaseQuery& query);

// Pages needed for a number of rows.
int PagesFor(int records);

// The page a mode leads to (0 when there are no pages).
int TargetPage(int mode, int curPage, int pageCount);

// The page window that shows page `page` of a query of recordCount rows. When
// the count failed (0 rows) the window is the query itself.
CasePageQuery PageWindow(const CaseQuery& query, int page, int recordCount);

// Which pager buttons are enabled.
struct PagerButtons {
    bool first = false;
    bool previous = false;
    bool next = false;
    bool last = false;
};
PagerButtons PagerButtonsFor(int curPage, int pageCount);

// The paging state a case list window keeps, and the count and page fill that
// both case lists share. Only the fill's rows go to the list.
class CasePager {
public:
    // A new count: m_nRecordCount and m_nPageCount; on failure both 0 and the
    // error for the window to show.
    DbStatus Count(const CaseQuery& query);

    // Reads the page that `mode` leads to, in ascending case number. An empty
    // result (failure or no rows) leaves m_nCurPage as it was; the error, if
    // any, is not meant for the user.
    DbResult<std::vector<CaseRecord>> Fill(const CaseQuery& query, int mode);

    PagerButtons Buttons() const { return PagerButtonsFor(m_nCurPage, m_nPageCount); }

    int m_nRecordCount = 0;
    int m_nPageCount = 0;
    int m_nCurPage = 0;
};

} // namespace db
