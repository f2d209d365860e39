#include "views/view_case.h"

#include "archive/archive_paths.h"
#include "db/case_record.h"

namespace views {

ViewCase ViewCaseOf(const db::CaseRecord& record, const std::string& archiveRoot)
{
    ViewCase result;
    if (const auto folder = archive::CaseFolderPath(archiveRoot, record.CaseID.toStdString()))
        result.folder = *folder;
    result.startTime = record.SampleTime.ToDateTime();
    result.sampleType = record.CaseStyle;
    return result;
}

} // namespace views
