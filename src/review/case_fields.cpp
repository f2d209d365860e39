#include "review/case_fields.h"

#include "db/case_database.h"
#include "db/case_table.h"
#include "db/my_record_set.h"

#include <QStringList>

namespace review {

namespace {

// Empty texts are stored as NULL, as a new row leaves them; longer ones are
// cut to their column.
db::SqlValue TextValue(const QString& text, const char* column)
{
    if (text.isEmpty())
        return db::SqlNull{};
    for (const db::CaseColumn& entry : db::kCaseColumns) {
        if (QLatin1String(entry.name) == QLatin1String(column))
            return db::CutText(text, entry.maxChars);
    }
    return text;
}

} // namespace

db::DbResult<std::optional<db::CaseRecord>> ReadCase(const QString& caseId)
{
    db::CaseQuery query;
    query.filter.caseId = caseId;
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.Open(query); !opened)
        return opened.error();
    if (recordset.IsEOF())
        return std::optional<db::CaseRecord>{};
    db::CaseRecord record;
    recordset.GetRecord(record);
    return std::optional<db::CaseRecord>{record};
}

db::DbResult<bool> WriteCaseEdits(const QString& caseId, const CaseEdits& edits)
{
    auto connection = db::OpenCaseDatabase(db::CaseConnectionKind::Recordset);
    if (!connection)
        return connection.error();
    const db::SqlDialect dialect = connection->dialect();
    const char* columns[] = {"CaseName", "CaseSex", "CaseAge", "CaseHisID", "Mark"};
    QStringList assignments;
    for (const char* column : columns)
        assignments << db::QuoteName(column, dialect) + QStringLiteral(" = ?");
    const db::SqlText update{QStringLiteral("UPDATE ") + db::QuoteName(db::kCaseTableName, dialect)
                                 + QStringLiteral(" SET ") + assignments.join(QLatin1String(", "))
                                 + QStringLiteral(" WHERE ") + db::QuoteName("CaseID", dialect)
                                 + QStringLiteral(" = ?"),
                             {TextValue(edits.name, "CaseName"), edits.sex != 0, TextValue(edits.age, "CaseAge"),
                              TextValue(edits.caseNo, "CaseHisID"), TextValue(edits.remark, "Mark"), caseId}};
    auto changed = connection->Execute(update);
    if (!changed)
        return changed.error();
    return *changed > 0;
}

} // namespace review
