#include "transfer/case_rows.h"

#include "db/case_database.h"
#include "db/case_table.h"
#include "db/my_record_set.h"

namespace {

db::SystemTime ToSystemTime(const archive::DateTime& time)
{
    const db::SystemTime value{static_cast<std::uint16_t>(time.year),   static_cast<std::uint16_t>(time.month), 0,
                               static_cast<std::uint16_t>(time.day),    static_cast<std::uint16_t>(time.hour),
                               static_cast<std::uint16_t>(time.minute), static_cast<std::uint16_t>(time.second), 0};
    return value.WithDayOfWeek();
}

archive::DateTime ToDateTime(const db::SystemTime& time)
{
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

ImportedCase FromRow(const db::CaseRow& row)
{
    return {row.CaseID.toStdString(), row.CaseTAVOID.toStdString(), static_cast<archive::SampleType>(row.CaseStyle),
            ToDateTime(row.SampleTime), row.BeDelete, row.Custom4.toStdString()};
}

db::CaseQuery CaseIdQuery(const std::string& caseId)
{
    db::CaseQuery query;
    query.filter.caseId = QString::fromStdString(caseId);
    return query;
}

} // namespace

db::DbResult<std::vector<ImportedCase>> CaseRows::RowsSince(const archive::DateTime& earliest) const
{
    db::CaseQuery query;
    query.filter.archivedFrom = ToSystemTime(earliest);
    query.order = db::CaseOrder::SampleTimeAscending;
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.Open(query); !opened)
        return opened.error();
    std::vector<ImportedCase> rows;
    for (; !recordset.IsEOF(); recordset.MoveNext())
        rows.push_back(FromRow(recordset));
    return rows;
}

db::DbResult<std::string> CaseRows::LastCaseId() const
{
    db::CaseQuery query;
    query.order = db::CaseOrder::CaseNumberDescending;
    query.top = 1;
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.Open(query); !opened)
        return opened.error();
    if (recordset.IsEOF())
        return std::string("0000001");
    return recordset.CaseID.toStdString();
}

db::DbResult<std::string> CaseRows::AddCase(const ImportedCase& row) const
{
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.OpenForAppend(); !opened)
        return opened.error();
    recordset.AddNew();
    recordset.SetNewCase(QString::fromStdString(row.tavoId), static_cast<int>(row.style), ToSystemTime(row.sampleTime),
                         QString::fromStdString(row.caseId), QString());
    recordset.Custom4 = QString::fromStdString(row.sourceId);
    if (const db::DbStatus updated = recordset.Update(); !updated)
        return updated.error();
    return recordset.CaseID.toStdString();
}

db::DbResult<std::optional<ImportedCase>> CaseRows::FindCase(const std::string& caseId) const
{
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.Open(CaseIdQuery(caseId)); !opened)
        return opened.error();
    for (; !recordset.IsEOF(); recordset.MoveNext()) {
        if (recordset.CaseID.toStdString() == caseId)
            return std::optional<ImportedCase>(FromRow(recordset));
    }
    return std::optional<ImportedCase>();
}

db::DbResult<bool> CaseRows::UpdateCase(const std::string& caseId, archive::SampleType style, bool deleted) const
{
    db::CMyRecordSet recordset;
    if (const db::DbStatus opened = recordset.Open(CaseIdQuery(caseId)); !opened)
        return opened.error();
    for (; !recordset.IsEOF(); recordset.MoveNext()) {
        if (recordset.CaseID.toStdString() != caseId)
            continue;
        if (const db::DbStatus editing = recordset.Edit(); !editing)
            return editing.error();
        recordset.CaseStyle = static_cast<int>(style);
        recordset.BeDelete = deleted;
        if (const db::DbStatus updated = recordset.Update(); !updated)
            return updated.error();
        return true;
    }
    return false;
}

db::DbStatus CaseRows::RemoveCase(const ImportedCase& row) const
{
    const auto stored = FindCase(row.caseId);
    if (!stored)
        return stored.error();
    if (!stored->has_value() || (*stored)->tavoId != row.tavoId || (*stored)->sampleTime != row.sampleTime
        || (*stored)->sourceId != row.sourceId)
        return {};
    auto connection = db::OpenCaseDatabase(db::CaseConnectionKind::Recordset);
    if (!connection)
        return connection.error();
    const db::SqlDialect dialect = connection->dialect();
    const db::SqlText statement{QStringLiteral("DELETE FROM ") + db::QuoteName(db::kCaseTableName, dialect)
                                    + QStringLiteral(" WHERE ") + db::QuoteName("CaseID", dialect)
                                    + QStringLiteral(" = ? AND ") + db::QuoteName("CaseTAVOID", dialect)
                                    + QStringLiteral(" = ?"),
                                {QString::fromStdString(row.caseId), QString::fromStdString(row.tavoId)}};
    if (auto removed = connection->Execute(statement); !removed)
        return removed.error();
    return {};
}
