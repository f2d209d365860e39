#include "transfer/download_worker.h"

#include <QMetaObject>

DownloadWorker::DownloadWorker(ImportEngine& engine, QObject* parent) : QObject(parent), m_engine(engine)
{
}

DownloadWorker::~DownloadWorker()
{
    m_stop = true;
    {
        std::lock_guard lock(m_replyMutex);
        m_abandoned = true;
    }
    m_replyArrived.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void DownloadWorker::StartDownload(std::vector<std::string> names, ImportOptions options)
{
    Start([this, names = std::move(names), options] { return m_engine.Download(names, options, *this); });
}

void DownloadWorker::StartDelete(std::vector<std::string> names)
{
    Start([this, names = std::move(names)] { return RunResult{m_engine.DeleteFromCard(names, *this), {}}; });
}

void DownloadWorker::Start(std::function<RunResult()> run)
{
    if (m_thread.joinable())
        m_thread.join();
    m_stop = false;
    {
        std::lock_guard lock(m_replyMutex);
        m_reply.reset();
    }
    m_thread = std::thread([this, run = std::move(run)] {
        const RunResult result = run();
        // Joined on the receiving side before `finished` is delivered.
        QMetaObject::invokeMethod(this, [this, result] { Finish(result); }, Qt::QueuedConnection);
    });
}

void DownloadWorker::Finish(RunResult result)
{
    if (m_thread.joinable())
        m_thread.join();
    emit finished(static_cast<int>(result.end), QString::fromStdString(result.message));
}

void DownloadWorker::RequestStop()
{
    m_stop = true;
}

void DownloadWorker::AnswerReplace(ReplaceReply reply)
{
    {
        std::lock_guard lock(m_replyMutex);
        m_reply = reply;
    }
    m_replyArrived.notify_all();
}

bool DownloadWorker::StopRequested()
{
    return m_stop;
}

ReplaceReply DownloadWorker::AskReplace(const std::string& archiveName)
{
    {
        std::lock_guard lock(m_replyMutex);
        m_reply.reset();
    }
    emit replaceAsked(QString::fromStdString(archiveName));
    std::unique_lock lock(m_replyMutex);
    m_replyArrived.wait(lock, [this] { return m_reply.has_value() || m_abandoned; });
    if (m_abandoned)
        return ReplaceReply{ReplaceReply::Cancel, false};
    return *m_reply;
}

void DownloadWorker::WaitingForOtherImport()
{
    emit waitingForOtherImport();
}

void DownloadWorker::ArchiveHandled(const ArchiveOutcome& outcome, int handled, int selected)
{
    emit archiveHandled(QString::fromStdString(outcome.name), static_cast<int>(outcome.status),
                        QString::fromStdString(outcome.caseId), QString::fromStdString(outcome.message), handled,
                        selected);
}
