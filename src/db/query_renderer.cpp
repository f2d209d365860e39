#include "db/query_renderer.h"

#include "db/access_query_text.h"
#include "db/portable_query_text.h"

namespace db {

SqlText RenderSelect(const CaseQuery& query, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access)
        return SqlText{AccessQueryText::Select(query), {}};
    return PortableQueryText(dialect).Select(query);
}

SqlText RenderCount(const CaseQuery& query, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access)
        return SqlText{AccessQueryText::Count(query), {}};
    return PortableQueryText(dialect).Count(query);
}

SqlText RenderPage(const CasePageQuery& page, SqlDialect dialect)
{
    if (dialect == SqlDialect::Access)
        return SqlText{AccessQueryText::Page(page), {}};
    return PortableQueryText(dialect).Page(page);
}

QString EscapeAccessLike(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("["), QLatin1String("[[]"));
    escaped.replace(QLatin1String("%"), QLatin1String("[%]"));
    escaped.replace(QLatin1String("'"), QLatin1String("''"));
    escaped.replace(QLatin1String("_"), QLatin1String("[_]"));
    return escaped;
}

QString EscapePortableLike(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return escaped;
}

} // namespace db
