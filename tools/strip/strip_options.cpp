#include "strip_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

constexpr int kLargestSidePx = 8192;

std::optional<double> Number(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The index of `text` among the scale's values.
template <typename Scale>
std::optional<int> ScaleIndex(const std::string& text, const Scale& scale)
{
    const auto value = Number(text);
    const auto found = value ? std::find(scale.begin(), scale.end(), *value) : scale.end();
    if (found == scale.end())
        return std::nullopt;
    return static_cast<int>(found - scale.begin());
}

std::optional<QSize> ImageSize(const std::string& text)
{
    int width = 0;
    int height = 0;
    const char* end = text.data() + text.size();
    const auto [cross, widthError] = std::from_chars(text.data(), end, width);
    if (widthError != std::errc() || cross == end || *cross != 'x')
        return std::nullopt;
    const auto [last, heightError] = std::from_chars(cross + 1, end, height);
    if (heightError != std::errc() || last != end || width < 1 || height < 1 || width > kLargestSidePx
        || height > kLargestSidePx)
        return std::nullopt;
    return QSize(width, height);
}

} // namespace

cli::Parsed<StripCommand> ParseStripCommand(const std::vector<std::string>& arguments)
{
    cli::CommandLine line({{{"view"}, true},
                           {{"at"}, true},
                           {{"speed"}, true},
                           {{"gain"}, true},
                           {{"size"}, true},
                           {{"start"}, true},
                           {{"o", "output"}, true}});
    if (auto stop = line.Parse(arguments))
        return *stop;
    StripCommand command;
    strip::StripRequest& request = command.request;
    const std::string view = line.Value("view").value_or("");
    if (view == "ecg")
        request.view = strip::View::Ecg;
    else if (view == "spo2")
        request.view = strip::View::SpO2;
    else if (view == "trend")
        request.view = strip::View::Trend;
    else
        return std::string("--view must be ecg, spo2 or trend");
    if (const auto at = line.Value("at")) {
        const auto seconds = Number(*at);
        if (!seconds || *seconds < 0)
            return "--at takes seconds from the recording's start, not " + *at;
        request.atSeconds = *seconds;
    }
    if ((line.IsSet("speed") || line.IsSet("gain")) && request.view != strip::View::Ecg)
        return std::string("--speed and --gain belong to the ECG view");
    if (const auto speed = line.Value("speed")) {
        const auto index = ScaleIndex(*speed, views::ecg::kSpeedMmPerS);
        if (!index)
            return "--speed takes 12.5, 20, 25 or 50 (mm/s), not " + *speed;
        request.speedIndex = *index;
    }
    if (const auto gain = line.Value("gain")) {
        const auto index = ScaleIndex(*gain, views::ecg::kGainMmPerMv);
        if (!index)
            return "--gain takes 5, 10 or 20 (mm/mV), not " + *gain;
        request.gainIndex = *index;
    }
    if (const auto size = line.Value("size")) {
        const auto pixels = ImageSize(*size);
        if (!pixels)
            return "--size takes WIDTHxHEIGHT in pixels (1 to 8192 each), not " + *size;
        request.size = *pixels;
    }
    if (const auto start = line.Value("start")) {
        request.startTime = QTime::fromString(QString::fromStdString(*start), QStringLiteral("HH:mm:ss"));
        if (!request.startTime.isValid())
            return "--start takes a time of day as HH:MM:SS, not " + *start;
    }
    const std::vector<std::string> folders = line.Positional();
    if (folders.size() != 1)
        return std::string("name one case folder (see --help)");
    request.caseFolder = folders.front();
    const auto output = line.Value("output");
    if (!output || output->empty())
        return std::string("-o FILE.png is missing (see --help)");
    command.output = *output;
    return command;
}

std::string StripHelpText()
{
    return R"HELP(Usage: tavo-strip CASE_FOLDER --view ecg|spo2|trend [--at SECONDS]
                  [--speed MM_S] [--gain MM_MV] [--size WxH] [--start HH:MM:SS]
                  -o FILE.png

Draws one pane of a case folder into a PNG file exactly as the review window
draws it, for pasting a strip into a letter. Needs no display.

  ecg     the ECG page of "data.ecg" starting at SECONDS (the page start
          falls back to the sample the paper speed allows); beat 0 is marked
          when it lies on the page, as after opening the case
  spo2    the SpO2 and pulse-rate page of "data.spo" (one pixel per second,
          with the events of "ana.spo") from SECONDS, the cursor there
  trend   the heart rate per beat from the beat at SECONDS, or, for a case
          without ECG, the pulse rate per second of "data.spo"

A time in the last part of the recording gives the last page the window can
scroll to. The beats are those of the case's "qrs.ecg" when it holds any;
otherwise the beat detection runs with the stored analysis settings into a
temporary folder. The case folder is only read, never written.

Options:
  --view VIEW       ecg, spo2 or trend
  --at SECONDS      time from the recording's start (default 0)
  --speed MM_S      ECG paper speed: 12.5, 20, 25 (default) or 50 mm/s
  --gain MM_MV      ECG gain: 5, 10 (default) or 20 mm/mV
  --size WxH        image size in pixels (default 1600x400)
  --start HH:MM:SS  time of day the recording began, for the time labels
                    (default 00:00:00: times count from the recording's start)
  -o, --output FILE the PNG file to write (replaced when it exists)
  -h, --help        this text
  --version         the program's version

The smooth-lines setting, the SpO2 range and the analysis settings are the
stored ones of this user; the labels come from the language file of the
program's start folder ($TAVO_VEZI_HOME, else the current folder) when there
is one, else they are English.

Exit status: 0 when the file was written; 1 for a missing case folder, a
recording without data for the view, a time past its end or a file that
cannot be written; 2 for bad usage.
)HELP";
}
