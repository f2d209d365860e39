#pragma once

#include "signal/ecg_analysis.h"
#include "signal/ecg_settings.h"

#include <filesystem>
#include <functional>
#include <thread>

class QObject;

namespace views {

// What opening a case does to its beats: empties its "qrs.ecg" when there is
// one, then runs the beat detection over "data.ecg", which writes the file
// anew. Runs on the calling thread.
EcgFileResult DetectCaseBeats(const std::filesystem::path& caseFolder, const EcgSettings& settings,
                              AnalysisProgress* progress);

// DetectCaseBeats on a thread of its own. The progress (percent) and the end
// reach `receiver` as queued calls on the receiver's thread. The receiver
// must outlive the run: keep the run as a member of the receiver, whose
// destruction then waits for the thread.
class BeatDetectionRun {
public:
    BeatDetectionRun(const std::filesystem::path& caseFolder, const EcgSettings& settings, QObject* receiver,
                     std::function<void(int)> onProgress, std::function<void()> onDone);
    ~BeatDetectionRun();
    BeatDetectionRun(const BeatDetectionRun&) = delete;
    BeatDetectionRun& operator=(const BeatDetectionRun&) = delete;

private:
    std::thread m_thread;
};

} // namespace views
