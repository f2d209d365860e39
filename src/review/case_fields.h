#pragma once

#include "db/case_record.h"
#include "db/db_result.h"

#include <QString>

#include <optional>

namespace review {

// The row of a case id (rows marked deleted too); nothing when the table has
// no such row.
db::DbResult<std::optional<db::CaseRecord>> ReadCase(const QString& caseId);

// The case fields the review list edits.
struct CaseEdits {
    QString name;
    int sex = 0; // 0 male, 1 female
    QString age;
    QString caseNo;
    QString remark;
};

// Writes the edited fields of one case in one statement,
// UPDATE ... WHERE [CaseID] = ?, with every value bound. False when the table
// no longer holds that case (another workstation removed it).
db::DbResult<bool> WriteCaseEdits(const QString& caseId, const CaseEdits& edits);

} // namespace review
