#include "views/beat_detection_run.h"
#include "views/ecg_page.h"

#include "child_process.h"
#include "temp_dir.h"
#include "test_data.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace views::ecg;
using testsupport::TempDir;

namespace {

testsupport::ChildRun Strip(const std::vector<std::string>& arguments)
{
    return testsupport::RunChild(TAVO_STRIP_EXE, arguments);
}

} // namespace

TEST(StripTool, WritesTheEcgPageTheWindowDraws)
{
    TempDir dir;
    ASSERT_TRUE(testsupport::CopyRequiredFile(testsupport::TestDataDir() / "ecg-records/100/data.ecg",
                                              dir / "case/data.ecg"));
    const std::string png = (dir / "strip.png").string();
    const testsupport::ChildRun run = Strip({(dir / "case").string(), "--view", "ecg", "--at", "0", "--size",
                                             "800x300", "-o", png, "--speed", "50", "--gain", "20"});
    ASSERT_EQ(run.exitCode, 0) << run.output();
    EXPECT_FALSE(std::filesystem::exists(dir / "case/qrs.ecg")) << "the case folder is only read";

    const QImage strip(QString::fromStdString(png));
    ASSERT_EQ(strip.size(), QSize(800, 300));
    const QRect area = ComputeLayout(strip.size(), false).waveArea;
    EXPECT_EQ(strip.pixel(area.left() + 20, area.top() + 2), kGridColour);
    EXPECT_EQ(strip.pixel(area.left() + 21, area.top() + 2), kBackground);
    for (int band = area.left(); band + 40 <= area.right(); band += 40) {
        bool traced = false;
        for (int x = band; x < band + 40 && !traced; ++x)
            for (int y = area.top() + 5; y <= area.bottom() - 5 && !traced; ++y)
                traced = strip.pixel(x, y) == kTraceColour;
        EXPECT_TRUE(traced) << "no trace in the columns from " << band;
    }

    // The same page drawn here, beat 0 marked as the window marks it after
    // detecting the beats (first-run settings) on opening the case.
    ASSERT_TRUE(views::DetectCaseBeats(dir / "case", EcgSettings{}, nullptr).status.ok());
    const EcgPage page{{dir / "case", QDateTime(QDate(2000, 1, 1), QTime(0, 0)), 0}, 0, 3, 2, 0, true};
    EXPECT_TRUE(RenderPage(page, strip.size()) == strip.convertToFormat(QImage::Format_RGB32));
}

TEST(StripTool, RefusesWithOneLineAndItsExitStatus)
{
    TempDir dir;
    testsupport::WriteBytes(dir / "empty/data.ecg", {});
    testsupport::WriteBytes(dir / "short/data.ecg", std::vector<std::uint8_t>(400, 8)); // 1 s
    const std::string out = (dir / "out.png").string();
    const struct {
        std::string name;
        std::vector<std::string> arguments;
        int exitCode;
    } cases[] = {
        {"missing folder", {(dir / "none").string(), "--view", "ecg", "-o", out}, 1},
        {"empty recording", {(dir / "empty").string(), "--view", "ecg", "-o", out}, 1},
        {"no data.spo", {(dir / "short").string(), "--view", "spo2", "-o", out}, 1},
        {"time past the end", {(dir / "short").string(), "--view", "trend", "--at", "1", "-o", out}, 1},
        {"unwritable output", {(dir / "short").string(), "--view", "ecg", "-o", (dir / "no/out.png").string()}, 1},
        {"speed", {(dir / "short").string(), "--view", "ecg", "--speed", "30", "-o", out}, 2},
        {"gain", {(dir / "short").string(), "--view", "ecg", "--gain", "15", "-o", out}, 2},
        {"size", {(dir / "short").string(), "--view", "ecg", "--size", "800", "-o", out}, 2},
        {"view", {(dir / "short").string(), "--view", "pleth", "-o", out}, 2},
        {"no output", {(dir / "short").string(), "--view", "ecg"}, 2},
    };
    for (const auto& c : cases) {
        const testsupport::ChildRun run = Strip(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(testsupport::Lines(run.err).size(), 1u) << c.name << ": " << run.err;
        EXPECT_EQ(run.err.rfind("tavo-strip: ", 0), 0u) << c.name << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.name;
    }
}
