#include "db/case_search.h"

#include "db/case_database.h"
#include "db/query_renderer.h"

namespace db {

namespace {

// Column positions (from 0) of the number columns; the rest go by type.
constexpr std::size_t kStyleColumn = 3;
constexpr std::size_t kSexColumn = 5;

} // namespace

CCaseSearch::CCaseSearch()
{
    for (std::size_t i = 0; i < kCaseColumns.size(); ++i) {
        if (kCaseColumns[i].type != ColumnType::Text)
            continue;
        m_texts[i].maxChars = kCaseColumns[i].maxChars;
        m_texts[i].buffer.assign(std::size_t(kRowsPerFetch) * (kCaseColumns[i].maxChars + 1), 0);
    }
}

bool CCaseSearch::Fail(DbError error)
{
    Close();
    m_error = std::move(error);
    return false;
}

bool CCaseSearch::Open(const CaseQuery& query) { return Open(CasePageQuery{query, 0, 0}); }

bool CCaseSearch::Open(const CasePageQuery& page)
{
    Close();
    m_error.reset();
    auto connection = OpenCaseDatabase(CaseConnectionKind::Recordset);
    if (!connection)
        return Fail(connection.error());
    m_connection.emplace(std::move(*connection));
    auto statement = OdbcStatement::Create(*m_connection);
    if (!statement)
        return Fail(statement.error());
    m_statement.emplace(std::move(*statement));
    m_statement->UseSnapshotCursor();
    if (auto status = m_statement->SetRowArraySize(kRowsPerFetch, &m_rowsFetched); !status)
        return Fail(status.error());
    if (!BindColumns())
        return false;
    if (auto status = m_statement->Execute(RenderPage(page, m_connection->dialect())); !status)
        return Fail(status.error());
    if (!MoveNext()) {
        if (!m_error)
            Close();
        return false;
    }
    return true;
}

bool CCaseSearch::BindColumns()
{
    for (std::size_t i = 0; i < kCaseColumns.size(); ++i) {
        const auto column = SQLUSMALLINT(i + 1);
        DbStatus status;
        switch (kCaseColumns[i].type) {
        case ColumnType::Text:
            status = m_statement->BindColumn(column, SQL_C_WCHAR, m_texts[i].buffer.data(),
                                             SQLLEN((m_texts[i].maxChars + 1) * sizeof(SQLWCHAR)),
                                             m_texts[i].indicators.data());
            break;
        case ColumnType::Integer:
        case ColumnType::Boolean: {
            SQLINTEGER* values = i == kStyleColumn ? m_style.data() : i == kSexColumn ? m_sex.data() : m_deleted.data();
            SQLLEN* indicators =
                i == kStyleColumn ? m_styleInd.data() : i == kSexColumn ? m_sexInd.data() : m_deletedInd.data();
            status = m_statement->BindColumn(column, SQL_C_SLONG, values, sizeof(SQLINTEGER), indicators);
            break;
        }
        case ColumnType::Timestamp:
            status = m_statement->BindColumn(column, SQL_C_TYPE_TIMESTAMP, m_time.data(),
                                             sizeof(SQL_TIMESTAMP_STRUCT), m_timeInd.data());
            break;
        }
        if (!status)
            return Fail(status.error());
    }
    return true;
}

bool CCaseSearch::MoveNext()
{
    if (!m_statement)
        return false;
    m_rowsFetched = 0;
    auto fetched = m_statement->Fetch();
    if (!fetched)
        return Fail(fetched.error());
    if (!*fetched)
        m_rowsFetched = 0;
    return m_rowsFetched > 0;
}

void CCaseSearch::Close()
{
    m_statement.reset();
    m_connection.reset();
    m_rowsFetched = 0;
}

QString CCaseSearch::TextAt(std::size_t column, int row) const
{
    const TextColumn& text = m_texts[column];
    const SQLLEN indicator = text.indicators[std::size_t(row)];
    if (indicator == SQL_NULL_DATA || (indicator < 0 && indicator != SQL_NO_TOTAL))
        return QString();
    const qsizetype stored = indicator == SQL_NO_TOTAL ? text.maxChars : qsizetype(indicator / sizeof(SQLWCHAR));
    const qsizetype length = std::min<qsizetype>(stored, text.maxChars);
    const SQLWCHAR* first = text.buffer.data() + std::size_t(row) * std::size_t(text.maxChars + 1);
    QString value = QString::fromUtf16(reinterpret_cast<const char16_t*>(first), length);
    // A driver may stop short of the buffer inside a surrogate pair.
    if (!value.isEmpty() && value.back().isHighSurrogate())
        value.chop(1);
    return value;
}

bool CCaseSearch::GetRowRecord(int row, CaseRecord& record) const
{
    if (row < 0 || row >= int(m_rowsFetched))
        return false;
    const auto r = std::size_t(row);
    record.CaseID = TextAt(0, row);
    record.CaseHisID = TextAt(1, row);
    record.CaseTAVOID = TextAt(2, row);
    record.CaseName = TextAt(4, row);
    record.CaseAge = TextAt(6, row);
    record.CaseHeight = TextAt(7, row);
    record.CaseWeight = TextAt(8, row);
    record.CaseTel = TextAt(9, row);
    record.CaseAddr = TextAt(10, row);
    record.PhysicName = TextAt(11, row);
    record.Mark = TextAt(14, row);
    record.CaseStyle = m_styleInd[r] == SQL_NULL_DATA ? 0 : m_style[r];
    record.CaseSex = m_sexInd[r] == SQL_NULL_DATA ? 0 : (m_sex[r] != 0 ? 1 : 0);
    record.BeDelete = m_deletedInd[r] == SQL_NULL_DATA ? 0 : (m_deleted[r] != 0 ? 1 : 0);
    record.SampleTime = SystemTime{};
    if (m_timeInd[r] != SQL_NULL_DATA) {
        const SQL_TIMESTAMP_STRUCT& t = m_time[r];
        record.SampleTime.year = std::uint16_t(t.year);
        record.SampleTime.month = t.month;
        record.SampleTime.day = t.day;
        record.SampleTime.hour = t.hour;
        record.SampleTime.minute = t.minute;
        record.SampleTime.second = t.second;
    }
    return true;
}

} // namespace db
