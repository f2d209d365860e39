#pragma once

#include "db/case_query.h"
#include "db/case_record.h"
#include "db/case_row.h"
#include "db/db_result.h"
#include "db/odbc_connection.h"

#include <optional>
#include <vector>

namespace db {

// Single rows of [CaseManage]. Open reads the matching rows as a snapshot; the
// members (one per column, from CaseRow) hold the current row. AddNew or Edit,
// then change the members, then Update writes them. The connection stays open
// until Close or the object goes.
class CMyRecordSet : public CaseRow {
public:
    // Opens on the query (by default every row, by case number).
    DbStatus Open(const CaseQuery& query = CaseQuery{});
    // Connects without reading any row, for AddNew only.
    DbStatus OpenForAppend();
    void Close();
    bool IsOpen() const { return m_connection.has_value(); }

    bool IsEOF() const { return m_position >= m_rows.size(); }
    bool IsBOF() const { return m_rows.empty() || m_beforeFirst; }
    std::size_t GetRecordCount() const { return m_rows.size(); }
    void MoveFirst();
    void MoveNext();
    void MovePrev();
    void MoveLast();

    // Starts a new row: every member back to empty texts, 0 and false.
    void AddNew();
    // Starts changing the current row; fails at EOF or when not open.
    DbStatus Edit();
    // Writes the new or changed row. A new row whose case number is taken
    // meanwhile (another workstation) gets the next free number; CaseID then
    // holds the number actually used.
    DbStatus Update();
    // Drops a started AddNew or Edit; the members show the current row again.
    void CancelUpdate();

    void GetRecord(CaseRecord& record) const;
    void SetRecord(const CaseRecord& record);
    // A row for a recording taken from a device archive.
    void SetNewCase(const QString& archiveName, int sampleType, const SystemTime& startTime, const QString& caseId,
                    const QString& remark);

private:
    enum class EditMode { None, Adding, Editing };

    void ShowCurrentRow();
    DbStatus Insert();

    std::optional<OdbcConnection> m_connection;
    std::vector<CaseRow> m_rows;
    std::size_t m_position = 0;
    bool m_beforeFirst = false;
    EditMode m_mode = EditMode::None;
};

// Reads the 19 columns of the current row of a statement; NULL texts read "".
DbResult<CaseRow> ReadCaseRow(class OdbcStatement& statement);

} // namespace db
