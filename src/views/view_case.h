#pragma once

#include <QDateTime>
#include <filesystem>
#include <string>

namespace db {
struct CaseRecord;
}

namespace views {

// The case the review window shows in its wave panes: what each pane needs
// of the case row, taken once when the case is opened.
struct ViewCase {
    std::filesystem::path folder; // the case folder; empty: no case is open
    QDateTime startTime;          // when the recording began ([SampleTime])
    int sampleType = 0;           // [CaseStyle]: 0 ECG, 1 SpO2, 2 both

    bool isOpen() const { return !folder.empty(); }
    std::filesystem::path ecgData() const { return folder / "data.ecg"; }
    std::filesystem::path beatFile() const { return folder / "qrs.ecg"; }
    std::filesystem::path spo2Data() const { return folder / "data.spo"; }
    std::filesystem::path spo2Result() const { return folder / "ana.spo"; }
};

// The case of a case row under the archive root. A row without a valid case
// id (the empty record of "no case") gives a case that is not open.
ViewCase ViewCaseOf(const db::CaseRecord& record, const std::string& archiveRoot);

} // namespace views
