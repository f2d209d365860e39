#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"
#include "db/db_result.h"

#include <optional>
#include <string>
#include <vector>

// A case row as the card import sees it.
struct ImportedCase {
    std::string caseId;
    std::string tavoId;                   // archive name on the device
    archive::SampleType style = archive::SampleType::Ecg;
    archive::DateTime sampleTime;
    bool deleted = false;
    std::string sourceId;                 // fingerprints of the device files, in [Custom4]
};

// The rows of [CaseManage] that the card import reads and writes, each call
// through a recordset (data source "Case") opened for that one operation.
class CaseRows {
public:
    // Rows with a start time at or after `earliest` and an archive name, in
    // start-time order (only caseId, tavoId and sampleTime are filled).
    db::DbResult<std::vector<ImportedCase>> RowsSince(const archive::DateTime& earliest) const;

    // [CaseID] of the row with the highest case number; "0000001" when the
    // table is empty.
    db::DbResult<std::string> LastCaseId() const;

    // Adds the row of a new case: case id, archive name, sample type, start
    // time, source id and an empty remark. Gives the case id actually used, which is the
    // next free one when another workstation took `row.caseId` meanwhile.
    db::DbResult<std::string> AddCase(const ImportedCase& row) const;

    // The row with this case id, or nothing.
    db::DbResult<std::optional<ImportedCase>> FindCase(const std::string& caseId) const;

    // Sets [CaseStyle] and [BeDelete] of the row with this case id; false when
    // there is no such row.
    db::DbResult<bool> UpdateCase(const std::string& caseId, archive::SampleType style, bool deleted) const;

    // Removes the row that AddCase made for `row` (undoing it): only while the
    // row with that case id still holds the same archive, so a row another
    // import made under that number is never touched.
    db::DbStatus RemoveCase(const ImportedCase& row) const;
};
