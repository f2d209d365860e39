#pragma once

#include "db/system_time.h"

#include <QString>

#include <cstdint>

namespace db {

// The plain copy of one case row that lists and dialogs pass around. The four
// custom columns are not part of it.
struct CaseRecord {
    QString CaseID;
    QString CaseHisID;
    QString CaseTAVOID;
    QString CaseName;
    QString CaseTel;
    QString CaseAddr;
    QString PhysicName;
    QString CaseAge;
    QString CaseHeight;
    QString CaseWeight;
    QString Mark;
    SystemTime SampleTime;
    std::int32_t CaseStyle = 0; // 0 ECG, 1 SpO2, 2 ECG and SpO2
    std::int32_t CaseSex = 0;   // 0 male, 1 female
    std::int32_t BeDelete = 0;  // 1 = deleted, kept in the table

    bool operator==(const CaseRecord&) const = default;
};

} // namespace db
