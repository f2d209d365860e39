#pragma once

#include "db/case_record.h"

#include <QString>

#include <array>

namespace db {

// The 12 texts of one case list row, in the fixed column order (case number,
// case no., name, sex, age, weight, height, telephone, address, physician,
// date, remark).
struct CaseListRow {
    static constexpr int kColumnCount = 12;
    std::array<QString, kColumnCount> texts;
};

// femaleText and maleText are the language texts for the sex column.
CaseListRow MakeCaseListRow(const CaseRecord& record, const QString& femaleText, const QString& maleText);

// The state image of a row in the case management list: 4 deleted, else 1 ECG,
// 2 SpO2, 3 any other sample type.
int CaseStateImage(const CaseRecord& record);

} // namespace db
