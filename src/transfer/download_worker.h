#pragma once

#include "transfer/import_engine.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Runs a download or a card delete of an ImportEngine on a thread of its own
// and reports through signals, which reach the receiver's thread queued.
// The replace question blocks the running thread until AnswerReplace (or the
// worker's end) gives the answer. Owned and driven by the user-interface
// thread; the engine must not be touched while a run goes on.
class DownloadWorker : public QObject, private ImportListener {
    Q_OBJECT
public:
    explicit DownloadWorker(ImportEngine& engine, QObject* parent = nullptr);
    ~DownloadWorker() override;

    void StartDownload(std::vector<std::string> names, ImportOptions options);
    void StartDelete(std::vector<std::string> names);

    // Ends the run before its next archive.
    void RequestStop();
    void AnswerReplace(ReplaceReply reply);
    bool IsRunning() const { return m_thread.joinable(); }

signals:
    // Answer with AnswerReplace.
    void replaceAsked(const QString& archiveName);
    // `status` is an ArchiveStatus.
    void archiveHandled(const QString& archiveName, int status, const QString& caseId, const QString& message,
                        int handled, int selected);
    // Another import holds the case archive; this run waits for it.
    void waitingForOtherImport();
    // The run has ended; `end` is a RunEnd. The thread is joined before this arrives.
    void finished(int end, const QString& message);

private:
    void Start(std::function<RunResult()> run);
    void Finish(RunResult result);

    bool StopRequested() override;
    ReplaceReply AskReplace(const std::string& archiveName) override;
    void WaitingForOtherImport() override;
    void ArchiveHandled(const ArchiveOutcome& outcome, int handled, int selected) override;

    ImportEngine& m_engine;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_replyMutex;
    std::condition_variable m_replyArrived;
    std::optional<ReplaceReply> m_reply;
    bool m_abandoned = false;   // the worker goes: every question counts as cancelled
};
