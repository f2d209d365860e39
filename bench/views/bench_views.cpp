// The wave panes over a whole day: repainting one ECG page and one SpO2 page
// at 1920 x 1080, and opening a 24-hour case in the three panes (the ECG
// pane's beat detection included), with the process's resident memory
// reported as counters (MB) once the case is open. The day is built by
// repeating golden recordings (200 ECG samples and one SpO2 record per
// second) and analysed once, as an imported case would have been.

#include "case_analysis.h"

#include "archive/recording_format.h"
#include "settings/system_settings.h"
#include "signal/file_io.h"
#include "views/ecg_page.h"
#include "views/ecg_wave_view.h"
#include "views/spo_wave_render.h"
#include "views/spo_wave_view.h"
#include "views/trend_view.h"

#include <QApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::uint64_t kDaySeconds = 24 * 3600;
constexpr QSize kScreen(1920, 1080);
const QDateTime kStart(QDate(2024, 3, 1), QTime(8, 0));

// Fonts and widgets need an application; the offscreen platform needs no display.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "bench_views";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication application(argc, argv);
    }
}

void RepeatInto(const std::filesystem::path& source, const std::filesystem::path& target, std::uint64_t bytes)
{
    const auto recording = ReadWholeFile(source).value();
    std::ofstream out(target, std::ios::binary);
    for (std::uint64_t written = 0; written < bytes;) {
        const auto chunk = std::min<std::uint64_t>(recording.size(), bytes - written);
        out.write(reinterpret_cast<const char*>(recording.data()), static_cast<std::streamsize>(chunk));
        written += chunk;
    }
}

// A scratch case folder holding a day of ECG and SpO2 with its beats and events.
class DayCase {
public:
    DayCase()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavo-bench-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        const std::filesystem::path data(TAVO_TEST_DATA_DIR);
        RepeatInto(data / "ecg-records/100/data.ecg", m_folder / archive::kEcgDataFile, kDaySeconds * 200 * 2);
        RepeatInto(data / "spo2-records/S0000003/data.spo", m_folder / archive::kSpO2DataFile, kDaySeconds * 4);
        (void)AnalyseCase(m_folder, EcgSettings{}, SpOSettings{}, nullptr);
    }
    ~DayCase() { std::filesystem::remove_all(m_folder); }
    views::ViewCase ViewCase() const { return {m_folder, kStart, 2}; }

private:
    std::filesystem::path m_folder;
};

const DayCase& Day()
{
    static const DayCase day;
    return day;
}

void BM_EcgPageRepaint(benchmark::State& state)
{
    EnsureApplication();
    views::ecg::EcgPage page;
    page.shownCase = Day().ViewCase();
    page.position = kDaySeconds * 200 / 2;
    page.smooth = state.range(0) != 0;
    QImage image(kScreen, QImage::Format_RGB32);
    for (auto _ : state) {
        views::ecg::DrawPage(image, page);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_EcgPageRepaint)->ArgName("smooth")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_SpO2PageRepaint(benchmark::State& state)
{
    EnsureApplication();
    views::SpOWaveStyle style;
    style.smooth = state.range(0) != 0;
    style.title = QStringLiteral("SpO2 and Pulse Rate Trend");
    views::SpOWaveCase spoCase{Day().ViewCase().folder, kStart.time(), {}, {}};
    spoCase.LoadAnalysis();
    views::SpOWaveWindow window;
    window.SetWidth(views::LayoutSpOWave(kScreen, style).spo2.width());
    window.SetSeconds(spoCase.CountSeconds());
    window.Set(static_cast<std::int64_t>(kDaySeconds / 2), static_cast<std::int64_t>(kDaySeconds / 2) + 100);
    QImage image(kScreen, QImage::Format_RGB32);
    for (auto _ : state) {
        views::DrawSpOReview(image, style, spoCase, window, 0);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["events"] = static_cast<double>(spoCase.events.size());
}
BENCHMARK(BM_SpO2PageRepaint)->ArgName("smooth")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// VmRSS or VmHWM of this process in MB.
double ProcessMemoryMb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0; // given in kB
    }
    return 0;
}

struct Panes {
    Panes()
    {
        for (QWidget* pane : {static_cast<QWidget*>(&ecg), static_cast<QWidget*>(&spo), static_cast<QWidget*>(&trend)})
            pane->resize(kScreen.width(), kScreen.height() / 3);
    }

    // What the review window does on opening a case: each pane opens it; the
    // ECG pane detects the beats anew and the panes are drawn once it has.
    void Open(const views::ViewCase& shown)
    {
        QEventLoop loop;
        QObject::connect(&ecg, &CECGWaveView::caseOpened, &loop, &QEventLoop::quit);
        ecg.openCase(shown);
        spo.openCase(shown);
        if (ecg.isDetecting())
            loop.exec();
        trend.openCase(shown);
        benchmark::DoNotOptimize(spo.Picture().constBits());
        benchmark::DoNotOptimize(trend.Picture().constBits());
    }

    CECGWaveView ecg;
    CSpOWaveView spo;
    CTrendView trend;
};

// Argument: the stored "Detector" the ECG pane detects with (0 designed, 1 enhanced).
void BM_OpenDayCase(benchmark::State& state)
{
    EnsureApplication();
    g_Settings.Detector = static_cast<int>(state.range(0));
    const views::ViewCase dayCase = Day().ViewCase();
    Panes panes;
    for (auto _ : state) {
        panes.Open(dayCase);
        state.PauseTiming();
        panes.Open({});
        state.ResumeTiming();
    }
    panes.Open(dayCase);
    state.counters["beats"] = static_cast<double>(std::filesystem::file_size(dayCase.beatFile()) / kQrsRecordBytes);
    state.counters["VmRSS_MB"] = ProcessMemoryMb("VmRSS");
    state.counters["VmHWM_MB"] = ProcessMemoryMb("VmHWM");
}
BENCHMARK(BM_OpenDayCase)->ArgName("detector")->Arg(kDesignedDetector)->Arg(kEnhancedDetector)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
