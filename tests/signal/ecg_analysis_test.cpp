#include "ecg_signals.h"

#include "file_size_limit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::uint16_t> RunFilters(EcgSettings settings, std::vector<std::uint16_t> samples)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis(settings);
    EXPECT_TRUE(analysis.Init(1, 0, dir.path(), false).ok());
    for (std::uint16_t& value : samples)
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
    return samples;
}

} // namespace

TEST(EcgFilters, NotchCancelsFiftyHertzOnlyWhenSwitchedOn)
{
    // 50 Hz at 200 samples per second: four samples per period.
    std::vector<std::uint16_t> hum;
    for (int n = 0; n < 400; ++n)
        hum.push_back(static_cast<std::uint16_t>(2048 + std::lround(100 * std::sin(2 * M_PI * 50 * n / 200.0))));
    std::vector<std::uint16_t> cancelled(400, 2048);
    cancelled[1] = hum[1]; // the first two samples pass unchanged
    EXPECT_EQ(RunFilters(EcgSettings{1}, hum), cancelled);
    EXPECT_EQ(RunFilters(EcgSettings{0}, hum), hum);
}

TEST(EcgFilters, BaselineFollowsAnOffsetAndRemovesIt)
{
    const auto out = RunFilters(EcgSettings{0}, std::vector<std::uint16_t>(3000, 2548));
    // First sample: base = (399 x 2048 + 2548) / 400 - 2048 = 1, so the tracked offset becomes 1.
    EXPECT_EQ(out[0], 2547);
    // The tracked offset moves at least one unit per sample and never overshoots.
    EXPECT_TRUE(std::is_sorted(out.rbegin(), out.rend()));
    EXPECT_EQ(out.back(), 2048);
}

TEST(EcgDetector, ConstantInputGivesNoBeatAndNoRate)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis;
    ASSERT_TRUE(analysis.Init(1, 0, dir.path(), false).ok());
    EXPECT_TRUE(Feed(analysis, FlatLine(33)).empty());
    EXPECT_EQ(analysis.GetHeartRate(), 60); // until the first step
    EXPECT_EQ(Feed(analysis, FlatLine(20 * 200)).back().second, 0);
    EXPECT_EQ(analysis.BeatCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "qrs.ecg")); // written only with the first beat
}

TEST(EcgDetector, CrossingWithinRefractoryTimeExtendsThePreviousBeat)
{
    // Pairs of spikes: up to 32 samples apart the second one crosses less than
    // 36 samples after the first onset and is merged; from 34 on it is a beat.
    for (const int gap : {20, 26, 32, 34, 40}) {
        SCOPED_TRACE(gap);
        auto signal = FlatLine(6400);
        for (std::int64_t at = 300; at < 6000; at += 300) {
            AddSpike(signal, at);
            AddSpike(signal, at + gap);
        }
        const auto beats = AnalyseWholeFile(signal).beats;
        const bool merged = gap < 34;
        ASSERT_EQ(beats.size(), merged ? 19u : 38u);
        // Merged, the first spike stays the R wave and the end is recomputed over both.
        for (std::size_t k = 0; k < beats.size(); ++k) {
            const QrsRecord& b = beats[k];
            EXPECT_TRUE(merged ? (b.Peak - 1) % 300 == 0 && b.End >= b.Peak + gap
                                     && b.QrsWidth == static_cast<std::int16_t>(b.End - b.Onset)
                               : k % 2 == 0 || b.RRInterval == gap)
                << k;
        }
    }
}

TEST(EcgDetector, OverlongComplexIsDroppedAndMarksTheNextBeatNoisy)
{
    auto signal = SpikeTrain(8000, 300, 300);
    // 60 samples of square-wave artefact: its energy stays up for more than 54 samples.
    for (int k = 0; k < 60; ++k)
        signal[1650 + k] = static_cast<std::uint16_t>(signal[1650 + k] + ((k / 3) % 2 ? 200 : 0));
    const auto beats = AnalyseLive(signal).beats;
    ASSERT_GE(beats.size(), 8u);
    EXPECT_EQ(std::tuple(beats[4].Peak, beats[5].Peak), std::tuple(1501u, 1801u)); // no beat for the artefact
    EXPECT_EQ(std::tuple(beats[5].NoiseCount, beats[5].BeatClass), std::tuple(2, kBeatUnclassified));
    EXPECT_EQ(std::tuple(beats[6].NoiseCount, beats[6].BeatClass), std::tuple(0, kBeatNormal));
}

TEST(EcgDetector, LiveClassesForWidePrematureAndPausedBeats)
{
    auto signal = FlatLine(40000);
    for (std::int64_t at : {300, 460, 620, 780, 940, 1040, 1200, 1360, 1900, 2060, 2220, 2380, 2760, 2920, 3080,
                            10000 /* 35 s pause */, 10160, 10320, 10480})
        AddSpike(signal, at);
    AddSpike(signal, 2600, 15); // wide complex
    const auto live = AnalyseLive(signal).beats;
    ASSERT_EQ(live.size(), 20u);
    EXPECT_EQ(live[4].BeatClass, kBeatNormal);
    // 100 / 160 = 62 % and at most 120 samples: premature; above 400 samples: pause.
    EXPECT_EQ(std::tuple(live[5].RRInterval, live[5].BeatClass), std::tuple(100, kBeatPremature));
    EXPECT_EQ(std::tuple(live[8].RRInterval, live[8].BeatClass), std::tuple(540, kBeatPause));
    EXPECT_EQ(std::tuple(live[16].RRInterval, live[16].BeatClass), std::tuple(6920, kBeatPause));
    EXPECT_GT(live[12].QrsWidth, 24); // above 120 ms: wide
    EXPECT_EQ(live[12].BeatClass, kBeatWide);

    // The revision pass turns the pause above 30 s into a long pause and
    // leaves the pause below it.
    const auto revised = AnalyseWholeFile(signal).beats;
    ASSERT_EQ(revised.size(), 20u);
    EXPECT_EQ(revised[8].BeatClass, kBeatPause);
    EXPECT_EQ(revised[16].BeatClass, kBeatLongPause);
}

TEST(EcgDetector, IntervalAndRatioCaps)
{
    auto signal = FlatLine(40000);
    // 60 samples: a short interval to divide by; then 193 s: above 32767 samples.
    for (std::int64_t at : {300, 360, 39000, 39200, 39400})
        AddSpike(signal, at);
    const auto live = AnalyseLive(signal).beats;
    ASSERT_GE(live.size(), 4u);
    // 32767 x 100 / 60 capped; 200 x 100 / 32767 = 0 raised to 1.
    EXPECT_EQ(std::tuple(live[1].RRInterval, live[2].RRInterval, live[2].RRRatio, live[3].RRRatio),
              std::tuple(60, 32767, 32767, 1));
}

TEST(EcgDetector, HeartRateFollowsTheBeatsAndDropsAfterSevenSeconds)
{
    auto signal = SpikeTrain(12000, 300, 200); // 60 bpm for the first 30 s
    std::fill(signal.begin() + 6200, signal.end(), 2048);
    // The last beat's peak is at 6101; the rate drops 1400 samples later plus the 13-sample lag.
    for (const auto& [sample, rate] : AnalyseLive(signal).steps) {
        if ((sample >= 2000 && sample < 6000) || sample > 6101 + 1400 + 13) {
            EXPECT_EQ(rate, sample < 6000 ? 60 : 0) << sample;
        }
    }
}

TEST(EcgDetector, SeveralChannelsSearchTheRWaveFromTheLeadOn)
{
    testsupport::TempDir unused;
    CECGAnalysis refusing;
    for (const auto& [channels, lead] : {std::pair(0, 0), std::pair(CECGAnalysis::kMaxChannels + 1, 0), std::pair(2, 2)})
        EXPECT_FALSE(refusing.Init(channels, lead, unused.path(), false).ok()) << channels << " channels, lead " << lead;

    const auto spikes = SpikeTrain(4000, 300, 150);
    for (const int lead : {0, 1}) {
        SCOPED_TRACE(lead);
        testsupport::TempDir dir;
        CECGAnalysis analysis;
        ASSERT_TRUE(analysis.Init(2, lead, dir.path(), true).ok());
        // Channel 0 carries the beats, channel 1 is a flat line: the flat
        // lead is passed over and the R wave taken from channel 0.
        for (std::uint16_t value : spikes) {
            std::array<std::uint16_t, 2> frame{value, 2048};
            analysis.ProcessSample(frame);
        }
        const auto beats = ReadBeats(dir.path());
        ASSERT_EQ(beats.size(), 25u);
        for (std::size_t k = 0; k < beats.size(); ++k)
            EXPECT_EQ(beats[k].Peak, 301u + 150 * k);
    }
}

TEST(EcgFile, FailuresKeepThePreviousBeatFile)
{
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> previous(56, 7);
    testsupport::WriteBytes(dir / "qrs.ecg", previous);
    CECGAnalysis analysis;
    EXPECT_FALSE(analysis.ProcessFile(dir.path()).status.ok()); // no data.ecg
    testsupport::WriteBytes(dir / "data.ecg", {});
    EXPECT_FALSE(analysis.ProcessFile(dir.path()).status.ok());
    EXPECT_EQ(testsupport::ReadBytes(dir / "qrs.ecg"), previous);

    // A new file that cannot be written whole (a full disk) or at all (a
    // read-only folder) fails the run and keeps the old file.
    testsupport::WriteBytes(dir / "data.ecg", EcgBytes(SpikeTrain(4000, 300, 150)));
    {
        const FileSizeLimit fullDisk(16);
        ASSERT_TRUE(fullDisk.active());
        EXPECT_FALSE(analysis.ProcessFile(dir.path()).status.ok());
    }
    EXPECT_EQ(testsupport::ReadBytes(dir / "qrs.ecg"), previous);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const bool readOnly = ::access(dir.path().c_str(), W_OK) != 0; // root ignores permissions
    const EcgFileResult inReadOnlyFolder = analysis.ProcessFile(dir.path());
    ::chmod(dir.path().c_str(), 0755);
    if (readOnly) {
        EXPECT_FALSE(inReadOnlyFolder.status.ok());
        EXPECT_EQ(testsupport::ReadBytes(dir / "qrs.ecg"), previous);
    }

    // Links planted at the old temporary name or at the file itself are
    // replaced, never followed: the file they point at stays untouched.
    testsupport::TempDir outside;
    const std::vector<std::uint8_t> victim(9, 'v');
    testsupport::WriteBytes(outside / "victim", victim);
    std::filesystem::create_symlink(outside / "victim", dir / "qrs.ecg.new");
    std::filesystem::remove(dir / "qrs.ecg");
    std::filesystem::create_symlink(outside / "victim", dir / "qrs.ecg");
    EXPECT_TRUE(analysis.ProcessFile(dir.path()).status.ok());
    EXPECT_EQ(testsupport::ReadBytes(outside / "victim"), victim);
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "qrs.ecg"));
    EXPECT_EQ(testsupport::ReadBytes(dir / "qrs.ecg").size(), 25 * kQrsRecordBytes);
    // No temporary file is left behind: data.ecg, qrs.ecg and the planted link.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(EcgFile, PlantedFifosAreRefusedNotWaitedOn)
{
    testsupport::TempDir dir;
    for (const char* name : {"data.ecg", "qrs.ecg"})
        ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0) << name;
    CECGAnalysis analysis;
    EXPECT_FALSE(analysis.ProcessFile(dir.path()).status.ok());
    EXPECT_FALSE(analysis.Init(1, 0, dir.path(), true).ok()); // live recording empties qrs.ecg first
}

TEST(EcgFile, OddLengthOutOfRangeAndSaturatedInputAreAnalysedSafely)
{
    testsupport::TempDir dir;
    auto bytes = EcgBytes(SpikeTrain(4000, 300, 150));
    bytes.push_back(1);
    testsupport::WriteBytes(dir / "data.ecg", bytes);
    CECGAnalysis analysis;
    const EcgFileResult odd = analysis.ProcessFile(dir.path());
    ASSERT_TRUE(odd.status.ok());
    EXPECT_EQ(std::tuple(odd.samples, odd.ignoredBytes, odd.beats), std::tuple(4000u, 1u, 25u));

    for (const std::uint16_t level : {std::uint16_t{0}, std::uint16_t{4095}, std::uint16_t{65535}}) {
        SCOPED_TRACE(level);
        testsupport::WriteBytes(dir / "data.ecg", EcgBytes(std::vector<std::uint16_t>(3000, level)));
        const EcgFileResult flat = analysis.ProcessFile(dir.path());
        ASSERT_TRUE(flat.status.ok());
        EXPECT_EQ(flat.outOfRangeSamples, level > 4095 ? 3000u : 0u);
        EXPECT_EQ(testsupport::ReadBytes(dir / "qrs.ecg").size(), flat.beats * kQrsRecordBytes);
    }
}

TEST(EcgFile, LiveBeatsReachTheFileAsSoonAsTheyAreClassified)
{
    testsupport::TempDir dir;
    const auto signal = SpikeTrain(2000, 300, 150);
    CECGAnalysis analysis;
    ASSERT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
    std::uintmax_t lastSize = 0;
    int growths = 0;
    for (std::uint16_t value : signal) {
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
        if (const auto size = std::filesystem::file_size(dir / "qrs.ecg"); size != lastSize) {
            EXPECT_EQ(size, lastSize + kQrsRecordBytes); // one record at a time
            lastSize = size;
            ++growths;
        }
    }
    EXPECT_EQ(growths, 12);
    EXPECT_TRUE(analysis.LastRecordWrite().ok());

    // A record that cannot be written is skipped and detection goes on.
    testsupport::TempDir blocked;
    std::filesystem::create_directory(blocked / "qrs.ecg");
    EXPECT_FALSE(analysis.Init(1, 0, blocked.path(), true).ok());
    ASSERT_TRUE(analysis.Init(1, 0, blocked.path(), false).ok());
    Feed(analysis, signal);
    EXPECT_EQ(analysis.BeatCount(), 12u);
    EXPECT_FALSE(analysis.LastRecordWrite().ok());
}
