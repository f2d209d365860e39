// The review window on two 24-hour cases (ECG and SpO2) imported from a
// simulator card: opening the newest case until its first paint, beat
// detection and (first time only) SpO2 analysis included, and Pre and Next
// between the two. Offscreen; the analysis question is answered No.

#include "card_writer.h"
#include "quiet_import.h"
#include "db/case_data_source.h"
#include "lang/language.h"
#include "review/review_window.h"
#include "transfer/card_reader.h"
#include "transfer/import_engine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

using benchsupport::MakeTempFolder;
using benchsupport::Silent;

// A folder removed again at the end of the run.
struct TempFolder {
    std::filesystem::path path = MakeTempFolder();
    ~TempFolder() { std::filesystem::remove_all(path); }
};

// A start folder with two 24-hour cases, made once.
const std::filesystem::path& Home()
{
    static const TempFolder home;
    static const bool made = [] {
        const std::filesystem::path& folder = home.path;
        setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
        if (const auto registered = db::RegisterCaseDSN(QString::fromStdString(folder.string())); !registered.ok())
            throw std::runtime_error(registered.message.toStdString());
        recsim::SimOptions options;
        options.cardFolder = folder / "card";
        options.archiveCount = 2;
        options.seconds = 24 * 3600.0;
        if (const auto written = recsim::WriteCard(options); !written.ok())
            throw std::runtime_error(written.error());
        ImportEngine engine(folder / "Archive");
        engine.SetEntries(ReadCard(FindDeviceFiles(options.cardFolder), std::nullopt).entries);
        std::vector<std::string> names;
        for (const auto& entry : engine.entries())
            names.push_back(entry.Name);
        Silent listener;
        if (engine.MarkLoaded() || engine.Download(names, ImportOptions{}, listener).end != RunEnd::Completed)
            throw std::runtime_error("the import did not complete");
        return true;
    }();
    (void)made;
    return home.path;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_review";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct Review {
    QString currentCase;
    int startScreen = 0;
    int reviewMode = 1;
    int displayMode = 0;
    CWaveBackVw window{nullptr, {currentCase, startScreen, reviewMode, displayMode,
                                 QString::fromStdString((Home() / "Archive").string())}};
    QTimer answer; // "analyse again?": No

    Review()
    {
        window.resize(1400, 900);
        window.show();
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click();
        });
        answer.start(0);
    }
    // Seconds from `action` until the shown case has been painted.
    double Timed(const std::function<void()>& action)
    {
        QElapsedTimer timer;
        timer.start();
        QSignalSpy shown(&window, &CWaveBackVw::caseShown);
        action();
        if (shown.count() == 0 && !shown.wait(60000))
            throw std::runtime_error("the case was not shown");
        window.repaint();
        return double(timer.nsecsElapsed()) * 1e-9;
    }
};

void BM_OpenNewestCase(benchmark::State& state)
{
    App();
    Home();
    for (auto _ : state) {
        Review review;
        state.SetIterationTime(review.Timed([&] { review.window.ActivateReview(); }));
    }
}
BENCHMARK(BM_OpenNewestCase)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_PreNext(benchmark::State& state)
{
    App();
    Review review;
    review.Timed([&] { review.window.ActivateReview(); });
    bool back = true;
    for (auto _ : state) {
        const char* button = back ? "preButton" : "nextButton";
        state.SetIterationTime(
            review.Timed([&] { review.window.findChild<QPushButton*>(button)->click(); }));
        back = !back;
    }
}
BENCHMARK(BM_PreNext)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

} // namespace
