#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace review {

// Where Pre or Next takes the open case. The rows of a page hold ascending
// case ids (the order of every case query); the open case need not be on the
// page, nor in the query at all.
struct CaseStep {
    int pageDelta = 0; // -1: last row of the previous page; +1: first row of the next; 0: `row` of this page
    int row = 0;
};

// The row before the open case: the last one with a smaller id; from the
// page's first row, the previous page. Nothing when the open case lies before
// the page (or there is no row before it).
std::optional<CaseStep> PreStep(const QStringList& ids, const QString& openCase, int curPage);

// The row after the open case: the first one with a larger id; from the
// page's last row, the next page. Nothing when the open case lies after the
// page (or there is no row after it).
std::optional<CaseStep> NextStep(const QStringList& ids, const QString& openCase, int curPage, int pageCount);

// Whether Pre and Next lead anywhere: never with no open case or fewer than
// two rows in the query.
struct PreNext {
    bool canPrev = false;
    bool canNext = false;
};
PreNext PreNextFor(const QStringList& ids, const QString& openCase, int curPage, int pageCount, int recordCount);

} // namespace review
