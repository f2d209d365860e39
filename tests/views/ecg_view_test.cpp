#include "views/ecg_wave_view.h"
#include "views/heart_rate_digits.h"

#include "archive/sample_streams.h"
#include "settings/system_settings.h"
#include "signal/ecg_analysis.h"
#include "temp_dir.h"
#include "test_data.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace views::ecg;
using testsupport::TempDir;

namespace {

constexpr QSize kCanvas(400, 300);

views::ViewCase WriteCase(const std::filesystem::path& folder, const std::vector<std::uint16_t>& samples,
                          std::uint32_t beatPeak = 0)
{
    testsupport::WriteBytes(folder / "data.ecg", archive::EncodeEcgSamples(samples));
    if (beatPeak != 0)
        testsupport::WriteBytes(folder / "qrs.ecg", EncodeQrsRecords(std::vector{QrsRecord{.Peak = beatPeak}}));
    return {folder, QDateTime(QDate(2024, 1, 1), QTime(23, 59, 50), Qt::UTC), 0};
}

EcgPage PlainPage(const views::ViewCase& shown, int speedIndex, int gainIndex, std::int64_t position = 0)
{
    return {shown, position, speedIndex, gainIndex, 0, false};
}

void OpenAndWait(CECGWaveView& view, const views::ViewCase& shown)
{
    QSignalSpy opened(&view, &CECGWaveView::caseOpened);
    view.openCase(shown);
    ASSERT_TRUE(opened.count() == 1 || opened.wait(60000));
}

bool IsTrace(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == kTraceColour;
}

// The highest and the lowest row of the trace in column x of the wave area.
// Steep plain lines may leave out an end pixel, so callers allow one row.
std::pair<int, int> TraceRows(const QImage& image, int x)
{
    std::pair rows{-1, -1};
    const int top = ComputeLayout(image.size(), false).waveArea.top();
    for (int y = image.height() - 1; y >= top; --y) {
        if (IsTrace(image, x, y))
            rows = {y, rows.second < 0 ? y : rows.second};
    }
    return rows;
}

} // namespace

TEST(EcgPage, GridHasADotEveryMillimetreAndALineEveryFive)
{
    const QImage image = RenderPage({}, kCanvas);
    const QRect area = ComputeLayout(kCanvas, false).waveArea;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int dx = x - area.left(), dy = y - area.top();
            const bool grid = dx % 20 == 0 || dy % 20 == 0 || (dx % 4 == 0 && dy % 4 == 0);
            ASSERT_EQ(image.pixel(x, y), grid ? kGridColour : kBackground) << x << "," << y;
        }
    }
}

TEST(EcgPage, TraceHeightsZeroLineAndEdges)
{
    const struct {
        const char* name;
        std::uint16_t value;
        int gainIndex;
        std::function<int(int)> row; // from the area's top, for an area this high
    } cases[] = {
        {"zero line at three fifths", 2048, 1, [](int height) { return 3 * height / 5; }},
        {"too high: 5 inside the top", 4095, 2, [](int) { return 5; }},
        {"too low: 5 inside the bottom", 0, 2, [](int height) { return height - 5; }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const QImage image = RenderPage(PlainPage(WriteCase(dir.path(), std::vector<std::uint16_t>(4000, c.value)), 2, c.gainIndex), kCanvas);
        const QRect area = ComputeLayout(kCanvas, false).waveArea;
        // A trace leaves out its last point, like a device context's LineTo.
        for (int x = area.left(); x < area.right(); ++x)
            ASSERT_TRUE(IsTrace(image, x, area.top() + c.row(area.height()))) << c.name << " x " << x;
    }
}

TEST(EcgPage, ReductionKeepsTheSpikeOfABlock)
{
    const struct { std::vector<std::uint16_t> block; std::uint16_t value; } cases[] = {
        {{2000, 2050, 2080, 2100}, 2100}, // within first and last: the last
        {{2000, 3000, 2050, 2010}, 3000}, // a peak above: the largest
        {{2000, 1000, 2005, 2010}, 1000}, // a trough below: the smallest
        {{2000, 3000, 1000, 2010}, 2002}, // both: the mean
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReduceBlock(c.block), c.value);

    // An R wave inside a block of 4 at 12.5 mm/s reaches its full height.
    TempDir dir;
    std::vector<std::uint16_t> samples(4000, 2048);
    samples[4 * 50 + 1] = 2600;
    const QImage image = RenderPage(PlainPage(WriteCase(dir.path(), samples), 0, 1), kCanvas);
    const QRect area = ComputeLayout(kCanvas, false).waveArea;
    EXPECT_NEAR(TraceRows(image, area.left() + 50).first, TraceY(2600, 1, area.top(), area.height()), 1);
}

TEST(EcgPage, TwentyMmPerSecondShowsSamplesZeroAndThreeOfEachFive)
{
    TempDir dir;
    std::vector<std::uint16_t> samples(4000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint16_t>(2048 + 300 * (i % 5));
    // Position 7 starts the page at sample 5.
    const views::ViewCase shown = WriteCase(dir.path(), samples);
    const QImage image = RenderPage(PlainPage(shown, 1, 0, 7), kCanvas);
    const QRect area = ComputeLayout(kCanvas, false).waveArea;
    for (int j = 0; j < area.width() / 2 - 1; ++j) {
        ASSERT_NEAR(TraceRows(image, area.left() + 2 * j).second, TraceY(2048, 0, area.top(), area.height()), 1) << j;
        ASSERT_NEAR(TraceRows(image, area.left() + 2 * j + 1).first, TraceY(2948, 0, area.top(), area.height()), 1) << j;
    }
    EXPECT_EQ(PageTime(shown.startTime, 5), "23:59:50");
    EXPECT_EQ(PageTime(shown.startTime, 200 * 15), "00:00:05");
}

TEST(EcgPage, BeatMarkersStandTwentyPixelsEitherSideOfTheBeat)
{
    // The beat at sample 303 lies in this column at each speed.
    const struct { int speedIndex, beatColumn; } cases[] = {{0, 75}, {1, 121}, {2, 151}, {3, 303}};
    for (const auto& c : cases) {
        TempDir dir;
        EcgPage page = PlainPage(WriteCase(dir.path(), std::vector<std::uint16_t>(4000, 2048), 303), c.speedIndex, 1);
        page.selectedBeat = 0;
        const QImage image = RenderPage(page, kCanvas);
        const QRect area = ComputeLayout(kCanvas, false).waveArea;
        const int above = area.top() + 3 * area.height() / 5 - 10;
        for (const int dx : {-20, 20})
            EXPECT_EQ(image.pixel(area.left() + c.beatColumn + dx, above), kMarkerColour) << c.speedIndex << " " << dx;
        EXPECT_NE(image.pixel(area.left() + c.beatColumn + 10, above), kMarkerColour) << c.speedIndex;
    }
}

TEST(EcgWaveView, LabelsCycleTheScalesAndPagesStayAligned)
{
    TempDir dir;
    CECGWaveView view;
    view.resize(kCanvas);
    view.show();
    const std::vector<std::uint16_t> flat(20000, 2048);
    OpenAndWait(view, WriteCase(dir.path(), flat));
    // 25 mm/s over 400 columns: pages of 800 samples, the last one two thirds empty.
    EXPECT_EQ(view.findChild<QScrollBar*>("ecgScrollBar")->maximum(), 20000 + 800 / 3 - 800 + 1);

    const auto click = [&view](const QRect& label) { QTest::mouseClick(&view, Qt::LeftButton, {}, label.center()); };
    for (const double speed : {50.0, 12.5, 20.0, 25.0}) {
        click(view.stripLayout().speedLabel);
        EXPECT_EQ(view.GetPageParams().speedMmPerS, speed);
    }
    for (const int gain : {20, 5, 10}) {
        click(view.stripLayout().gainLabel);
        EXPECT_EQ(view.GetPageParams().gainMmPerMv, gain);
    }
    QTest::mouseMove(&view, view.stripLayout().gainLabel.center());
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);

    for (int k = 0; k < 3; ++k)
        click(view.stripLayout().speedLabel); // 20 mm/s
    for (const auto& [wheel, position] : {std::pair{140, 5}, {140, 10}, {-20, 5}, {20 * 1003, 1005}}) {
        view.scrollBySteps(wheel);
        EXPECT_EQ(view.GetPageParams().position, position) << wheel;
    }
    // 401 columns take 1003 samples; beat 2005 is shown from 1005, not 1000.
    view.resize(401, kCanvas.height());
    WriteCase(dir.path(), flat, 2005);
    view.scrollBySteps(-20 * 2000);
    view.selectBeat(0);
    EXPECT_EQ(view.GetPageParams().position, 1005);
}

TEST(EcgWaveView, LivePanelShowsRateAndInterval)
{
    const struct { int bpm; QString rate, interval; bool alarm; } cases[] = {{0, "--", "--", false}, {75, "75", "800", false}, {70, "70", "857", false}, {120, "120", "500", true}};
    CECGWaveView view;
    view.resize(kCanvas);
    view.show();
    view.StartLive();
    for (const auto& c : cases) {
        std::thread([&view, &c] { view.SetHeartRate(c.bpm); }).join();
        QCoreApplication::processEvents();
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const LivePanelRows rows = PanelRows(view.stripLayout());
        for (const auto& [row, text] : {std::pair{rows.heartRateDigits, c.rate}, {rows.intervalDigits, c.interval}}) {
            const int left = row.left() + (row.width() - 20 * static_cast<int>(text.size())) / 2;
            for (int i = 0; i < text.size(); ++i) {
                const int image = text[i] == '-' ? views::kDashImage : text[i].digitValue();
                EXPECT_EQ(shown.copy(left + 20 * i, row.top(), 20, 22),
                          views::HeartRateDigitStrip(c.alarm).copy(20 * image, 0, 20, 22))
                    << c.bpm << " digit " << i;
            }
        }
    }
}

TEST(EcgWaveView, LiveSweepDrawsColumnsPerSpeed)
{
    // Columns drawn from 40 samples after so many clicks from 25 mm/s.
    const struct { int speedClicks, columns; } cases[] = {{0, 20}, {1, 40}, {2, 10}, {3, 16}};
    g_SmoothLines = false;
    for (const auto& c : cases) {
        CECGWaveView view;
        view.resize(kCanvas);
        view.show();
        view.StartLive();
        QCoreApplication::processEvents();
        for (int k = 0; k < c.speedClicks; ++k)
            QTest::mouseClick(&view, Qt::LeftButton, {}, view.stripLayout().speedLabel.center());
        const std::vector<std::uint16_t> flat(40, 2048);
        std::thread([&view, &flat] { view.AddLiveSamples(flat); }).join();
        QCoreApplication::processEvents();
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect area = view.stripLayout().waveArea;
        const int zero = area.top() + 3 * area.height() / 5;
        // The last column plotted is where the next segment starts.
        EXPECT_TRUE(IsTrace(shown, area.left() + c.columns - 2, zero)) << c.speedClicks;
        EXPECT_FALSE(IsTrace(shown, area.left() + c.columns - 1, zero)) << c.speedClicks;
        EXPECT_LT(area.right(), view.stripLayout().panel.left());
    }
}

TEST(EcgWaveView, OpeningACaseRedetectsItsBeatsWithTheStoredDetector)
{
    const std::filesystem::path record = testsupport::TestDataDir() / "ecg-records" / "100";
    for (const int detector : {kDesignedDetector, kEnhancedDetector}) {
        TempDir dir;
        ASSERT_TRUE(testsupport::CopyRequiredFile(record / "data.ecg", dir / "case" / "data.ecg"));
        ASSERT_TRUE(testsupport::CopyRequiredFile(record / "data.ecg", dir / "direct" / "data.ecg"));
        testsupport::WriteBytes(dir / "case" / "qrs.ecg", std::vector<std::uint8_t>(28 * 3, 0xff));
        g_Settings.Detector = detector;
        CECGWaveView view;
        OpenAndWait(view, {dir / "case", {}, 0});
        g_Settings.Detector = kDesignedDetector;
        EXPECT_EQ(view.sampleCount(), 722222 / 2);

        const auto expected = detector == kDesignedDetector ? record / "expected-qrs.ecg" : dir / "direct" / "qrs.ecg";
        ASSERT_TRUE(CECGAnalysis({1, detector}).ProcessFile(dir / "direct").status.ok());
        EXPECT_EQ(testsupport::ReadBytes(dir / "case" / "qrs.ecg"), testsupport::ReadRequiredFile(expected)) << detector;
    }
}

TEST(EcgWaveView, BadInputShowsWhatThereIs)
{
    const std::filesystem::path record = testsupport::TestDataDir() / "ecg-records" / "100" / "data.ecg";
    const struct {
        const char* name;
        std::function<void(const std::filesystem::path&)> before, afterOpen;
        QSize size;
        std::int64_t samples;
    } cases[] = {
        {"no folder", [](auto&) {}, [](auto&) {}, kCanvas, 0},
        {"no qrs.ecg, no data.ecg", [](auto& f) { std::filesystem::create_directories(f); }, [](auto&) {}, kCanvas, 0},
        {"empty data.ecg", [](auto& f) { testsupport::WriteBytes(f / "data.ecg", {}); }, [](auto&) {}, kCanvas, 0},
        {"one byte", [](auto& f) { testsupport::WriteBytes(f / "data.ecg", {7}); }, [](auto&) {}, kCanvas, 0},
        {"beat past the end", [](auto& f) { WriteCase(f, std::vector<std::uint16_t>(100, 2048)); },
         [](auto& f) { WriteCase(f, std::vector<std::uint16_t>(100, 2048), 100000); }, kCanvas, 100},
        {"1 pixel", [&](auto& f) { ASSERT_TRUE(testsupport::CopyRequiredFile(record, f / "data.ecg")); }, [](auto&) {},
         QSize(1, 1), 361111},
        {"8K screen", [&](auto& f) { ASSERT_TRUE(testsupport::CopyRequiredFile(record, f / "data.ecg")); },
         [](auto&) {}, QSize(7680, 4320), 361111},
    };
    for (const auto& c : cases) {
        TempDir dir;
        c.before(dir / "case");
        CECGWaveView view;
        view.resize(c.size);
        OpenAndWait(view, {dir / "case", {}, 0});
        c.afterOpen(dir / "case");
        EXPECT_EQ(view.sampleCount(), c.samples) << c.name;
        view.selectBeat(0);
        view.scrollBySteps(-4000);
        view.scrollBySteps(40000);
        QTest::mouseClick(&view, Qt::LeftButton, {}, view.stripLayout().speedLabel.center());
        EXPECT_LE(view.GetPageParams().position, c.samples) << c.name;
        EXPECT_FALSE(view.grab().isNull()) << c.name;
        EXPECT_FALSE(RenderPage({{dir / "case", {}, 0}, 1 << 30, 0, 2, 0, true}, c.size).isNull()) << c.name;
    }
}
