#include "views/spo_wave_view.h"
#include "views/trend_view.h"

#include "case_files.h"
#include "settings/system_settings.h"
#include "views/heart_rate_digits.h"
#include "temp_dir.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using viewtest::RowsIn;

// A golden recording with the events its analysis gives: each second under an
// event, and only those, carries the grey mark at the bottom of the SpO2 area.
TEST(SpOWaveView, MarksTheAnalysedEventsAtTheirSeconds)
{
    testsupport::TempDir dir;
    const std::filesystem::path golden = testsupport::TestDataDir() / "spo2-records" / "S0000001";
    ASSERT_TRUE(testsupport::CopyRequiredFile(golden / "data.spo", dir / "data.spo"));
    ASSERT_TRUE(testsupport::CopyRequiredFile(golden / "expected-ana.spo", dir / "ana.spo"));
    SpOAnaResult result;
    std::vector<SpOEvent> events;
    ASSERT_TRUE(LoadSpOResult(dir / "ana.spo", result, events).ok());

    const views::SpOWaveStyle style;
    const QSize size(700, 300);
    const views::SpOWaveLayout layout = views::LayoutSpOWave(size, style);
    const std::int64_t start = 2080; // three events in view
    const QImage image = views::RenderSpOWave(dir.path(), start, size, QTime(0, 0), style);
    int marked = 0;
    for (int column = 1; column < layout.spo2.width(); ++column) { // the cursor line is in column 0
        const std::int64_t second = start + column;
        const bool inEvent = std::any_of(events.begin(), events.end(), [&](const SpOEvent& event) {
            return event.StartIndex <= second && second <= event.EndIndex;
        });
        marked += inEvent;
        const QRgb mark = image.pixel(layout.spo2.left() + column, layout.spo2.bottom() - 1);
        EXPECT_EQ(mark == views::kGridColour.rgb(), inEvent)
            << "second " << second;
    }
    EXPECT_EQ(marked, (2125 - 2095 + 1) + (2340 - 2329 + 1) + (2455 - 2414 + 1));
}

// Values outside a range are drawn at its edge; an empty SpO2 range counts as one point.
TEST(SpOWaveView, PlotsEachSeriesWithinItsRange)
{
    enum { kBottom = 0, kMiddle = 1, kTop = 2 };
    struct Case { const char* name; int minSpo2, maxSpo2; archive::SpO2Record record; int spo2Row, pulseRow; };
    const Case cases[] = {
        {"above the ranges", 42, 100, {120, 250}, kTop, kTop},
        {"at the lower ends", 42, 100, {42, 30}, kBottom, kBottom},
        {"below the ranges", 42, 100, {0, 20}, kBottom, kBottom},
        {"halfway", 50, 100, {75, 135}, kMiddle, kMiddle},
        {"empty SpO2 range", 90, 90, {95, 240}, kBottom, kTop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        viewtest::WriteSpO2(dir.path(), std::vector<archive::SpO2Record>(10, c.record));
        views::SpOWaveStyle style;
        style.minSpo2 = c.minSpo2;
        style.maxSpo2 = c.maxSpo2;
        const QImage image = views::RenderSpOWave(dir.path(), 0, QSize(400, 401), QTime(0, 0), style);
        const views::SpOWaveLayout layout = views::LayoutSpOWave(image.size(), style);
        const auto expected = [](const QRect& area, int row) { return area.bottom() - row * (area.height() - 1) / 2; };
        EXPECT_EQ(RowsIn(image, layout.spo2.left() + 5, layout.spo2, views::kSpo2Colour),
                  std::vector<int>{expected(layout.spo2, c.spo2Row)});
        EXPECT_EQ(RowsIn(image, layout.pulse.left() + 5, layout.pulse, views::kRateColour),
                  std::vector<int>{expected(layout.pulse, c.pulseRow)});
    }
}

// A shown view of a case with 1000 seconds and two events, the mouse
// following the SpO2 source.
struct ShownView {
    testsupport::TempDir dir;
    CSpOWaveView view;
    views::SpOWaveLayout layout;

    ShownView()
    {
        g_SmoothLines = false; // plain lines: exact pixels
        viewtest::WriteSpO2(dir.path(), std::vector<archive::SpO2Record>(1000, {96, 70}));
        viewtest::WriteEvents(dir.path(), {{100, 130, 96, 90}, {700, 720, 95, 88}});
        view.resize(600, 300);
        view.show();
        view.openCase(viewtest::CaseAt(dir.path(), 2));
        view.setHeartRateSource(views::kSourceSpO2);
        layout = views::LayoutSpOWave(view.size(), views::CurrentSpOWaveStyle());
    }
    void Click(int column) { QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(layout.spo2.left() + column, 50)); }
};

// Clicks, event choices and the wheel; each step from the state the one before left.
TEST(SpOWaveView, CursorFollowsClicksEventsAndWheel)
{
    ShownView shown;
    CSpOWaveView& view = shown.view;
    const int width = shown.layout.spo2.width();
    ASSERT_EQ(view.Window().Width(), width);
    QSignalSpy moved(&view, &CSpOWaveView::cursorMoved);
    QSignalSpy selected(&view, &CSpOWaveView::eventSelected);
    struct Step { const char* name; std::function<void()> act; qint64 start, cursor; int selectedEvent, moves; };
    const Step steps[] = {
        {"click left of the area", [&] { shown.Click(-1); }, 0, 0, -1, 0},
        {"click on the last column", [&] { shown.Click(width - 1); }, 0, width - 1, -1, 1},
        {"click inside an event", [&] { shown.Click(110); }, 0, 110, 0, 1},
        {"ECG source: no cursor", [&] { view.setHeartRateSource(views::kSourceEcg); shown.Click(50); }, 0, 110, 0, 0},
        {"event index below 0", [&] { view.selectEvent(-1); }, 0, 110, 0, 0},
        {"event index past the list", [&] { view.selectEvent(2); }, 0, 110, 0, 0},
        {"event right of the window", [&] { view.selectEvent(1); }, 720 - width + 1, 720 - width + 1, 1, 1},
        {"wheel back 4 seconds", [&] { view.scrollBySteps(-120); }, 720 - width - 3, 720 - width + 1, 1, 1},
        {"event left of the window", [&] { view.selectEvent(0); }, 100, 720 - width + 1, 0, 1},
        {"window past the end", [&] { view.setWindow(5000, 5000); }, 1000 - width / 3, 999, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        moved.clear();
        step.act();
        EXPECT_EQ(view.Window().Start(), step.start);
        EXPECT_EQ(view.Window().Cursor(), step.cursor);
        EXPECT_EQ(view.SelectedEvent(), step.selectedEvent);
        ASSERT_EQ(moved.size(), step.moves);
        if (step.moves) {
            EXPECT_EQ(moved.front(), (QList<QVariant>{step.start, step.cursor}));
        }
    }
    EXPECT_EQ(selected.size(), 1);
}

// The serial thread only queues; the picture shows the values once the
// window's thread has run. After a full sweep and 5 values more, the trends
// start afresh while the pleth keeps its older columns beyond the erased band;
// the last SpO2 values (40) are under the alarm limit.
TEST(SpOWaveView, LiveValuesFromAnotherThreadAreDrawnOnTheWindowThread)
{
    ShownView shown;
    CSpOWaveView& view = shown.view;
    const views::SpOWaveLayout& layout = shown.layout;
    const int seconds = layout.spo2.width() + 5;
    std::thread serial([&] {
        view.StartLive();
        for (int second = 1; second <= seconds; ++second) {
            view.AddLiveSpo2(second < seconds - 2 ? 95 : 40);
            view.AddLivePulseRate(75);
            view.AddLivePleth(0x80 | 50); // the high bit is no part of the value
        }
    });
    serial.join();
    EXPECT_FALSE(view.IsLive());
    QTest::qWait(1);
    ASSERT_TRUE(view.IsLive());
    const QImage& picture = view.Picture();
    const auto rows = [&](const QRect& area, int column, const QColor& colour, int value, int lo, int hi) {
        EXPECT_EQ(RowsIn(picture, area.left() + column, area, colour),
                  value < 0 ? std::vector<int>{} : std::vector<int>{views::ValueToRow(value, lo, hi, area)})
            << "column " << column;
    };
    rows(layout.spo2, 0, views::kSpo2Colour, 95, 42, 100);
    rows(layout.spo2, 4, views::kSpo2Colour, 40, 42, 100);
    rows(layout.spo2, 30, views::kSpo2Colour, -1, 0, 0);
    rows(layout.pleth, 2, views::kPlethColour, 50, 0, 100);
    rows(layout.pleth, 10, views::kPlethColour, -1, 0, 0);
    rows(layout.pleth, 30, views::kPlethColour, 50, 0, 100);
    // Lit pixels of the SpO2 digits in either look (the middle of an 8's bar).
    const QRgb alarmLit = views::HeartRateDigitStrip(true).pixel(8 * views::kDigitWidthPx + 10, 11);
    const QRgb normalLit = views::HeartRateDigitStrip(false).pixel(8 * views::kDigitWidthPx + 10, 11);
    int alarm = 0, normal = 0;
    for (int y = layout.spo2.top(); y <= layout.spo2.bottom(); ++y)
        for (int x = layout.panel.left(); x <= layout.panel.right(); ++x) {
            alarm += picture.pixel(x, y) == alarmLit;
            normal += picture.pixel(x, y) == normalLit;
        }
    EXPECT_GT(alarm, 0);
    EXPECT_EQ(normal, 0);
}

// Damaged, empty and missing files and extreme sizes: both panes show what
// there is, and every input is taken without a fault.
TEST(WavePanes, BadInputShowsWhatThereIs)
{
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> write;
        QSize size;
        qint64 seconds;
        std::size_t events;
        qint64 beats;
    };
    const auto bytes = [](const std::filesystem::path& file, std::size_t count) {
        testsupport::WriteBytes(file, std::vector<std::uint8_t>(count, 0x11));
    };
    const Case cases[] = {
        {"no files", [](auto&) {}, QSize(600, 300), 0, 0, 0},
        {"oximetry only", [](auto& f) { viewtest::WriteSpO2(f, {{96, 70}, {95, 71}}); }, QSize(600, 300), 2, 0, 0},
        {"short ana.spo", [&](auto& f) { bytes(f / "ana.spo", 527); }, QSize(600, 300), 0, 0, 0},
        {"ana.spo with a partial event", [&](auto& f) { bytes(f / "ana.spo", 528 + 2 * 16 + 5); }, QSize(600, 300),
         0, 2, 0},
        {"empty files", [&](auto& f) { for (auto n : {"data.spo", "ana.spo", "qrs.ecg"}) bytes(f / n, 0); },
         QSize(600, 300), 0, 0, 0},
        {"partial records", [&](auto& f) { bytes(f / "data.spo", 7); bytes(f / "qrs.ecg", 30); }, QSize(600, 300), 1,
         0, 1},
        {"beats without a rate", [](auto& f) { viewtest::WriteBeats(f, {0, 0, 0}); }, QSize(600, 300), 0, 0, 3},
        {"one pixel", [](auto& f) { viewtest::WriteSpO2(f, {{96, 70}}); viewtest::WriteBeats(f, {100}); },
         QSize(1, 1), 1, 0, 1},
        {"8K screen", [](auto& f) { viewtest::WriteSpO2(f, {{96, 70}}); viewtest::WriteBeats(f, {100}); },
         QSize(7680, 4320), 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        c.write(dir.path());
        QWidget window;
        auto* spo = new CSpOWaveView(&window);
        auto* trend = new CTrendView(&window);
        spo->resize(c.size);
        trend->resize(c.size);
        window.show();
        spo->openCase(viewtest::CaseAt(dir.path(), 2));
        trend->openCase(viewtest::CaseAt(dir.path(), 2));
        EXPECT_EQ(spo->Window().Seconds(), c.seconds);
        EXPECT_EQ(spo->OpenCase().events.size(), c.events);
        EXPECT_EQ(trend->Window().Points(), c.beats);
        spo->setHeartRateSource(views::kSourceSpO2);
        for (const QPoint& at : {QPoint(0, 0), QPoint(c.size.width() / 2, c.size.height() / 3)}) {
            QTest::mouseClick(spo, Qt::LeftButton, {}, at);
            QTest::mouseClick(trend, Qt::LeftButton, {}, at);
        }
        spo->scrollBySteps(-120);
        spo->selectEvent(0);
        for (int key : {Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_PageUp})
            trend->navigationKey(key);
        EXPECT_LT(trend->Window().Cursor(), std::max<qint64>(1, c.beats)); // 0 without beats
        trend->chooseHeartRateSource(views::kSourceSpO2);
        EXPECT_EQ(trend->Window().Points(), c.seconds);
        EXPECT_EQ(spo->Picture().size(), c.size);
        trend->Picture();
    }
}

} // namespace
