#include "sim_options.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace recsim {
namespace {

constexpr int kMaxArchives = 9999;
constexpr double kMaxSeconds = 7 * 24 * 3600.0;

std::optional<double> ParseNumber(const std::string& text)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<archive::DateTime> ParseDateTime(const std::string& text)
{
    archive::DateTime value;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &value.year, &value.month, &value.day,
                    &value.hour, &value.minute, &value.second, &tail) != 6
        || !archive::IsValidDateTime(value))
        return std::nullopt;
    return value;
}

// Archive names become file names on the card: letters and digits only, and
// prefix + six digits must fit the seven characters the case table keeps.
bool IsSafePrefix(const std::string& prefix)
{
    if (prefix.size() != 1)
        return false;
    for (char c : prefix) {
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum)
            return false;
    }
    return true;
}

using Setter = std::function<std::optional<std::string>(SimOptions&, const std::string&)>;

Setter NumberIn(double SimOptions::*field, double low, double high, const char* name)
{
    return [=](SimOptions& options, const std::string& text) -> std::optional<std::string> {
        const auto value = ParseNumber(text);
        if (!value || *value < low || *value > high)
            return std::string(name) + " must be a number from " + std::to_string(low) + " to "
                + std::to_string(high) + ", not \"" + text + "\".";
        options.*field = *value;
        return std::nullopt;
    };
}

std::map<std::string, Setter> Setters()
{
    std::map<std::string, Setter> setters;
    setters["out"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        o.cardFolder = t;
        return std::nullopt;
    };
    setters["truth"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        o.truthFolder = t;
        return std::nullopt;
    };
    setters["archives"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        const auto value = ParseNumber(t);
        if (!value || *value < 1 || *value > kMaxArchives || *value != std::floor(*value))
            return "--archives must be a whole number from 1 to " + std::to_string(kMaxArchives) + ".";
        o.archiveCount = static_cast<int>(*value);
        return std::nullopt;
    };
    setters["type"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        if (t == "ecg")
            o.type = archive::SampleType::Ecg;
        else if (t == "spo2")
            o.type = archive::SampleType::SpO2;
        else if (t == "both")
            o.type = archive::SampleType::EcgAndSpO2;
        else
            return "--type must be ecg, spo2 or both, not \"" + t + "\".";
        return std::nullopt;
    };
    setters["seconds"] = NumberIn(&SimOptions::seconds, 1.0, kMaxSeconds, "--seconds");
    setters["minutes"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        const auto value = ParseNumber(t);
        if (!value || *value * 60.0 < 1.0 || *value * 60.0 > kMaxSeconds)
            return "--minutes must be a number from 1/60 to " + std::to_string(kMaxSeconds / 60) + ".";
        o.seconds = *value * 60.0;
        return std::nullopt;
    };
    setters["start"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        const auto value = ParseDateTime(t);
        if (!value)
            return "--start must be a valid \"YYYY-MM-DD hh:mm:ss\", not \"" + t + "\".";
        o.firstStart = *value;
        return std::nullopt;
    };
    setters["prefix"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        if (!IsSafePrefix(t))
            return "--prefix must be one letter or digit, not \"" + t + "\".";
        o.namePrefix = t;
        return std::nullopt;
    };
    setters["rate"] = NumberIn(&SimOptions::rateBpm, 30.0, 220.0, "--rate");
    setters["swing"] = NumberIn(&SimOptions::rateSwingBpm, 0.0, 40.0, "--swing");
    setters["premature"] = NumberIn(&SimOptions::prematureShare, 0.0, 0.5, "--premature");
    setters["noise"] = NumberIn(&SimOptions::noiseMv, 0.0, 2.0, "--noise");
    setters["wander"] = NumberIn(&SimOptions::wanderMv, 0.0, 2.0, "--wander");
    setters["hum"] = NumberIn(&SimOptions::humMv, 0.0, 2.0, "--hum");
    setters["events-per-hour"] = NumberIn(&SimOptions::eventsPerHour, 0.0, 30.0, "--events-per-hour");
    setters["baseline"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        const auto value = ParseNumber(t);
        if (!value || *value < 80 || *value > 100 || *value != std::floor(*value))
            return "--baseline must be a whole percentage from 80 to 100.";
        o.baselinePercent = static_cast<int>(*value);
        return std::nullopt;
    };
    setters["seed"] = [](SimOptions& o, const std::string& t) -> std::optional<std::string> {
        const auto value = ParseNumber(t);
        if (!value || *value < 0 || *value > 4294967295.0 || *value != std::floor(*value))
            return "--seed must be a whole number from 0 to 4294967295.";
        o.seed = static_cast<std::uint32_t>(*value);
        return std::nullopt;
    };
    return setters;
}

} // namespace

ParseResult ParseSimOptions(const std::vector<std::string>& arguments)
{
    const auto setters = Setters();
    std::vector<cli::Option> names;
    for (const auto& [name, setter] : setters)
        names.push_back({{name}, true});
    cli::CommandLine line(names);
    if (auto stop = line.Parse(arguments))
        return *stop;
    if (const auto extra = line.Positional(); !extra.empty())
        return "Unexpected argument \"" + extra.front() + "\" (see --help).";
    SimOptions options;
    for (const std::string& name : line.Given()) {
        if (auto refusal = setters.at(name)(options, *line.Value(name)))
            return *refusal;
    }
    if (options.cardFolder.empty())
        return std::string("Name the card folder with --out DIR (see --help).");
    return options;
}

std::string HelpText()
{
    return R"(Usage: tavo-recorder-sim --out CARD_DIR [options]

Writes the SD card of a recorder: device files (NAME.ECG, NAME.SPO) for a number
of archives, from synthetic ECG and SpO2/pulse-rate signals.

  --out DIR              card folder to write (made when missing)
  --truth DIR            also write, per archive, DIR/NAME/ with the expected
                         data.ecg and data.spo, beats.txt (R-peak samples) and
                         events.txt (desaturations)
  --archives N           number of archives (default 1)
  --type ecg|spo2|both   sample type of every archive (default both)
  --seconds S            length of each archive (default 600)
  --minutes M            length of each archive in minutes
  --start "YYYY-MM-DD hh:mm:ss"
                         start of the first archive (default 2026-01-05 22:00:00);
                         each next one starts an hour after the previous ended
  --prefix C             archive name prefix, one letter or digit (default T)
  --rate BPM             mean heart rate (default 70)
  --swing BPM            slow heart-rate swing, period 60 s (default 5)
  --premature SHARE      share of premature beats, 0..0.5 (default 0.02)
  --noise MV             white noise RMS (default 0.02)
  --wander MV            baseline wander amplitude (default 0.1)
  --hum MV               50 Hz mains hum amplitude (default 0)
  --baseline PERCENT     SpO2 baseline (default 97)
  --events-per-hour E    desaturations per hour (default 6)
  --seed N               random seed; archive k uses seed + k (default 1)
  --help                 show this text
  --version              show the program's version
)";
}

std::string ArchiveName(const SimOptions& options, int index)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", index + 1);
    return options.namePrefix + digits;
}

archive::DateTime ArchiveStart(const SimOptions& options, int index)
{
    using namespace std::chrono;
    const archive::DateTime& first = options.firstStart;
    const sys_days day = year_month_day(year(first.year), month(static_cast<unsigned>(first.month)),
                                        std::chrono::day(static_cast<unsigned>(first.day)));
    const auto step = seconds(static_cast<long long>(std::ceil(options.seconds)) + 3600);
    const sys_seconds start = day + hours(first.hour) + minutes(first.minute) + seconds(first.second)
        + step * index;
    const sys_days startDay = floor<days>(start);
    const year_month_day date(startDay);
    const hh_mm_ss time(start - startDay);
    return {int(date.year()), static_cast<int>(unsigned(date.month())), static_cast<int>(unsigned(date.day())),
            static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
}

} // namespace recsim
