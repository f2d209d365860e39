#include "review/case_steps.h"

#include <algorithm>

namespace review {

std::optional<CaseStep> PreStep(const QStringList& ids, const QString& openCase, int curPage)
{
    if (ids.isEmpty())
        return std::nullopt;
    const auto below = std::lower_bound(ids.begin(), ids.end(), openCase);
    if (below != ids.begin())
        return CaseStep{0, int(below - ids.begin()) - 1};
    if (ids.front() == openCase && curPage > 1)
        return CaseStep{-1, 0};
    return std::nullopt;
}

std::optional<CaseStep> NextStep(const QStringList& ids, const QString& openCase, int curPage, int pageCount)
{
    if (ids.isEmpty())
        return std::nullopt;
    const auto above = std::upper_bound(ids.begin(), ids.end(), openCase);
    if (above != ids.end())
        return CaseStep{0, int(above - ids.begin())};
    if (ids.back() == openCase && curPage < pageCount)
        return CaseStep{1, 0};
    return std::nullopt;
}

PreNext PreNextFor(const QStringList& ids, const QString& openCase, int curPage, int pageCount, int recordCount)
{
    if (openCase.isEmpty() || recordCount < 2)
        return {};
    return {PreStep(ids, openCase, curPage).has_value(), NextStep(ids, openCase, curPage, pageCount).has_value()};
}

} // namespace review
