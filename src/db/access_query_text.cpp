#include "db/access_query_text.h"

#include "db/query_renderer.h"

#include <QStringList>

namespace db {

namespace {

const QString kSelectAll = QStringLiteral("SELECT * ");

QString Quoted(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

// "#2010/ 3/ 3 0:0:0# AND #2010/ 3/ 5 23:59:59#": printf's "%2d" for each part.
QString DateBetween(const DateRange& range)
{
    auto day = [](const QDate& date) {
        return QStringLiteral("%1/%2/%3")
            .arg(date.year(), 2)
            .arg(date.month(), 2)
            .arg(date.day(), 2);
    };
    return QStringLiteral(" ([SampleTime] IS NOT NULL AND SampleTime Between #") + day(range.from)
        + QStringLiteral(" 0:0:0# AND #") + day(range.to) + QStringLiteral(" 23:59:59#)");
}

QString AgeBetween(const AgeRange& range)
{
    return QStringLiteral("[CaseAge] IS NOT NULL AND CInt(CaseAge) between %1 AND %2").arg(range.from).arg(range.to);
}

QString ArchivedFrom(const SystemTime& time)
{
    return QStringLiteral("[SampleTime] IS NOT NULL AND SampleTime >= #%1/%2/%3 %4:%5:%6# AND [CaseTAVOID] IS NOT NULL")
        .arg(time.year, 4, 10, QLatin1Char('0'))
        .arg(time.month, 2)
        .arg(time.day, 2)
        .arg(time.hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute, 2, 10, QLatin1Char('0'))
        .arg(time.second, 2, 10, QLatin1Char('0'));
}

} // namespace

AccessQueryText::Text AccessQueryText::Review(const CaseFilter& filter)
{
    QString sql = QStringLiteral("SELECT * FROM") + QStringLiteral("[CaseManage]") + QStringLiteral("WHERE");
    auto joinWithAnd = [&sql] {
        if (sql.endsWith(QLatin1String("WHERE")))
            return false;
        sql += QLatin1String(" AND");
        return true;
    };
    if (filter.nameContains)
        sql += QStringLiteral(" [CaseName] LIKE '%") + EscapeAccessLike(*filter.nameContains) + QStringLiteral("%'");
    if (filter.female) {
        joinWithAnd();
        sql += *filter.female ? QStringLiteral(" [CaseSex] = TRUE") : QStringLiteral(" [CaseSex] = FALSE");
    }
    if (filter.caseNoMatches) {
        joinWithAnd();
        sql += QStringLiteral(" [CaseHisID] LIKE '") + EscapeAccessLike(*filter.caseNoMatches) + QLatin1Char('\'');
    }
    if (filter.age) {
        joinWithAnd();
        sql += QLatin1Char(' ') + AgeBetween(*filter.age);
    }
    if (filter.sampleDate) {
        joinWithAnd();
        sql += DateBetween(*filter.sampleDate);
    }
    if (filter.remarkContains) {
        joinWithAnd();
        sql += QStringLiteral(" [Mark] LIKE '%") + EscapeAccessLike(*filter.remarkContains) + QStringLiteral("%'");
    }
    switch (filter.style) {
    case StyleChoice::Ecg:
        joinWithAnd();
        sql += QStringLiteral(" [CaseStyle] = 0");
        break;
    case StyleChoice::Spo2:
        joinWithAnd();
        sql += QStringLiteral(" [CaseStyle] = 1");
        break;
    case StyleChoice::EcgOrSpo2:
        joinWithAnd();
        sql += QStringLiteral(" ([CaseStyle] = 0 or [CaseStyle] = 1 or [CaseStyle] = 2)");
        break;
    case StyleChoice::AnyListed:
        // The joint is written first and taken back (its "AND", not its blank).
        if (joinWithAnd())
            sql.chop(3);
        break;
    case StyleChoice::Any:
        break;
    }
    if (filter.deleted != DeletedChoice::Any) {
        const QString value = filter.deleted == DeletedChoice::Deleted ? QStringLiteral("1") : QStringLiteral("0");
        sql += sql.endsWith(QLatin1String("WHERE")) ? QStringLiteral(" [BeDelete] = ") + value
                                                     : QStringLiteral(" AND [BeDelete] = ") + value;
    }
    const qsizetype orderAt = sql.size() + 1;
    sql += QStringLiteral(" ORDER BY [CaseID] ");
    return {sql, orderAt};
}

AccessQueryText::Text AccessQueryText::Manage(const CaseFilter& filter)
{
    QString sql = QStringLiteral("SELECT * FROM ") + QStringLiteral("[CaseManage]") + QStringLiteral(" WHERE ");
    if (filter.nameContains)
        sql += QStringLiteral(" [CaseName] LIKE '%") + EscapeAccessLike(*filter.nameContains) + QStringLiteral("%' AND ");
    if (filter.female)
        sql += *filter.female ? QStringLiteral(" [CaseSex] = TRUE  AND ") : QStringLiteral(" [CaseSex] = FALSE AND ");
    if (filter.caseNoMatches)
        sql += QStringLiteral("[CaseHisID] LIKE '") + EscapeAccessLike(*filter.caseNoMatches) + QStringLiteral("' AND");
    if (filter.physicianMatches)
        sql += QStringLiteral(" [PhysicName] LIKE '") + EscapeAccessLike(*filter.physicianMatches)
            + QStringLiteral("' AND");
    if (filter.age)
        sql += AgeBetween(*filter.age) + QStringLiteral(" AND ");
    if (filter.sampleDate)
        sql += DateBetween(*filter.sampleDate) + QStringLiteral(" AND ");
    if (filter.remarkContains)
        sql += QStringLiteral("[Mark] LIKE '%") + EscapeAccessLike(*filter.remarkContains) + QStringLiteral("%' AND");
    if (filter.deleted == DeletedChoice::NotDeleted)
        sql += QStringLiteral("[BeDelete] = 0 AND ");
    else if (filter.deleted == DeletedChoice::Deleted)
        sql += QStringLiteral("[BeDelete] = 1 AND ");
    switch (filter.style) {
    case StyleChoice::Ecg:
        sql += QStringLiteral(" [CaseStyle] = 0");
        break;
    case StyleChoice::Spo2:
        sql += QStringLiteral(" [CaseStyle] = 1");
        break;
    case StyleChoice::EcgOrSpo2:
        sql += QStringLiteral(" ([CaseStyle] = 0 or [CaseStyle] = 1 or [CaseStyle] = 2)");
        break;
    case StyleChoice::AnyListed:
    case StyleChoice::Any:
        sql += QStringLiteral(" 1 = 1");
        break;
    }
    const bool closingParenthesis = filter.style == StyleChoice::EcgOrSpo2;
    const qsizetype orderAt = closingParenthesis ? sql.size() : sql.size() + 1;
    sql += closingParenthesis ? QStringLiteral("ORDER BY [CaseID] ") : QStringLiteral(" ORDER BY [CaseID] ");
    return {sql, orderAt};
}

AccessQueryText::Text AccessQueryText::Plain(const CaseQuery& query)
{
    const CaseFilter& filter = query.filter;
    QStringList conditions;
    if (filter.caseId)
        conditions << QStringLiteral("[CaseID] = ") + Quoted(*filter.caseId);
    if (filter.nameContains)
        conditions << QStringLiteral("[CaseName] LIKE '%") + EscapeAccessLike(*filter.nameContains) + QStringLiteral("%'");
    if (filter.female)
        conditions << (*filter.female ? QStringLiteral("[CaseSex] = TRUE") : QStringLiteral("[CaseSex] = FALSE"));
    if (filter.caseNoMatches)
        conditions << QStringLiteral("[CaseHisID] LIKE '") + EscapeAccessLike(*filter.caseNoMatches) + QLatin1Char('\'');
    if (filter.physicianMatches)
        conditions << QStringLiteral("[PhysicName] LIKE '") + EscapeAccessLike(*filter.physicianMatches)
                + QLatin1Char('\'');
    if (filter.age)
        conditions << AgeBetween(*filter.age);
    if (filter.sampleDate)
        conditions << DateBetween(*filter.sampleDate).mid(1);
    if (filter.remarkContains)
        conditions << QStringLiteral("[Mark] LIKE '%") + EscapeAccessLike(*filter.remarkContains) + QStringLiteral("%'");
    if (filter.archivedFrom)
        conditions << ArchivedFrom(*filter.archivedFrom);
    if (filter.deleted != DeletedChoice::Any)
        conditions << (filter.deleted == DeletedChoice::Deleted ? QStringLiteral("[BeDelete] = 1")
                                                                : QStringLiteral("[BeDelete] = 0"));
    if (filter.style == StyleChoice::Ecg)
        conditions << QStringLiteral("[CaseStyle] = 0");
    else if (filter.style == StyleChoice::Spo2)
        conditions << QStringLiteral("[CaseStyle] = 1");
    else if (filter.style == StyleChoice::EcgOrSpo2)
        conditions << QStringLiteral("([CaseStyle] = 0 or [CaseStyle] = 1 or [CaseStyle] = 2)");

    QString sql = query.top > 0 ? QStringLiteral("SELECT TOP %1 * FROM [CaseManage]").arg(query.top)
                                : QStringLiteral("SELECT * FROM [CaseManage]");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
    const qsizetype orderAt = sql.size() + 1;
    switch (query.order) {
    case CaseOrder::CaseIdAscending:
        sql += QStringLiteral(" ORDER BY [CaseID]");
        break;
    case CaseOrder::CaseNumberDescending:
        sql += QStringLiteral(" order by [CaseID] DESC");
        break;
    case CaseOrder::SampleTimeAscending:
        sql += QStringLiteral(" ORDER BY [SampleTime] ASC");
        break;
    }
    return {sql, orderAt};
}

QString AccessQueryText::Select(const CaseQuery& query)
{
    switch (query.layout) {
    case QueryLayout::Review:
        return Review(query.filter).sql;
    case QueryLayout::Manage:
        return Manage(query.filter).sql;
    case QueryLayout::Plain:
        break;
    }
    return Plain(query).sql;
}

QString AccessQueryText::Count(const CaseQuery& query)
{
    CaseQuery untopped = query;
    untopped.top = 0;
    const Text text = query.layout == QueryLayout::Review   ? Review(query.filter)
                      : query.layout == QueryLayout::Manage ? Manage(query.filter)
                                                            : Plain(untopped);
    // The count is the select with COUNT(*) and without its order. The cut is
    // made where the renderer put the order, so a typed "ORDER" stays intact.
    return QStringLiteral("SELECT COUNT(*) ") + text.sql.mid(kSelectAll.size(), text.orderAt - kSelectAll.size());
}

QString AccessQueryText::Page(const CasePageQuery& page)
{
    const QString base = Select(page.base);
    if (page.outerTop <= 0)
        return base;
    const QString inner =
        QStringLiteral("SELECT TOP %1 * FROM (%2) ORDER BY [CaseID] ASC").arg(page.innerTop).arg(base);
    return QStringLiteral("SELECT TOP %1 * FROM (%2) ORDER BY [CaseID] DESC").arg(page.outerTop).arg(inner);
}

} // namespace db
