// tavo-import: imports a recorder card into the case archive without a window.

#include "db/case_data_source.h"
#include "db/case_database.h"
#include "import_options.h"
#include "import_report.h"
#include "transfer/card_file_name.h"
#include "transfer/card_reader.h"
#include "transfer/import_engine.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int)
{
    g_stopSignal = 1;
}

// Hears the engine: progress to a terminal, outcomes kept for the report.
class CommandLineListener : public ImportListener {
public:
    explicit CommandLineListener(bool showProgress) : m_showProgress(showProgress) {}

    bool StopRequested() override { return g_stopSignal != 0; }

    // Never asked: the run always has a replace mode of its own.
    ReplaceReply AskReplace(const std::string&) override { return ReplaceReply{ReplaceReply::Cancel, false}; }

    void WaitingForOtherImport() override
    {
        std::cerr << "tavo-import: another import into this case archive is running; waiting for it to end\n";
    }

    void ArchiveHandled(const ArchiveOutcome& outcome, int handled, int selected) override
    {
        m_outcomes[outcome.name] = outcome;
        if (m_showProgress)
            std::cerr << "tavo-import: " << outcome.name << " done (" << handled << '/' << selected << ")\n";
    }

    const ArchiveOutcome* OutcomeOf(const std::string& name) const
    {
        const auto found = m_outcomes.find(name);
        return found == m_outcomes.end() ? nullptr : &found->second;
    }

private:
    bool m_showProgress;
    std::map<std::string, ArchiveOutcome> m_outcomes;
};

int Usage(const std::string& message)
{
    std::cerr << "tavo-import: " << message << '\n';
    return kExitUsage;
}

std::filesystem::path StartDirectory(const ImportCommand& command)
{
    if (command.home)
        return *command.home;
    if (const char* home = std::getenv("TAVO_VEZI_HOME"); home && *home)
        return home;
    return std::filesystem::current_path();
}

// The device files the inputs name: the files of one card folder, or the
// files themselves. Gives the reason when an input cannot be used.
std::optional<std::string> CollectDeviceFiles(const ImportCommand& command, std::vector<std::filesystem::path>& files)
{
    std::error_code error;
    if (command.inputs.size() == 1 && std::filesystem::is_directory(command.inputs.front(), error)) {
        files = FindDeviceFiles(std::filesystem::absolute(command.inputs.front(), error));
        return std::nullopt;
    }
    for (const auto& input : command.inputs) {
        if (!std::filesystem::is_regular_file(input, error))
            return "\"" + input.string() + "\" is no card folder or device file.";
        if (!cardname::DeviceFileKind(input.filename().string()))
            return "\"" + input.string() + "\" is no .ECG or .SPO file.";
        files.push_back(std::filesystem::absolute(input, error));
    }
    return std::nullopt;
}

ImportReport::Result ResultOf(const ArchiveOutcome& outcome)
{
    switch (outcome.status) {
    case ArchiveStatus::Added: return ImportReport::Result::New;
    case ArchiveStatus::Replaced: return ImportReport::Result::Replaced;
    case ArchiveStatus::Skipped: return ImportReport::Result::Skipped;
    case ArchiveStatus::Deleted:
    case ArchiveStatus::Failed: break;
    }
    return ImportReport::Result::Failed;
}

std::string NotRunReason(const RunResult& run)
{
    switch (run.end) {
    case RunEnd::Stopped: return "not imported: the import was stopped";
    case RunEnd::DatabaseFailed: return "not imported: the case database failed: " + run.message;
    case RunEnd::NotStarted: return "not imported: " + run.message;
    case RunEnd::Cancelled:
    case RunEnd::Completed: break;
    }
    return "not imported";
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedCommand parsed = ParseImportCommand(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* stop = std::get_if<cli::Stop>(&parsed))
        return cli::Report(*stop, "tavo-import", ImportHelpText());
    const ImportCommand& command = std::get<ImportCommand>(parsed);

    std::vector<std::filesystem::path> files;
    if (const auto refusal = CollectDeviceFiles(command, files))
        return Usage(*refusal);
    if (files.empty())
        std::cerr << "tavo-import: no .ECG or .SPO files in \"" << command.inputs.front().string() << "\".\n";

    const std::filesystem::path home = StartDirectory(command);
    std::error_code error;
    if (!std::filesystem::is_directory(home, error))
        return Usage("the start folder \"" + home.string() + "\" does not exist.");
    std::filesystem::current_path(home, error);
    if (error)
        return Usage("cannot enter the start folder \"" + home.string() + "\": " + error.message());
    const std::filesystem::path startDirectory = std::filesystem::current_path();

    if (const auto registered = db::RegisterCaseDSN(QString::fromStdString(startDirectory.string()));
        !registered.ok())
        return Usage("the data source \"Case\" could not be registered: " + registered.message.toStdString());
    if (auto connection = db::OpenCaseDatabase(db::CaseConnectionKind::Recordset); !connection)
        return Usage("the case database cannot be reached: " + connection.error().text.toStdString());

    CardListing listing = ReadCard(files, std::nullopt);
    ImportEngine engine(startDirectory / "Archive");
    ImportReport report;
    for (const CardProblem& problem : listing.problems)
        report.AddProblem(problem);
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const ArchiveEntry& a, const ArchiveEntry& b) { return a.Name < b.Name; });
    engine.SetEntries(listing.entries);
    if (const auto markError = engine.MarkLoaded())
        return Usage("the case database cannot be read: " + markError->text.toStdString());
    const std::vector<ArchiveEntry> archives = engine.entries();

    // Every archive goes to the engine, which decides under the import lock
    // which are loaded (another import may have taken some meanwhile).
    std::vector<std::string> chosen;
    for (const ArchiveEntry& entry : archives)
        chosen.push_back(entry.Name);

    RunResult run;
    CommandLineListener listener(isatty(STDERR_FILENO) == 1);
    if (!command.listOnly) {
        std::signal(SIGINT, OnStopSignal);
        std::signal(SIGTERM, OnStopSignal);
        ImportOptions options;
        options.replaceMode = command.loaded == LoadedArchives::Replace    ? ReplaceMode::ReplaceAll
                              : command.loaded == LoadedArchives::KeepBoth ? ReplaceMode::KeepAll
                                                                           : ReplaceMode::SkipLoaded;
        options.deleteAfter = command.deleteAfter;
        run = engine.Download(chosen, options, listener);
    }

    for (const ArchiveEntry& entry : archives) {
        if (command.listOnly) {
            report.AddArchive(entry, ImportReport::Result::Listed, {}, {}, false);
        } else if (const ArchiveOutcome* outcome = listener.OutcomeOf(entry.Name)) {
            report.AddArchive(entry, ResultOf(*outcome), outcome->caseId, outcome->message, outcome->deletedFromCard);
        } else {
            report.AddArchive(entry, ImportReport::Result::Failed, {}, NotRunReason(run), false);
        }
    }
    if (command.json)
        report.PrintJson(std::cout);
    else
        report.PrintLines(std::cout);
    std::cout.flush();
    return report.AnyFailed() ? kExitFailed : kExitOk;
}
