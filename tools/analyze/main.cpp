// tavo-analyze: re-runs the beat detection and the SpO2 analysis over case
// folders and rewrites their "qrs.ecg" and "ana.spo"; with --score, measures
// the beats of "qrs.ecg" against annotated reference beats instead.

#include "case_analysis.h"
#include "case_score.h"

#include "cli/command_line.h"
#include "settings/analysis_settings.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage = R"(Usage: tavo-analyze [OPTIONS] PATH...
       tavo-analyze --score REF_BEATS CASE_FOLDER...

Analyses case folders as the program does: detects the ECG beats of
"data.ecg" (rewriting "qrs.ecg") and the SpO2 desaturations of "data.spo"
(rewriting "ana.spo"). PATH is a case folder, or an archive root whose
sub-folders named by a case id (digits only, such as 0000012) are the
cases. Prints one summary line per case.

Options:
  --stored-settings   use the analysis settings stored for this user
                      (default: the first-run settings)
  --set NAME=VALUE    override one setting: Filter50Hz, Detector, MinSpo2,
                      MaxSpo2, Desaturation, MaxDrop, MinDesatTime,
                      MaxDesatTime, SwingIndex, Level
  --detector designed|enhanced
                      the beat detector (overrides the stored "Detector")
  --score REF_BEATS   analyse nothing: compare each CASE_FOLDER's "qrs.ecg"
                      with the reference beats in REF_BEATS (a file of that
                      name in the case folder when there is one, so
                      "ref_beats.txt" serves many folders; else the path
                      itself). One line a beat: "<sample index> <code>" at
                      200 samples per second, "#" starts a comment. A beat
                      whose Peak lies within 150 ms of a reference beat is
                      found (closest pairs first, each beat used once); beats
                      of the first 5 minutes are left out. Prints sensitivity
                      (Se), positive predictivity (+P), true positives,
                      false negatives and false positives per folder, and
                      the gross totals for several folders.
  -j, --jobs N        analyse N cases at a time (default: the number of
                      cores); the lines still come in case order
  -q, --quiet         no progress line
  -h, --help          this text
  --version           the program's version

Exit status: 0 when every case was analysed (or scored), 1 when a case
failed, a path held no data or a "data.spo" held no valid SpO2 value (its
"ana.spo" is written all the same), 2 for a usage error.
)";

struct Options {
    EcgSettings ecg;
    SpOSettings spo;
    bool storedSettings = false;
    bool quiet = false;
    unsigned jobs = 1;
    std::optional<int> detector;
    std::optional<std::string> scoreReference;
    std::vector<std::string> overrides;
    std::vector<std::string> paths;
};

// Progress on one terminal line: "[k/N] case  ECG 42 %".
class ConsoleProgress final : public AnalysisProgress {
public:
    explicit ConsoleProgress(bool enabled) : m_enabled(enabled) {}
    void Start(std::size_t index, std::size_t total, const std::string& name)
    {
        char counter[48];
        std::snprintf(counter, sizeof counter, "[%zu/%zu] ", index, total);
        m_prefix = counter;
        m_prefix += name;
        Show(0);
    }
    void SetText(std::string_view, std::string_view) override {}
    void SetPos(int percent) override { Show(percent); }
    void Clear()
    {
        if (m_enabled)
            std::fprintf(stderr, "\r\033[K");
    }

private:
    void Show(int percent)
    {
        if (m_enabled)
            std::fprintf(stderr, "\r\033[K%s %3d %%", m_prefix.c_str(), percent);
    }

    bool m_enabled;
    std::string m_prefix;
};

bool ParseInt(std::string_view text, int& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ApplyOverride(const std::string& assignment, Options& options)
{
    const auto equals = assignment.find('=');
    int value = 0;
    if (equals == std::string::npos || !ParseInt(std::string_view(assignment).substr(equals + 1), value))
        return false;
    const std::string name = assignment.substr(0, equals);
    const bool percent = value >= 0 && value <= 100;
    SpOSettings& spo = options.spo;
    if (name == "Filter50Hz" && (value == 0 || value == 1))
        options.ecg.Filter50Hz = value;
    else if (name == "Detector" && (value == kDesignedDetector || value == kEnhancedDetector))
        options.ecg.Detector = value;
    else if (name == "MinSpo2" && percent)
        spo.MinSpo2 = static_cast<std::uint16_t>(value);
    else if (name == "MaxSpo2" && percent)
        spo.MaxSpo2 = static_cast<std::uint16_t>(value);
    else if (name == "Desaturation" && percent)
        spo.Desaturation = static_cast<std::int16_t>(value);
    else if (name == "MaxDrop" && percent)
        spo.MaxDrop = static_cast<std::int16_t>(value);
    else if (name == "SwingIndex" && percent)
        spo.SwingIndex = static_cast<std::int16_t>(value);
    else if (name == "Level" && percent)
        spo.Level = static_cast<std::uint16_t>(value);
    else if (name == "MinDesatTime" && value >= 0)
        spo.MinDesatTime = value;
    else if (name == "MaxDesatTime" && value >= 0)
        spo.MaxDesatTime = value;
    else
        return false;
    return true;
}

void TakeStoredSettings(Options& options)
{
    LoadSettings();
    const AnalysisSettings stored = AnalysisSettingsFrom(g_Settings);
    options.ecg = stored.ecg;
    options.spo = stored.spo;
}

cli::Parsed<Options> ParseCommand(const std::vector<std::string>& arguments)
{
    cli::CommandLine line({{{"q", "quiet"}},
                           {{"j", "jobs"}, true},
                           {{"stored-settings"}},
                           {{"detector"}, true},
                           {{"score"}, true},
                           {{"set"}, true, true}});
    if (auto stop = line.Parse(arguments))
        return *stop;
    Options options;
    options.quiet = line.IsSet("quiet");
    options.storedSettings = line.IsSet("stored-settings");
    options.scoreReference = line.Value("score");
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    if (const auto jobs = line.Value("jobs")) {
        int count = 0;
        if (!ParseInt(*jobs, count) || count < 1)
            return "bad job count " + *jobs + " (a whole number from 1)";
        options.jobs = static_cast<unsigned>(count);
    }
    if (const auto name = line.Value("detector")) {
        if (*name != "designed" && *name != "enhanced")
            return "unknown detector " + *name + " (designed or enhanced)";
        options.detector = *name == "enhanced" ? kEnhancedDetector : kDesignedDetector;
    }
    options.overrides = line.Values("set");
    for (const std::string& assignment : options.overrides) {
        if (Options scratch; !ApplyOverride(assignment, scratch))
            return "bad setting " + assignment + " (see --help)";
    }
    options.paths = line.Positional();
    if (options.paths.empty())
        return std::string("no case folder given (see --help)");
    return options;
}

// The analysis settings: first-run or stored, then the overrides.
void SettleSettings(Options& options)
{
    if (options.storedSettings)
        TakeStoredSettings(options);
    for (const std::string& assignment : options.overrides)
        ApplyOverride(assignment, options);
    if (options.detector)
        options.ecg.Detector = *options.detector;
}

int ScoreCases(const Options& options)
{
    int exitStatus = 0;
    BeatScore gross;
    for (const std::string& path : options.paths) {
        const CaseScore result = ScoreCase(path, *options.scoreReference);
        std::fprintf(result.error.empty() ? stdout : stderr, "%s\n", result.Line().c_str());
        if (result.error.empty())
            gross += result.score;
        else
            exitStatus = 1;
    }
    if (options.paths.size() > 1)
        std::printf("gross: %s\n", gross.Line().c_str());
    return exitStatus;
}

// Analyses the cases, `options.jobs` at a time, one case per worker, and
// prints their lines in case order as soon as each is due. False when a case
// failed. One job runs in this thread, and the progress line also shows each
// case's percentage.
bool AnalyseCases(const std::vector<std::filesystem::path>& cases, const Options& options, ConsoleProgress& progress)
{
    std::vector<std::optional<CaseSummary>> summaries(cases.size());
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t k = next++; k < cases.size(); k = next++) {
            CaseSummary summary = AnalyseCase(cases[k], options.ecg, options.spo, nullptr);
            const std::lock_guard lock(mutex);
            summaries[k] = std::move(summary);
            finished.notify_all();
        }
    };
    const bool alone = options.jobs == 1;
    std::vector<std::jthread> workers;
    for (unsigned w = 0; !alone && w < std::min<std::size_t>(options.jobs, cases.size()); ++w)
        workers.emplace_back(work);
    bool allOk = true;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        progress.Start(k + 1, cases.size(), cases[k].filename().string());
        std::optional<CaseSummary> done;
        if (alone) {
            done = AnalyseCase(cases[k], options.ecg, options.spo, &progress);
        } else {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return summaries[k].has_value(); });
            done = std::move(summaries[k]);
        }
        const CaseSummary& summary = *done;
        progress.Clear();
        std::fprintf(summary.ok() ? stdout : stderr, "%s\n", summary.Line().c_str());
        std::fflush(stdout);
        allOk = allOk && summary.ok();
    }
    return allOk;
}

} // namespace

int main(int argc, char** argv)
{
    const auto parsed = ParseCommand({argv + 1, argv + argc});
    if (const auto* stop = std::get_if<cli::Stop>(&parsed))
        return cli::Report(*stop, "tavo-analyze", kUsage);
    Options options = std::get<Options>(parsed);
    SettleSettings(options);
    if (options.scoreReference)
        return ScoreCases(options);

    int exitStatus = 0;
    std::vector<std::filesystem::path> cases;
    for (const std::string& path : options.paths) {
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            std::fprintf(stderr, "tavo-analyze: %s: no such folder\n", path.c_str());
            exitStatus = 1;
            continue;
        }
        const auto found = FindCaseFolders(path);
        if (found.empty()) {
            std::fprintf(stderr, "tavo-analyze: %s: no data.ecg or data.spo here or in its sub-folders\n",
                         path.c_str());
            exitStatus = 1;
        }
        cases.insert(cases.end(), found.begin(), found.end());
    }

    ConsoleProgress progress(!options.quiet && ::isatty(STDERR_FILENO) != 0);
    if (!AnalyseCases(cases, options, progress))
        exitStatus = 1;
    return exitStatus;
}
