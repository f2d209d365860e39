#pragma once

#include "db/case_row.h"
#include "db/db_result.h"
#include "db/sql_dialect.h"
#include "db/sql_text.h"

#include <QString>

#include <array>

namespace db {

class OdbcConnection;

enum class ColumnType { Text, Integer, Boolean, Timestamp };

struct CaseColumn {
    const char* name;
    ColumnType type;
    int maxChars; // text columns: the longest text kept; 0 otherwise
};

// [CaseManage] in column order. The text limits are those of the bulk reader;
// the case number allows a few digits beyond seven, since numbering never stops.
// A table made before the archive name was widened keeps its narrower column:
// the program only creates a missing table, it never alters one.
inline constexpr std::array<CaseColumn, 19> kCaseColumns{{
    {"CaseID", ColumnType::Text, 15},     {"CaseHisID", ColumnType::Text, 19},
    {"CaseTAVOID", ColumnType::Text, 64}, {"CaseStyle", ColumnType::Integer, 0},
    {"CaseName", ColumnType::Text, 49},   {"CaseSex", ColumnType::Boolean, 0},
    {"CaseAge", ColumnType::Text, 9},     {"CaseHeight", ColumnType::Text, 9},
    {"CaseWeight", ColumnType::Text, 9},  {"CaseTel", ColumnType::Text, 31},
    {"CaseAddr", ColumnType::Text, 127},  {"PhysicName", ColumnType::Text, 49},
    {"SampleTime", ColumnType::Timestamp, 0}, {"BeDelete", ColumnType::Boolean, 0},
    {"Mark", ColumnType::Text, 254},      {"Custom1", ColumnType::Text, 254},
    {"Custom2", ColumnType::Text, 254},   {"Custom3", ColumnType::Text, 254},
    {"Custom4", ColumnType::Text, 254},
}};

inline constexpr const char* kCaseTableName = "CaseManage";

// A column or table name quoted the dialect's way: [x] or "x".
QString QuoteName(const char* name, SqlDialect dialect);

// "a", "b", ... : every column, in order, quoted.
QString CaseColumnList(SqlDialect dialect);

// Cuts a text to at most maxChars characters without splitting a surrogate pair.
QString CutText(const QString& text, int maxChars);

// The statement that creates [CaseManage] when it is missing.
QString CreateCaseTableSql(SqlDialect dialect);

// Creates [CaseManage] unless the database has it already.
DbStatus EnsureCaseTable(OdbcConnection& connection);

// INSERT of a whole row; texts are cut to their column limits.
SqlText InsertCaseRowSql(const CaseRow& row, SqlDialect dialect);

// UPDATE of every column of the row whose case number is keyCaseId.
SqlText UpdateCaseRowSql(const CaseRow& row, const QString& keyCaseId, SqlDialect dialect);

} // namespace db
