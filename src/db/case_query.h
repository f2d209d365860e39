#pragma once

#include "db/system_time.h"

#include <QDate>
#include <QString>

#include <optional>

namespace db {

// Which window's text layout the Access form of a query follows; the other
// dialects render every layout the same way.
enum class QueryLayout { Plain, Review, Manage };

enum class StyleChoice {
    Any,        // no sample type condition
    Ecg,        // [CaseStyle] = 0
    Spo2,       // [CaseStyle] = 1
    EcgOrSpo2,  // 0, 1 or 2 (combined recordings too)
    AnyListed,  // review list: "all" or its empty item chosen; no condition
};

enum class DeletedChoice { Any, NotDeleted, Deleted };

enum class CaseOrder {
    CaseIdAscending,
    CaseNumberDescending, // the newest case number first
    SampleTimeAscending,
};

// Inclusive, in years; both bounds are validated integers.
struct AgeRange {
    int from = 0;
    int to = 0;
};

// Whole days, inclusive at both ends.
struct DateRange {
    QDate from;
    QDate to;
};

// The search conditions with the user's raw values; each renderer escapes or
// binds them its own way. Conditions that are set are joined with AND.
struct CaseFilter {
    std::optional<QString> caseId;         // equal
    std::optional<QString> nameContains;   // LIKE '%...%'
    std::optional<bool> female;
    std::optional<QString> caseNoMatches;  // LIKE without wildcards
    std::optional<QString> physicianMatches;
    std::optional<AgeRange> age;
    std::optional<DateRange> sampleDate;
    std::optional<QString> remarkContains;
    std::optional<SystemTime> archivedFrom; // sampled at or after, from a device archive
    DeletedChoice deleted = DeletedChoice::Any;
    StyleChoice style = StyleChoice::Any;
};

// One query over [CaseManage]: the conditions, the order, and at most `top`
// rows (0 = all).
struct CaseQuery {
    QueryLayout layout = QueryLayout::Plain;
    CaseFilter filter;
    CaseOrder order = CaseOrder::CaseIdAscending;
    int top = 0;
};

// A page window over a query: of its first `innerTop` rows by ascending case
// number, the last `outerTop`, newest first. outerTop 0 stands for the query
// itself. `firstRow` (rows before the page) and `recordCount` (the rows counted
// when the page was planned) let a database walk in from the nearer end.
struct CasePageQuery {
    CaseQuery base;
    int innerTop = 0;
    int outerTop = 0;
    int firstRow = 0;
    int recordCount = 0;
};

} // namespace db
