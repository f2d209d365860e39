#include "db/case_list_row.h"

namespace db {

CaseListRow MakeCaseListRow(const CaseRecord& record, const QString& femaleText, const QString& maleText)
{
    const SystemTime& t = record.SampleTime;
    return CaseListRow{{record.CaseID,
                        record.CaseHisID,
                        record.CaseName,
                        record.CaseSex != 0 ? femaleText : maleText,
                        record.CaseAge,
                        record.CaseWeight,
                        record.CaseHeight,
                        record.CaseTel,
                        record.CaseAddr,
                        record.PhysicName,
                        QStringLiteral("%1-%2-%3")
                            .arg(t.year, 4, 10, QLatin1Char('0'))
                            .arg(t.month, 2, 10, QLatin1Char('0'))
                            .arg(t.day, 2, 10, QLatin1Char('0')),
                        record.Mark}};
}

int CaseStateImage(const CaseRecord& record)
{
    if (record.BeDelete != 0)
        return 4;
    if (record.CaseStyle == 0)
        return 1;
    if (record.CaseStyle == 1)
        return 2;
    return 3;
}

} // namespace db
