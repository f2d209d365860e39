#include "views/spo_wave_view.h"
#include "views/trend_view.h"

#include "case_files.h"
#include "settings/system_settings.h"
#include "temp_dir.h"

#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using views::kNoValue;

// Runs of beats at 120 bpm, 240, 480 (drawn at 240), one without a rate, a
// negative interval (drawn at 30) and 82.8 bpm (83): the middle column of each run
// holds exactly one trace pixel at its rate; the beat without a rate keeps
// its column empty.
TEST(TrendView, DrawsEachBeatAtItsRate)
{
    testsupport::TempDir dir;
    viewtest::WriteBeats(dir.path(), {100, 100, 100, 50, 50, 50, 25, 25, 25, 0, -100, -100, -100, 145, 145, 145});
    const views::TrendStyle style;
    const QImage image = views::RenderTrend(dir.path(), views::kSourceEcg, 0, QSize(300, 211), style);
    const QRect plot = views::LayoutTrend(image.size(), style).plot;
    const std::pair<int, int> columns[] = {{1, 120}, {4, 240}, {7, 240}, {9, kNoValue}, {11, 30}, {14, 83}};
    for (const auto& [column, rate] : columns) {
        const std::vector<int> expected =
            rate == kNoValue ? std::vector<int>{} : std::vector<int>{views::ValueToRow(rate, 30, 240, plot)};
        EXPECT_EQ(viewtest::RowsIn(image, plot.left() + column, plot, views::kRateColour), expected)
            << "column " << column;
    }
}

// The sample type picks the source the case opens with and the menu items
// offered; the other source, where offered, counts its own points.
TEST(TrendView, SampleTypeChoosesTheSourceAndTheMenu)
{
    struct Case { int sampleType, source; bool ecgItem, spo2Item; };
    for (const Case& c : {Case{0, 0, true, false}, Case{1, 1, false, true}, Case{2, 0, true, true}}) {
        SCOPED_TRACE(c.sampleType);
        testsupport::TempDir dir;
        viewtest::WriteBeats(dir.path(), {100, 100, 100});
        viewtest::WriteSpO2(dir.path(), std::vector<archive::SpO2Record>(5, {96, 70}));
        CTrendView trend;
        QSignalSpy announced(&trend, &CTrendView::heartRateSourceAnnounced);
        trend.openCase(viewtest::CaseAt(dir.path(), c.sampleType));
        ASSERT_EQ(announced.size(), 1);
        EXPECT_EQ(announced.front().front().toInt(), c.source);
        QMenu* menu = trend.SourceMenu();
        const auto item = [&](const char* name) { return menu->findChild<QAction*>(name); };
        const auto checkedAndEnabled = [&](const char* name) {
            return std::pair(item(name)->isChecked(), item(name)->isEnabled());
        };
        EXPECT_EQ(checkedAndEnabled("hrSourceEcg"), std::pair(c.source == views::kSourceEcg, c.ecgItem));
        EXPECT_EQ(checkedAndEnabled("hrSourceSpo"), std::pair(c.source == views::kSourceSpO2, c.spo2Item));
        // A disabled item does nothing.
        const int other = 1 - c.source;
        item(other == views::kSourceEcg ? "hrSourceEcg" : "hrSourceSpo")->trigger();
        const int now = (other == views::kSourceEcg ? c.ecgItem : c.spo2Item) ? other : c.source;
        EXPECT_EQ(announced.back().front().toInt(), now);
        EXPECT_EQ(trend.Window().Points(), now == views::kSourceSpO2 ? 5 : 3);
    }
}

// A shown trend of 1000 beats; every move made here sends the cursor beat to the ECG side.
TEST(TrendView, KeysClicksAndScrollBarMoveCursorAndWindow)
{
    g_SmoothLines = false;
    testsupport::TempDir dir;
    viewtest::WriteBeats(dir.path(), std::vector<int>(1000, 100));
    CTrendView trend;
    trend.resize(600, 200);
    trend.show();
    trend.openCase(viewtest::CaseAt(dir.path(), 0));
    QSignalSpy requested(&trend, &CTrendView::ecgBeatRequested);
    const int width = trend.Window().Width();
    ASSERT_GT(width, 100);
    const QRect plot = views::LayoutTrend(trend.Picture().size(), views::CurrentTrendStyle()).plot;
    struct Step { const char* name; std::function<void()> act; qint64 start, cursor; bool notified; };
    const Step steps[] = {
        {"left at the first beat", [&] { trend.navigationKey(Qt::Key_Left); }, 0, 0, true},
        {"right", [&] { trend.navigationKey(Qt::Key_Right); }, 0, 1, true},
        {"page down", [&] { trend.navigationKey(Qt::Key_PageDown); }, width, width, true},
        {"home moves nothing", [&] { trend.navigationKey(Qt::Key_Home); }, width, width, true},
        {"page up", [&] { trend.navigationKey(Qt::Key_PageUp); }, 0, width - 1, true},
        {"click", [&] { QTest::mouseClick(&trend, Qt::LeftButton, {}, plot.topLeft() + QPoint(5, 5)); }, 0, 5, true},
        {"click left of the plot", [&] { QTest::mouseClick(&trend, Qt::LeftButton, {}, QPoint(1, 50)); }, 0, 5, false},
        {"scroll bar", [&] { trend.findChild<QScrollBar*>()->setValue(10); }, 10, 10, true},
        {"ECG side on the last beat", [&] { trend.ecgCursorChanged(5000); }, 1000 - width, 999, false},
        {"right at the last beat", [&] { trend.navigationKey(Qt::Key_Right); }, 1000 - width, 999, true},
        {"page down at the end", [&] { trend.navigationKey(Qt::Key_PageDown); }, 1000 - width / 3, 999, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        requested.clear();
        step.act();
        EXPECT_EQ(trend.Window().Start(), step.start);
        EXPECT_EQ(trend.Window().Cursor(), step.cursor);
        EXPECT_EQ(requested.size(), step.notified ? 1 : 0);
        if (step.notified && !requested.empty()) {
            EXPECT_EQ(requested.front().front().toLongLong(), step.cursor);
        }
        const QImage& picture = trend.Picture();
        EXPECT_EQ(picture.pixel(plot.left() + static_cast<int>(step.cursor - step.start), plot.top() + 1),
                  views::kCursorColour.rgb());
    }
}

// The panes wired as the review window wires them: the SpO2 view's cursor
// moves the trend's oximetry place and the trend's keys move the SpO2 view.
TEST(TrendView, FollowsAndLeadsTheSpO2View)
{
    testsupport::TempDir dir;
    viewtest::WriteSpO2(dir.path(), std::vector<archive::SpO2Record>(1000, {96, 70}));
    QWidget window;
    auto* spo = new CSpOWaveView(&window);
    auto* trend = new CTrendView(&window);
    spo->setGeometry(0, 0, 600, 300);
    trend->setGeometry(0, 300, 600, 200);
    QObject::connect(spo, &CSpOWaveView::cursorMoved, trend, &CTrendView::spoWindowChanged);
    QObject::connect(trend, &CTrendView::spoWindowRequested, spo, &CSpOWaveView::setWindow);
    QObject::connect(trend, &CTrendView::heartRateSourceAnnounced, spo, &CSpOWaveView::setHeartRateSource);
    window.show();
    spo->openCase(viewtest::CaseAt(dir.path(), 1));
    trend->openCase(viewtest::CaseAt(dir.path(), 1));
    ASSERT_EQ(spo->HeartRateSource(), views::kSourceSpO2);

    const views::SpOWaveLayout layout = views::LayoutSpOWave(spo->size(), views::CurrentSpOWaveStyle());
    QTest::mouseClick(spo, Qt::LeftButton, {}, QPoint(layout.spo2.left() + 50, layout.spo2.center().y()));
    EXPECT_EQ(trend->Window().Cursor(), 50);
    trend->navigationKey(Qt::Key_Right);
    EXPECT_EQ(spo->Window().Cursor(), 51);
    trend->navigationKey(Qt::Key_PageDown);
    EXPECT_EQ(spo->Window().Start(), trend->Window().Start());
    EXPECT_EQ(spo->Window().Cursor(), trend->Window().Cursor());
}

} // namespace
