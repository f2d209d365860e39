#include "signal/spo_analysis.h"

#include "file_size_limit.h"
#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <tuple>

namespace {

using Series = std::vector<std::uint16_t>;

// "data.spo": SpO2 and pulse rate per second, 16-bit little-endian each.
void WriteSeries(const std::filesystem::path& path, const Series& spo2, const Series& pulse = {})
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < spo2.size(); ++i) {
        const std::uint16_t rate = i < pulse.size() ? pulse[i] : 70;
        for (std::uint16_t word : {spo2[i], rate})
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
    }
    testsupport::WriteBytes(path, bytes);
}

// Runs the analysis over a series and keeps the analyser for inspection.
struct Analysed {
    testsupport::TempDir dir;
    CSpOAnalysis analysis;
    base::Status status = base::Status::Ok();

    Analysed(const Series& spo2, SpOSettings settings = {}, const Series& pulse = {}) : analysis(settings)
    {
        WriteSeries(dir / "data.spo", spo2, pulse);
        status = analysis.AnalyseFile(dir / "data.spo");
    }
    const std::vector<SpOEvent>& events() const { return analysis.GetEvents(); }
    const SpOAnaResult& result() const { return analysis.GetResult(); }
};

// Ten seconds at the baseline, a fall of `depth` points that starts at index 9
// and reaches its nadir `seconds` later, then ten seconds at the baseline.
Series Dip(int depth, int seconds, int baseline = 96)
{
    Series series(10, static_cast<std::uint16_t>(baseline));
    for (int s = 1; s <= seconds; ++s)
        series.push_back(static_cast<std::uint16_t>(baseline - (depth * s + seconds - 1) / seconds));
    series.insert(series.end(), 10, static_cast<std::uint16_t>(baseline));
    return series;
}

const SpOSettings kLoose{.Desaturation = 1, .MinDesatTime = 1};
const SpOSettings kSwing2{.SwingIndex = 2};
const Series kDoubleDip{96, 95, 94, 93, 92, 91, 90, 91, 92, 91, 90, 89, 88, 87, 86, 90}; // 0-6 and 8-14, 6 s each

Series WithInvalidAt7(Series series)
{
    series[7] = 30;
    return series;
}

struct EventCase {
    const char* name;
    Series spo2;
    SpOSettings settings;
    std::vector<SpOEvent> events;
};

const EventCase kEventCases[] = {
    // First-run settings: at least 4 points, 8 to 180 s, at most 2 points a second.
    {"4 points over 8 s", Dip(4, 8), {}, {{9, 17, 96, 92}}},
    {"over 7 s", Dip(4, 7), {}, {}},
    {"too shallow", Dip(3, 12), {}, {}},
    {"more than 2 points a second", Dip(20, 9), {}, {}},
    {"exactly 2 points a second", Dip(20, 10), {}, {{9, 19, 96, 76}}},
    {"longer than 180 s", Dip(10, 181), {}, {}},
    {"180 s", Dip(10, 180), {}, {{9, 189, 96, 86}}},
    {"a level bottom belongs to the fall", {97, 96, 95, 95, 95, 96}, kLoose, {{0, 4, 97, 95}}},
    {"a fall from 100 (the upper bound) opens at 99", {100, 99, 98, 97, 96, 95, 94, 93, 92, 91, 90, 95}, kLoose,
     {{1, 10, 99, 90}}},
    {"an invalid sample closes the fall, so does a rise", {96, 95, 94, 20, 93, 92, 91, 92, 90}, kLoose,
     {{0, 2, 96, 94}, {4, 6, 93, 91}, {7, 8, 92, 90}}},
    {"a double dip without a swing index", kDoubleDip, {}, {}},
    {"a double dip merged by a swing index of 2", kDoubleDip, kSwing2, {{0, 14, 96, 86}}},
    {"a recovery of 2 points is too much for a swing index of 1", kDoubleDip, {.SwingIndex = 1}, {}},
    {"an invalid sample inside the merged span", WithInvalidAt7(kDoubleDip), kSwing2, {}},
    {"a single fall with a swing index", Dip(4, 8), kSwing2, {{9, 17, 96, 92}}},
    {"a single short fall with a swing index", Dip(4, 7), kSwing2, {}},
};

} // namespace

TEST(SpO2Events, FallsQualifiedByDepthLengthRateAndMergedBySwing)
{
    for (const EventCase& c : kEventCases) {
        SCOPED_TRACE(c.name);
        const Analysed run(c.spo2, c.settings);
        ASSERT_TRUE(run.status.ok());
        EXPECT_EQ(run.events(), c.events);
    }
}

TEST(SpO2Statistics, BlockFiguresFromSamplesPulsesAndEvents)
{
    // 96 at baseline, one 8-second dip to 84 (94 93 91 90 88 87 85 84), a
    // probe-off stretch and out-of-range values.
    Series series = Dip(12, 8);
    series.insert(series.end(), {0, 0, 30, 101, 150});
    Series pulse{29, 30, 240, 241};
    pulse.resize(series.size(), 60);
    const Analysed run(series, {}, pulse);
    ASSERT_TRUE(run.status.ok());
    ASSERT_EQ(run.events().size(), 1u);
    const SpOAnaResult& r = run.result();
    EXPECT_EQ(std::tuple(r.LowestSpo2, r.HighestSpo2, r.ValidSeconds), std::tuple(84, 96, 28u)); // not 0, 30, 101, 150
    EXPECT_EQ(r.Spo2Histogram[95], 20u);
    EXPECT_EQ(r.Spo2Histogram[29], 1u); // counted although invalid
    EXPECT_EQ(r.Spo2Histogram[99], 0u);
    EXPECT_FLOAT_EQ(r.MinutesBelowLevel * 60, 3); // 87, 85 and 84
    EXPECT_EQ(r.NadirHistogram[84 / 5], 1u);
    EXPECT_EQ(r.EventsBelowLevel, 1u);
    EXPECT_EQ(r.AverageEventSeconds, 8.0f);
    EXPECT_EQ(r.LowPulseRate, 30); // 30 to 240 are valid
    EXPECT_FLOAT_EQ(r.AveragePulseRate, (30 + 240 + 60 * 29) / 31.0f);

    const Analysed noPulse({96, 96}, {}, {0, 300});
    EXPECT_EQ(std::tuple(noPulse.result().LowPulseRate, noPulse.result().AveragePulseRate), std::tuple(240, 0.0f));
    const Analysed noneValid({0, 0, 20});
    EXPECT_EQ(std::tuple(noneValid.result().AverageSpo2, noneValid.result().LowestSpo2, noneValid.result().ValidSeconds),
              std::tuple(0.0f, 100, 0u));

    // An event ending at 100 (with a wider valid range) is in no nadir class.
    const Analysed high(Dip(8, 8, 108), {.MaxSpo2 = 130});
    ASSERT_EQ(high.events().size(), 1u);
    EXPECT_EQ(high.events()[0].EndSpo2, 100u);
    EXPECT_EQ(high.result().NadirHistogram, (std::array<std::uint32_t, 20>{}));
    EXPECT_EQ(high.result().EventsBelowLevel, 0u);
}

TEST(SpO2File, ShortInputsFailAndLeaveTheResetBlock)
{
    testsupport::TempDir dir;
    CSpOAnalysis analysis;
    EXPECT_FALSE(analysis.AnalyseFile({}).ok());
    EXPECT_FALSE(analysis.AnalyseFile(dir / "missing.spo").ok());
    testsupport::WriteBytes(dir / "three.spo", {0x60, 0, 0x46});
    EXPECT_FALSE(analysis.AnalyseFile(dir / "three.spo").ok());
    EXPECT_EQ(analysis.GetResult(), SpOAnaResult{});

    // One record (4 bytes, plus a stray byte) is a whole recording.
    testsupport::WriteBytes(dir / "one.spo", {0x60, 0, 0x46, 0, 1});
    ASSERT_TRUE(analysis.AnalyseFile(dir / "one.spo").ok());
    const SpOAnaResult& r = analysis.GetResult();
    EXPECT_EQ(std::tuple(r.ValidSeconds, r.AverageSpo2, r.LowPulseRate), std::tuple(1u, 96.0f, 70));
    EXPECT_TRUE(analysis.GetEvents().empty());
}

TEST(SpO2File, ResultFileRoundTripPartialEventsAndFailedWrites)
{
    testsupport::TempDir dir;
    const Analysed run(Dip(6, 10));
    ASSERT_TRUE(run.analysis.SaveResult(dir / "ana.spo").ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "ana.spo"), kSpOResultBytes + kSpOEventBytes);

    SpOAnaResult loaded;
    std::vector<SpOEvent> events;
    ASSERT_TRUE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(loaded, run.result());
    EXPECT_EQ(events, run.events());

    std::filesystem::resize_file(dir / "ana.spo", kSpOResultBytes + kSpOEventBytes + 5);
    ASSERT_TRUE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(events.size(), 1u); // the partial record is ignored

    std::filesystem::resize_file(dir / "ana.spo", kSpOResultBytes - 1);
    EXPECT_FALSE(LoadSpOResult(dir / "ana.spo", loaded, events).ok());
    EXPECT_EQ(loaded, SpOAnaResult{});
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(LoadSpOResult({}, loaded, events).ok());

    // A write that cannot complete keeps the previous file.
    const auto previous = testsupport::ReadBytes(dir / "ana.spo");
    {
        const FileSizeLimit fullDisk(16);
        ASSERT_TRUE(fullDisk.active());
        EXPECT_FALSE(run.analysis.SaveResult(dir / "ana.spo").ok());
    }
    EXPECT_EQ(testsupport::ReadBytes(dir / "ana.spo"), previous);
    EXPECT_FALSE(run.analysis.SaveResult({}).ok());
}

TEST(SpO2File, ProgressRunsFromZeroToOneHundredWithTheAnalysisTexts)
{
    struct : AnalysisProgress {
        void SetText(std::string_view caption, std::string_view message) override
        {
            texts = std::string(caption) + "/" + std::string(message);
        }
        void SetPos(int percent) override { positions.push_back(percent); }
        std::string texts;
        std::vector<int> positions;
    } progress;
    testsupport::TempDir dir;
    WriteSeries(dir / "data.spo", Series(500, 95));
    CSpOAnalysis analysis({}, &progress);
    ASSERT_TRUE(analysis.AnalyseFile(dir / "data.spo").ok());
    EXPECT_EQ(progress.texts, "IDS_STR_ANALYZE/IDS_STR_ANA_SPO");
    const auto& p = progress.positions;
    EXPECT_TRUE(p.size() > 1 && p.front() == 0 && p.back() == 100
                && std::adjacent_find(p.begin(), p.end(), std::greater_equal<>()) == p.end())
        << testing::PrintToString(p);

    // Repeating the analysis gives the same result.
    const SpOAnaResult first = analysis.GetResult();
    ASSERT_TRUE(analysis.AnalyseFile(dir / "data.spo").ok());
    EXPECT_EQ(analysis.GetResult(), first);
}
