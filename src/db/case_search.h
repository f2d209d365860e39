#pragma once

#include "db/case_query.h"
#include "db/case_record.h"
#include "db/case_table.h"
#include "db/db_result.h"
#include "db/odbc_connection.h"
#include "db/odbc_statement.h"

#include <array>
#include <optional>
#include <vector>

namespace db {

// Reads case rows 100 at a time into per-column arrays (a multi-row fetch);
// texts longer than their column limit are cut, NULL texts read "".
class CCaseSearch {
public:
    static constexpr int kRowsPerFetch = 100;

    CCaseSearch();
    // The driver holds the addresses of the column arrays: never copied or moved.
    CCaseSearch(const CCaseSearch&) = delete;
    CCaseSearch& operator=(const CCaseSearch&) = delete;

    // True when the query ran and gave at least one row; an empty result
    // closes again and yields false. error() tells a failure from "no rows".
    bool Open(const CaseQuery& query = CaseQuery{});
    bool Open(const CasePageQuery& page);
    void Close();
    bool IsOpen() const { return m_statement.has_value(); }
    const std::optional<DbError>& error() const { return m_error; }

    // Rows of the current fetch (0 to 100).
    int GetRowsFetched() const { return int(m_rowsFetched); }
    // The next 100 rows; false at the end.
    bool MoveNext();

    // Copies row `row` (0-99) of the current fetch; the day of week stays 0.
    bool GetRowRecord(int row, CaseRecord& record) const;

private:
    struct TextColumn {
        int maxChars = 0;
        std::vector<SQLWCHAR> buffer;
        std::array<SQLLEN, kRowsPerFetch> indicators{};
    };

    bool Fail(DbError error);
    bool BindColumns();
    QString TextAt(std::size_t column, int row) const;

    std::optional<OdbcConnection> m_connection;
    std::optional<OdbcStatement> m_statement;
    std::optional<DbError> m_error;
    SQLULEN m_rowsFetched = 0;

    std::array<TextColumn, kCaseColumns.size()> m_texts;
    std::array<SQLINTEGER, kRowsPerFetch> m_style{};
    std::array<SQLINTEGER, kRowsPerFetch> m_sex{};
    std::array<SQLINTEGER, kRowsPerFetch> m_deleted{};
    std::array<SQL_TIMESTAMP_STRUCT, kRowsPerFetch> m_time{};
    std::array<SQLLEN, kRowsPerFetch> m_styleInd{};
    std::array<SQLLEN, kRowsPerFetch> m_sexInd{};
    std::array<SQLLEN, kRowsPerFetch> m_deletedInd{};
    std::array<SQLLEN, kRowsPerFetch> m_timeInd{};
};

} // namespace db
