#pragma once

#include "db/system_time.h"

#include <QString>

namespace db {

// All 19 columns of one row of [CaseManage], in table order. A SampleTime
// whose date is not valid stands for NULL.
struct CaseRow {
    QString CaseID;
    QString CaseHisID;
    QString CaseTAVOID;
    int CaseStyle = 0;
    QString CaseName;
    bool CaseSex = false;
    QString CaseAge;
    QString CaseHeight;
    QString CaseWeight;
    QString CaseTel;
    QString CaseAddr;
    QString PhysicName;
    SystemTime SampleTime;
    bool BeDelete = false;
    QString Mark;
    QString Custom1;
    QString Custom2;
    QString Custom3;
    QString Custom4;

    bool operator==(const CaseRow&) const = default;
};

} // namespace db
