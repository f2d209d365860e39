#include "signal/file_io.h"
#include "signal/spo_analysis.h"

#include "file_size_limit.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

void WriteSeries(const std::filesystem::path& path, const std::vector<std::uint16_t>& spo2,
                 const std::vector<std::uint16_t>& pulse = {})
{
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < spo2.size(); ++i) {
        const std::uint16_t rate = i < pulse.size() ? pulse[i] : 70;
        const char record[4] = {static_cast<char>(spo2[i]), static_cast<char>(spo2[i] >> 8),
                                static_cast<char>(rate), static_cast<char>(rate >> 8)};
        out.write(record, 4);
    }
}

// Runs the analysis over a series and returns the analyser for inspection.
struct Analysed {
    testsupport::TempDir dir;
    CSpOAnalysis analysis;
    base::Status status = base::Status::Ok();

    Analysed(const std::vector<std::uint16_t>& spo2, SpOSettings settings = {},
             const std::vector<std::uint16_t>& pulse = {})
        : analysis(settings)
    {
        WriteSeries(dir / "data.spo", spo2, pulse);
        status = analysis.AnalyseFile(dir / "data.spo");
    }
    const std::vector<SpOEvent>& events() const { return analysis.GetEvents(); }
};

// Ten seconds at the baseline, a fall of `depth` points that starts at index 9
// and reaches its nadir `seconds` later, then ten seconds at the baseline.
std::vector<std::uint16_t> Dip(int depth, int seconds, int baseline = 96)
{
    std::vector<std::uint16_t> series(10, static_cast<std::uint16_t>(baseline));
    for (int s = 1; s <= seconds; ++s)
        series.push_back(static_cast<std::uint16_t>(baseline - (depth * s + seconds - 1) / seconds));
    series.insert(series.end(), 10, static_cast<std::uint16_t>(baseline));
    return series;
}

class RecordingProgress final : public AnalysisProgress {
public:
    void SetText(std::string_view caption, std::string_view message) override
    {
        texts = std::string(caption) + "/" + std::string(message);
    }
    void SetPos(int percent) override { positions.push_back(percent); }
    std::string texts;
    std::vector<int> positions;
};

} // namespace

TEST(SpO2Candidates, FallsAreQualifiedByDepthLengthAndRate)
{
    // Defaults: 4 points over 8 s qualifies, over 7 s it does not.
    Analysed eight(Dip(4, 8));
    ASSERT_TRUE(eight.status.ok());
    ASSERT_EQ(eight.events().size(), 1u);
    EXPECT_EQ(eight.events()[0], (SpOEvent{9, 17, 96, 92}));
    EXPECT_TRUE(Analysed(Dip(4, 7)).events().empty());
    EXPECT_TRUE(Analysed(Dip(3, 12)).events().empty());  // too shallow
    EXPECT_TRUE(Analysed(Dip(20, 9)).events().empty());  // more than 2 points per second
    EXPECT_EQ(Analysed(Dip(20, 10)).events().size(), 1u); // exactly 2 per second
    EXPECT_TRUE(Analysed(Dip(10, 181)).events().empty()); // longer than 180 s
    EXPECT_EQ(Analysed(Dip(10, 180)).events().size(), 1u);
}

TEST(SpO2Candidates, LevelBottomBelongsToTheFallAndTheBoundsDoNotOpenOne)
{
    SpOSettings loose;
    loose.Desaturation = 1;
    loose.MinDesatTime = 1;
    Analysed level({97, 96, 95, 95, 95, 96}, loose);
    ASSERT_EQ(level.events().size(), 1u);
    EXPECT_EQ(level.events()[0], (SpOEvent{0, 4, 97, 95}));

    // A fall from 100 (= MaxSpo2) opens at the 99 sample.
    Analysed fromTop({100, 99, 98, 97, 96, 95, 94, 93, 92, 91, 90, 95}, loose);
    ASSERT_EQ(fromTop.events().size(), 1u);
    EXPECT_EQ(fromTop.events()[0], (SpOEvent{1, 10, 99, 90}));

    // An invalid sample closes the candidate; so does a rise.
    Analysed broken({96, 95, 94, 20, 93, 92, 91, 92, 90}, loose);
    ASSERT_EQ(broken.events().size(), 3u);
    EXPECT_EQ(broken.events()[0], (SpOEvent{0, 2, 96, 94}));
    EXPECT_EQ(broken.events()[1], (SpOEvent{4, 6, 93, 91}));
    EXPECT_EQ(broken.events()[2], (SpOEvent{7, 8, 92, 90}));
}

TEST(SpO2Swing, MergesDoubleDipsOnlyWithASwingIndex)
{
    const std::vector<std::uint16_t> doubleDip{96, 95, 94, 93, 92, 91, 90, 91, 92, 91, 90, 89, 88, 87, 86, 90};
    EXPECT_TRUE(Analysed(doubleDip).events().empty()); // 0-6 and 8-14, each 6 s

    SpOSettings swing;
    swing.SwingIndex = 2;
    Analysed merged(doubleDip, swing);
    ASSERT_EQ(merged.events().size(), 1u);
    EXPECT_EQ(merged.events()[0], (SpOEvent{0, 14, 96, 86}));

    swing.SwingIndex = 1; // a recovery of 2 points is too much
    EXPECT_TRUE(Analysed(doubleDip, swing).events().empty());

    // An invalid sample inside the merged span discards the event.
    auto withGap = doubleDip;
    withGap[7] = 30;
    swing.SwingIndex = 2;
    EXPECT_TRUE(Analysed(withGap, swing).events().empty());

    // A single raw candidate is still tested alone.
    swing.SwingIndex = 2;
    EXPECT_EQ(Analysed(Dip(4, 8), swing).events().size(), 1u);
    EXPECT_TRUE(Analysed(Dip(4, 7), swing).events().empty());
}

TEST(SpO2Statistics, BlockFiguresFromSamplesPulsesAndEvents)
{
    // 96 at baseline, one 8-second dip to 84 (94 93 91 90 88 87 85 84), a
    // probe-off stretch and out-of-range values.
    std::vector<std::uint16_t> series = Dip(12, 8);
    series.insert(series.end(), {0, 0, 30, 101, 150});
    std::vector<std::uint16_t> pulse(series.size(), 60);
    pulse[0] = 29;
    pulse[1] = 30;
    pulse[2] = 240;
    pulse[3] = 241;
    Analysed run(series, {}, pulse);
    ASSERT_TRUE(run.status.ok());
    const SpOAnaResult& r = run.analysis.GetResult();
    ASSERT_EQ(run.events().size(), 1u);
    EXPECT_EQ(r.LowestSpo2, 84);
    EXPECT_EQ(r.HighestSpo2, 96);
    EXPECT_EQ(r.ValidSeconds, 28u);              // 0, 30, 101 and 150 are not valid
    EXPECT_EQ(r.Spo2Histogram[95], 20u);
    EXPECT_EQ(r.Spo2Histogram[29], 1u);          // counted although invalid
    EXPECT_EQ(r.Spo2Histogram[99], 0u);
    EXPECT_EQ(r.MinutesBelowLevel, 3.0f * (1.0f / 60.0f)); // 87, 85 and 84
    EXPECT_EQ(r.NadirHistogram[84 / 5], 1u);
    EXPECT_EQ(r.EventsBelowLevel, 1u);
    EXPECT_EQ(r.EventsPerHour, 1.0f / (33.0f * (1.0f / 3600.0f)));
    EXPECT_EQ(r.AverageEventSeconds, 8.0f);
    EXPECT_EQ(r.EventMinutes, 8.0f * (1.0f / 60.0f));
    EXPECT_EQ(r.LowPulseRate, 30);
    float pulseSum = 30.0f + 240.0f + 60.0f * 29;
    EXPECT_EQ(r.AveragePulseRate, pulseSum / 31.0f);

    Analysed noPulse({96, 96}, {}, {0, 300});
    EXPECT_EQ(noPulse.analysis.GetResult().LowPulseRate, 240);
    EXPECT_EQ(noPulse.analysis.GetResult().AveragePulseRate, 0.0f);

    Analysed noneValid({0, 0, 20});
    EXPECT_EQ(noneValid.analysis.GetResult().AverageSpo2, 0.0f);
    EXPECT_EQ(noneValid.analysis.GetResult().LowestSpo2, 100);
    EXPECT_EQ(noneValid.analysis.GetResult().ValidSeconds, 0u);
}

TEST(SpO2Statistics, EventEndingAtOneHundredIsNotInTheNadirHistogram)
{
    SpOSettings wide;
    wide.MaxSpo2 = 130;
    Analysed run(Dip(8, 8, 108), wide);
    ASSERT_EQ(run.events().size(), 1u);
    EXPECT_EQ(run.events()[0].EndSpo2, 100u);
    const SpOAnaResult& r = run.analysis.GetResult();
    for (std::uint32_t count : r.NadirHistogram)
        EXPECT_EQ(count, 0u);
    EXPECT_EQ(r.EventsBelowLevel, 0u);
}

TEST(SpO2File, ShortInputsFailAndLeaveTheResetBlock)
{
    testsupport::TempDir dir;
    CSpOAnalysis analysis;
    EXPECT_FALSE(analysis.AnalyseFile({}).ok());
    EXPECT_FALSE(analysis.AnalyseFile(dir / "missing.spo").ok());
    std::ofstream(dir / "three.spo", std::ios::binary).write("\x60\x00\x46", 3);
    EXPECT_FALSE(analysis.AnalyseFile(dir / "three.spo").ok());
    EXPECT_EQ(analysis.GetResult(), SpOAnaResult{});
    EXPECT_EQ(analysis.GetResult().LowestSpo2, 100);

    // One record (4 bytes, plus a stray byte) is a whole recording.
    std::ofstream(dir / "one.spo", std::ios::binary).write("\x60\x00\x46\x00\x01", 5);
    ASSERT_TRUE(analysis.AnalyseFile(dir / "one.spo").ok());
    EXPECT_EQ(analysis.GetResult().ValidSeconds, 1u);
    EXPECT_EQ(analysis.GetResult().AverageSpo2, 96.0f);
    EXPECT_EQ(analysis.GetResult().LowPulseRate, 70);
    EXPECT_TRUE(analysis.GetEvents().empty());
}

TEST(SpO2File, ResultFileRoundTripPartialEventsAndFailedWrites)
{
    testsupport::TempDir dir;
    Analysed run(Dip(6, 10));
    ASSERT_TRUE(run.analysis.SaveResult(dir / "ana.spo").ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "ana.spo"), 528u + 16u);

    SpOAnaResult loaded;
    std::vector<SpOEvent> events;
    ASSERT_TRUE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(loaded, run.analysis.GetResult());
    EXPECT_EQ(events, run.events());

    std::ofstream(dir / "ana.spo", std::ios::binary | std::ios::app).write("12345", 5);
    ASSERT_TRUE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(events.size(), 1u); // the partial record is ignored

    std::filesystem::resize_file(dir / "ana.spo", 527);
    EXPECT_FALSE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(loaded, SpOAnaResult{});
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(LoadSpOResult({}, loaded, events).ok());

    // A write that cannot complete keeps the previous file.
    const auto previous = ReadWholeFile(dir / "ana.spo");
    {
        const FileSizeLimit fullDisk(16);
        ASSERT_TRUE(fullDisk.active());
        EXPECT_FALSE(run.analysis.SaveResult(dir / "ana.spo").ok());
    }
    EXPECT_EQ(ReadWholeFile(dir / "ana.spo"), previous);
    EXPECT_FALSE(run.analysis.SaveResult({}).ok());
}

TEST(SpO2File, ProgressRunsFromZeroToOneHundredWithTheAnalysisTexts)
{
    testsupport::TempDir dir;
    WriteSeries(dir / "data.spo", std::vector<std::uint16_t>(500, 95));
    RecordingProgress progress;
    CSpOAnalysis analysis({}, &progress);
    ASSERT_TRUE(analysis.AnalyseFile(dir / "data.spo").ok());
    EXPECT_EQ(progress.texts, "IDS_STR_ANALYZE/IDS_STR_ANA_SPO");
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 100);
    for (std::size_t i = 1; i < progress.positions.size(); ++i)
        EXPECT_GT(progress.positions[i], progress.positions[i - 1]);

    // Repeating the analysis gives the same result.
    const SpOAnaResult first = analysis.GetResult();
    ASSERT_TRUE(analysis.AnalyseFile(dir / "data.spo").ok());
    EXPECT_EQ(analysis.GetResult(), first);
}
