#include "db/my_record_set.h"

#include "db/case_database.h"
#include "db/case_numbering.h"
#include "db/case_table.h"
#include "db/odbc_statement.h"
#include "db/query_renderer.h"

#include <algorithm>

namespace db {

namespace {

// Bounds the retries of a new row whose number other workstations keep taking.
constexpr int kMaxNumberAttempts = 100;

} // namespace

DbResult<CaseRow> ReadCaseRow(OdbcStatement& statement)
{
    CaseRow row;
    std::optional<DbError> failure;
    SQLUSMALLINT column = 0;
    auto text = [&](QString& field) {
        ++column;
        if (failure)
            return;
        auto value = statement.GetText(column);
        if (!value)
            failure = value.error();
        else
            field = value->value_or(QString());
    };
    auto number = [&](int& field) {
        ++column;
        if (failure)
            return;
        auto value = statement.GetInt(column);
        if (!value)
            failure = value.error();
        else
            field = value->value_or(0);
    };
    auto flag = [&](bool& field) {
        int value = 0;
        number(value);
        field = value != 0;
    };
    text(row.CaseID);
    text(row.CaseHisID);
    text(row.CaseTAVOID);
    number(row.CaseStyle);
    text(row.CaseName);
    flag(row.CaseSex);
    text(row.CaseAge);
    text(row.CaseHeight);
    text(row.CaseWeight);
    text(row.CaseTel);
    text(row.CaseAddr);
    text(row.PhysicName);
    ++column;
    if (!failure) {
        auto time = statement.GetTimestamp(column);
        if (!time)
            failure = time.error();
        else
            row.SampleTime = time->has_value() ? (*time)->WithDayOfWeek() : SystemTime{};
    }
    flag(row.BeDelete);
    text(row.Mark);
    text(row.Custom1);
    text(row.Custom2);
    text(row.Custom3);
    text(row.Custom4);
    if (failure)
        return *failure;
    return row;
}

DbStatus CMyRecordSet::Open(const CaseQuery& query)
{
    Close();
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    if (!connection)
        return connection.error();
    auto statement = OdbcStatement::Create(*connection);
    if (!statement)
        return statement.error();
    statement->UseSnapshotCursor();
    if (auto status = statement->Execute(RenderSelect(query, connection->dialect())); !status)
        return status;
    std::vector<CaseRow> rows;
    for (;;) {
        auto fetched = statement->Fetch();
        if (!fetched)
            return fetched.error();
        if (!*fetched)
            break;
        auto row = ReadCaseRow(*statement);
        if (!row)
            return row.error();
        rows.push_back(std::move(*row));
    }
    statement->CloseCursor();
    m_rows = std::move(rows);
    m_connection.emplace(std::move(*connection));
    m_position = 0;
    m_beforeFirst = false;
    ShowCurrentRow();
    return {};
}

DbStatus CMyRecordSet::OpenForAppend()
{
    Close();
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    if (!connection)
        return connection.error();
    m_connection.emplace(std::move(*connection));
    ShowCurrentRow();
    return {};
}

void CMyRecordSet::Close()
{
    m_connection.reset();
    m_rows.clear();
    m_position = 0;
    m_beforeFirst = false;
    m_mode = EditMode::None;
}

void CMyRecordSet::ShowCurrentRow()
{
    static_cast<CaseRow&>(*this) = IsEOF() ? CaseRow{} : m_rows[m_position];
}

void CMyRecordSet::MoveFirst()
{
    m_mode = EditMode::None;
    m_position = 0;
    m_beforeFirst = false;
    ShowCurrentRow();
}

void CMyRecordSet::MoveNext()
{
    m_mode = EditMode::None;
    if (m_beforeFirst)
        m_beforeFirst = false;
    else if (m_position < m_rows.size())
        ++m_position;
    ShowCurrentRow();
}

void CMyRecordSet::MovePrev()
{
    m_mode = EditMode::None;
    if (m_position == 0 || m_rows.empty()) {
        m_beforeFirst = true;
        m_position = 0;
    } else {
        m_position = std::min(m_position, m_rows.size()) - 1;
    }
    ShowCurrentRow();
}

void CMyRecordSet::MoveLast()
{
    m_mode = EditMode::None;
    m_beforeFirst = false;
    m_position = m_rows.empty() ? 0 : m_rows.size() - 1;
    ShowCurrentRow();
}

void CMyRecordSet::AddNew()
{
    m_mode = EditMode::Adding;
    static_cast<CaseRow&>(*this) = CaseRow{};
}

DbStatus CMyRecordSet::Edit()
{
    if (!IsOpen() || IsEOF() || m_beforeFirst)
        return DbError{QStringLiteral("There is no current case row to change."), QString()};
    m_mode = EditMode::Editing;
    return {};
}

void CMyRecordSet::CancelUpdate()
{
    m_mode = EditMode::None;
    ShowCurrentRow();
}

DbStatus CMyRecordSet::Insert()
{
    for (int attempt = 0;; ++attempt) {
        auto inserted = m_connection->Execute(InsertCaseRowSql(*this, m_connection->dialect()));
        if (inserted)
            return {};
        if (!inserted.error().IsUniqueViolation() || attempt + 1 >= kMaxNumberAttempts)
            return inserted.error();
        auto last = LastCaseNumber(*m_connection);
        if (!last)
            return last.error();
        const QString afterMine = NextCaseNumber(CaseID);
        const QString afterLast = NextCaseNumber(*last);
        // Zero-padded numbers compare as text once their lengths agree.
        const bool lastIsLarger = afterLast.size() != afterMine.size() ? afterLast.size() > afterMine.size()
                                                                        : afterLast > afterMine;
        CaseID = lastIsLarger ? afterLast : afterMine;
    }
}

DbStatus CMyRecordSet::Update()
{
    if (!IsOpen())
        return DbError{QStringLiteral("The case table is not open."), QString()};
    if (m_mode == EditMode::Adding) {
        if (CaseID.isEmpty())
            return DbError{QStringLiteral("A new case row needs a case number."), QString()};
        if (auto status = Insert(); !status)
            return status;
        m_rows.push_back(*this);
        m_rows.back().SampleTime = SampleTime.WithDayOfWeek();
    } else if (m_mode == EditMode::Editing) {
        CaseRow& current = m_rows[m_position];
        auto updated = m_connection->Execute(UpdateCaseRowSql(*this, current.CaseID, m_connection->dialect()));
        if (!updated)
            return updated.error();
        if (*updated == 0)
            return DbError{QStringLiteral("The case %1 is no longer in the table.").arg(current.CaseID), QString()};
        current = *this;
    } else {
        return DbError{QStringLiteral("Update without AddNew or Edit."), QString()};
    }
    m_mode = EditMode::None;
    return {};
}

void CMyRecordSet::GetRecord(CaseRecord& record) const
{
    record.CaseID = CaseID;
    record.CaseHisID = CaseHisID;
    record.CaseTAVOID = CaseTAVOID;
    record.CaseName = CaseName;
    record.CaseTel = CaseTel;
    record.CaseAddr = CaseAddr;
    record.PhysicName = PhysicName;
    record.CaseAge = CaseAge;
    record.CaseHeight = CaseHeight;
    record.CaseWeight = CaseWeight;
    record.Mark = Mark;
    record.SampleTime = SampleTime.WithDayOfWeek();
    record.SampleTime.milliseconds = 0;
    record.CaseStyle = CaseStyle;
    record.CaseSex = CaseSex ? 1 : 0;
    record.BeDelete = BeDelete ? 1 : 0;
}

void CMyRecordSet::SetRecord(const CaseRecord& record)
{
    CaseID = record.CaseID;
    CaseHisID = record.CaseHisID;
    CaseTAVOID = record.CaseTAVOID;
    CaseName = record.CaseName;
    CaseTel = record.CaseTel;
    CaseAddr = record.CaseAddr;
    PhysicName = record.PhysicName;
    CaseAge = record.CaseAge;
    CaseHeight = record.CaseHeight;
    CaseWeight = record.CaseWeight;
    Mark = record.Mark;
    SampleTime = record.SampleTime;
    CaseStyle = record.CaseStyle;
    CaseSex = record.CaseSex != 0;
    BeDelete = record.BeDelete != 0;
}

void CMyRecordSet::SetNewCase(const QString& archiveName, int sampleType, const SystemTime& startTime,
                              const QString& caseId, const QString& remark)
{
    CaseTAVOID = archiveName;
    CaseStyle = sampleType;
    SampleTime = startTime;
    CaseID = caseId;
    Mark = remark;
}

} // namespace db
