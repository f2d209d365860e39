#include "db/portable_query_text.h"

#include "db/case_table.h"
#include "db/query_renderer.h"

#include <QStringList>

#include <algorithm>

namespace db {

QString PortableQueryText::Name(const char* name) const { return QuoteName(name, m_dialect); }

QString PortableQueryText::Like() const
{
    return m_dialect == SqlDialect::Postgres ? QStringLiteral(" ILIKE ? ESCAPE '!'") : QStringLiteral(" LIKE ? ESCAPE '!'");
}

// The age as a number when it is one (up to nine digits, blanks around
// allowed), else NULL, which no range matches.
QString PortableQueryText::AgeExpression() const
{
    const QString age = QStringLiteral("TRIM(") + Name("CaseAge") + QLatin1Char(')');
    const QString isNumber = m_dialect == SqlDialect::Postgres
        ? age + QStringLiteral(" ~ '^[0-9]{1,9}$'")
        : age + QStringLiteral(" <> '' AND ") + age + QStringLiteral(" NOT GLOB '*[^0-9]*' AND LENGTH(") + age
            + QStringLiteral(") <= 9");
    return QStringLiteral("CASE WHEN ") + isNumber + QStringLiteral(" THEN CAST(") + age
        + QStringLiteral(" AS INTEGER) END");
}

QString PortableQueryText::TimestampLiteral(const QDate& date, int hour, int minute, int second) const
{
    const QString text = QStringLiteral("'%1-%2-%3 %4:%5:%6'")
                             .arg(date.year(), 4, 10, QLatin1Char('0'))
                             .arg(date.month(), 2, 10, QLatin1Char('0'))
                             .arg(date.day(), 2, 10, QLatin1Char('0'))
                             .arg(hour, 2, 10, QLatin1Char('0'))
                             .arg(minute, 2, 10, QLatin1Char('0'))
                             .arg(second, 2, 10, QLatin1Char('0'));
    return m_dialect == SqlDialect::Postgres ? QStringLiteral("TIMESTAMP ") + text : text;
}

// SQLite keeps times as text, with or without fractions; datetime() brings
// them to one form before comparing.
QString PortableQueryText::TimeAtLeast(const SystemTime& time) const
{
    const QString column = m_dialect == SqlDialect::Sqlite
        ? QStringLiteral("datetime(") + Name("SampleTime") + QLatin1Char(')')
        : Name("SampleTime");
    return column + QStringLiteral(" >= ")
        + TimestampLiteral(QDate(time.year, time.month, time.day), time.hour, time.minute, time.second);
}

QString PortableQueryText::Where(const CaseFilter& filter, std::vector<SqlValue>& params) const
{
    QStringList conditions;
    auto like = [&](const char* column, const QString& pattern) {
        conditions << Name(column) + Like();
        params.emplace_back(pattern);
    };
    if (filter.caseId) {
        conditions << Name("CaseID") + QStringLiteral(" = ?");
        params.emplace_back(*filter.caseId);
    }
    if (filter.nameContains)
        like("CaseName", QLatin1Char('%') + EscapePortableLike(*filter.nameContains) + QLatin1Char('%'));
    if (filter.female)
        conditions << Name("CaseSex") + (*filter.female ? QStringLiteral(" = TRUE") : QStringLiteral(" = FALSE"));
    if (filter.caseNoMatches)
        like("CaseHisID", EscapePortableLike(*filter.caseNoMatches));
    if (filter.physicianMatches)
        like("PhysicName", EscapePortableLike(*filter.physicianMatches));
    if (filter.age)
        conditions << AgeExpression() + QStringLiteral(" BETWEEN %1 AND %2").arg(filter.age->from).arg(filter.age->to);
    if (filter.sampleDate) {
        const QString column = m_dialect == SqlDialect::Sqlite
            ? QStringLiteral("datetime(") + Name("SampleTime") + QLatin1Char(')')
            : Name("SampleTime");
        conditions << QLatin1Char('(') + Name("SampleTime") + QStringLiteral(" IS NOT NULL AND ") + column
                + QStringLiteral(" BETWEEN ") + TimestampLiteral(filter.sampleDate->from, 0, 0, 0)
                + QStringLiteral(" AND ") + TimestampLiteral(filter.sampleDate->to, 23, 59, 59) + QLatin1Char(')');
    }
    if (filter.remarkContains)
        like("Mark", QLatin1Char('%') + EscapePortableLike(*filter.remarkContains) + QLatin1Char('%'));
    if (filter.archivedFrom)
        conditions << Name("SampleTime") + QStringLiteral(" IS NOT NULL AND ") + TimeAtLeast(*filter.archivedFrom)
                + QStringLiteral(" AND ") + Name("CaseTAVOID") + QStringLiteral(" IS NOT NULL AND ")
                + Name("CaseTAVOID") + QStringLiteral(" <> ''");
    if (filter.deleted != DeletedChoice::Any)
        conditions << Name("BeDelete")
                + (filter.deleted == DeletedChoice::Deleted ? QStringLiteral(" = TRUE") : QStringLiteral(" = FALSE"));
    if (filter.style == StyleChoice::Ecg)
        conditions << Name("CaseStyle") + QStringLiteral(" = 0");
    else if (filter.style == StyleChoice::Spo2)
        conditions << Name("CaseStyle") + QStringLiteral(" = 1");
    else if (filter.style == StyleChoice::EcgOrSpo2)
        conditions << Name("CaseStyle") + QStringLiteral(" IN (0, 1, 2)");
    if (conditions.isEmpty())
        return {};
    return QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
}

QString PortableQueryText::OrderBy(CaseOrder order) const
{
    switch (order) {
    case CaseOrder::CaseIdAscending:
        break;
    case CaseOrder::CaseNumberDescending:
        // Text order, served by the unique index.
        return QStringLiteral(" ORDER BY ") + Name("CaseID") + QStringLiteral(" DESC");
    case CaseOrder::SampleTimeAscending:
        return QStringLiteral(" ORDER BY ") + Name("SampleTime") + QStringLiteral(" ASC");
    }
    return QStringLiteral(" ORDER BY ") + Name("CaseID");
}

SqlText PortableQueryText::Select(const CaseQuery& query) const
{
    SqlText text;
    text.sql = QStringLiteral("SELECT ") + CaseColumnList(m_dialect) + QStringLiteral(" FROM ")
        + Name(kCaseTableName) + Where(query.filter, text.params) + OrderBy(query.order);
    if (query.top > 0)
        text.sql += QStringLiteral(" LIMIT %1").arg(query.top);
    return text;
}

SqlText PortableQueryText::Count(const CaseQuery& query) const
{
    SqlText text;
    const QString where = Where(query.filter, text.params);
    const QString from = Name(kCaseTableName) + where;
    if (query.top > 0)
        text.sql = QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM %1 LIMIT %2) AS limited").arg(from).arg(query.top);
    else
        text.sql = QStringLiteral("SELECT COUNT(*) FROM ") + from;
    return text;
}

SqlText PortableQueryText::Page(const CasePageQuery& page) const
{
    if (page.outerTop <= 0)
        return Select(page.base);
    // Rows of the page counted from the start and from the end; the database
    // steps over whichever run is shorter, so the newest page costs no more
    // than the first.
    const int fromStart = page.firstRow;
    const int fromEnd = std::max(0, page.recordCount - page.firstRow - page.outerTop);
    SqlText text;
    const QString where = Where(page.base.filter, text.params);
    const QString id = Name("CaseID");
    const QString rows = QStringLiteral("SELECT ") + CaseColumnList(m_dialect) + QStringLiteral(" FROM ")
        + Name(kCaseTableName) + where;
    if (fromEnd <= fromStart) {
        text.sql = rows + QStringLiteral(" ORDER BY ") + id + QStringLiteral(" DESC LIMIT %1 OFFSET %2")
                                                                 .arg(page.outerTop)
                                                                 .arg(fromEnd);
    } else {
        text.sql = QStringLiteral("SELECT * FROM (") + rows + QStringLiteral(" ORDER BY ") + id
            + QStringLiteral(" ASC LIMIT %1 OFFSET %2) AS page_window ORDER BY ").arg(page.outerTop).arg(fromStart)
            + id + QStringLiteral(" DESC");
    }
    return text;
}

} // namespace db
