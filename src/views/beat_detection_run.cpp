#include "views/beat_detection_run.h"

#include "signal/file_io.h"

#include <QMetaObject>
#include <QObject>

namespace views {

namespace {

class QueuedProgress final : public AnalysisProgress {
public:
    QueuedProgress(QObject* receiver, std::function<void(int)> onProgress)
        : m_receiver(receiver), m_onProgress(std::move(onProgress))
    {
    }
    void SetText(std::string_view, std::string_view) override {}
    void SetPos(int percent) override
    {
        QMetaObject::invokeMethod(m_receiver, [call = m_onProgress, percent] { call(percent); }, Qt::QueuedConnection);
    }

private:
    QObject* m_receiver;
    std::function<void(int)> m_onProgress;
};

} // namespace

EcgFileResult DetectCaseBeats(const std::filesystem::path& caseFolder, const EcgSettings& settings,
                              AnalysisProgress* progress)
{
    const std::filesystem::path beats = caseFolder / "qrs.ecg";
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(beats, error))) {
        // A beat file that cannot be emptied is still replaced by the
        // detection whenever "data.ecg" holds samples.
        (void)WriteAtOffset(beats, 0, {}, true);
    }
    CECGAnalysis analysis(settings);
    return analysis.ProcessFile(caseFolder, progress);
}

BeatDetectionRun::BeatDetectionRun(const std::filesystem::path& caseFolder, const EcgSettings& settings,
                                   QObject* receiver, std::function<void(int)> onProgress,
                                   std::function<void()> onDone)
    : m_thread([caseFolder, settings, receiver, onProgress = std::move(onProgress), onDone = std::move(onDone)] {
          QueuedProgress progress(receiver, onProgress);
          (void)DetectCaseBeats(caseFolder, settings, &progress);
          QMetaObject::invokeMethod(receiver, onDone, Qt::QueuedConnection);
      })
{
}

BeatDetectionRun::~BeatDetectionRun()
{
    m_thread.join();
}

} // namespace views
