#include "base/atomic_file.h"
#include "ecg_signals.h"

#include "file_size_limit.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::uint16_t> RunFilters(EcgSettings settings, const std::vector<std::uint16_t>& input)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis(settings);
    EXPECT_TRUE(analysis.Init(1, 0, dir.path(), false).ok());
    std::vector<std::uint16_t> output = input;
    for (std::uint16_t& value : output)
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
    return output;
}

} // namespace

TEST(EcgFilters, NotchCancelsFiftyHertzOnlyWhenSwitchedOn)
{
    // 50 Hz at 200 samples per second: four samples per period.
    std::vector<std::uint16_t> hum;
    for (int n = 0; n < 400; ++n)
        hum.push_back(static_cast<std::uint16_t>(2048 + std::lround(100 * std::sin(2 * M_PI * 50 * n / 200.0))));

    const auto on = RunFilters(EcgSettings{1}, hum);
    EXPECT_EQ(on[0], hum[0]);
    EXPECT_EQ(on[1], hum[1]); // the first two samples pass unchanged
    for (std::size_t n = 2; n < on.size(); ++n)
        ASSERT_EQ(on[n], 2048) << n;

    const auto off = RunFilters(EcgSettings{0}, hum);
    EXPECT_EQ(off, hum);
}

TEST(EcgFilters, BaselineFollowsAnOffsetAndRemovesIt)
{
    const std::vector<std::uint16_t> raised(3000, 2548);
    const auto out = RunFilters(EcgSettings{0}, raised);
    // First sample: base = (399 x 2048 + 2548) / 400 - 2048 = 1, so the tracked offset becomes 1.
    EXPECT_EQ(out[0], 2547);
    // The tracked offset moves at least one unit per sample and never overshoots.
    for (std::size_t n = 1; n < out.size(); ++n)
        ASSERT_LE(out[n], out[n - 1]) << n;
    EXPECT_EQ(out.back(), 2048);
}

TEST(EcgDetector, ConstantInputGivesNoBeatAndNoRate)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis;
    ASSERT_TRUE(analysis.Init(1, 0, dir.path(), false).ok());
    EXPECT_EQ(analysis.GetHeartRate(), 60);
    int steps = 0;
    for (int n = 0; n < 20 * 200; ++n) {
        std::uint16_t value = 2048;
        const bool step = analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
        if (n < 33) {
            EXPECT_FALSE(step);
            EXPECT_EQ(analysis.GetHeartRate(), 60) << n; // until the first step
        }
        if (step) {
            EXPECT_EQ((n - 33) % 200, 0) << n; // once per second from sample 33 on
            ++steps;
        }
        if (n >= 33) {
            EXPECT_EQ(analysis.GetHeartRate(), 0);
        }
    }
    EXPECT_EQ(steps, 20);
    EXPECT_EQ(analysis.BeatCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "qrs.ecg")); // written only with the first beat
}

TEST(EcgDetector, RegularBeatsGiveTheirIntervalsRatiosAndRate)
{
    testsupport::TempDir dir;
    WriteSamples(dir / "data.ecg", SpikeTrain(6400, 300, 150));
    CECGAnalysis analysis;
    const EcgFileResult result = analysis.ProcessFile(dir.path());
    ASSERT_TRUE(result.status.ok());
    const auto beats = ReadBeats(dir.path());
    ASSERT_EQ(beats.size(), 41u);
    EXPECT_EQ(result.beats, 41u);
    // The notch delays by one sample: the R wave of the spike at 300 is at 301.
    EXPECT_EQ(beats[0].Peak, 301u);
    EXPECT_EQ(beats[0].RRInterval, 301); // the first beat measures from 0
    EXPECT_EQ(beats[0].RRRatio, 100);
    EXPECT_EQ(beats[1].RRRatio, 150 * 100 / 301);
    for (std::size_t k = 1; k < beats.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(beats[k].Peak, 301u + 150 * k);
        EXPECT_EQ(beats[k].RRInterval, 150);
        EXPECT_LT(beats[k].Onset, beats[k].Peak);
        EXPECT_GT(beats[k].End, beats[k].Peak);
        EXPECT_EQ(beats[k].QrsWidth, static_cast<std::int16_t>(beats[k].End - beats[k].Onset));
        EXPECT_EQ(beats[k].BeatClass, kBeatNormal);
        EXPECT_EQ(beats[k].NoiseCount, 0);
        if (k >= 2) {
            EXPECT_EQ(beats[k].RRRatio, 100);
        }
    }
    EXPECT_EQ(result.minHeartRate, 80);
    EXPECT_EQ(result.maxHeartRate, 80);
}

TEST(EcgDetector, CrossingWithinRefractoryTimeExtendsThePreviousBeat)
{
    // Pairs of spikes: up to 32 samples apart the second one crosses less than
    // 36 samples after the first onset and is merged; from 34 on it is a beat.
    for (const int gap : {20, 26, 32}) {
        SCOPED_TRACE(gap);
        testsupport::TempDir dir;
        auto signal = FlatLine(6400);
        for (std::int64_t at = 300; at < 6000; at += 300) {
            AddSpike(signal, at);
            AddSpike(signal, at + gap);
        }
        const auto beats = AnalyseWholeFile(dir.path(), signal);
        ASSERT_EQ(beats.size(), 19u);
        for (const QrsRecord& beat : beats) {
            EXPECT_EQ((beat.Peak - 1) % 300, 0u);      // the first spike stays the R wave
            EXPECT_GE(beat.End, beat.Peak + gap);     // the end is recomputed over both
            EXPECT_EQ(beat.QrsWidth, static_cast<std::int16_t>(beat.End - beat.Onset));
        }
    }
    for (const int gap : {34, 40}) {
        SCOPED_TRACE(gap);
        testsupport::TempDir dir;
        auto signal = FlatLine(6400);
        for (std::int64_t at = 300; at < 6000; at += 300) {
            AddSpike(signal, at);
            AddSpike(signal, at + gap);
        }
        const auto beats = AnalyseWholeFile(dir.path(), signal);
        ASSERT_EQ(beats.size(), 38u);
        for (std::size_t k = 1; k < beats.size(); k += 2)
            EXPECT_EQ(beats[k].RRInterval, gap);
    }
}

TEST(EcgDetector, OverlongComplexIsDroppedAndMarksTheNextBeatNoisy)
{
    testsupport::TempDir dir;
    auto signal = SpikeTrain(8000, 300, 300);
    // 60 samples of square-wave artefact: its energy stays up for more than 54 samples.
    for (int k = 0; k < 60; ++k)
        signal[1650 + k] = static_cast<std::uint16_t>(signal[1650 + k] + ((k / 3) % 2 ? 200 : 0));
    const auto beats = AnalyseLive(dir.path(), signal);
    ASSERT_GE(beats.size(), 8u);
    EXPECT_EQ(beats[4].Peak, 1501u);
    EXPECT_EQ(beats[5].Peak, 1801u); // no beat for the artefact
    EXPECT_EQ(beats[5].NoiseCount, 2);
    EXPECT_EQ(beats[5].BeatClass, kBeatUnclassified);
    EXPECT_EQ(beats[6].NoiseCount, 0);
    EXPECT_EQ(beats[6].BeatClass, kBeatNormal);
}

TEST(EcgDetector, LiveClassesForWidePrematureAndPausedBeats)
{
    testsupport::TempDir dir;
    auto signal = FlatLine(40000);
    std::vector<std::int64_t> peaks{300, 460, 620, 780, 940, 1040, 1200, 1360, 1900, 2060, 2220, 2380};
    for (std::int64_t at : peaks)
        AddSpike(signal, at);
    AddSpike(signal, 2600, 15); // wide complex
    AddSpike(signal, 2760);
    AddSpike(signal, 2920);
    AddSpike(signal, 3080);
    AddSpike(signal, 10000);    // 35 s pause
    AddSpike(signal, 10160);
    AddSpike(signal, 10320);
    AddSpike(signal, 10480);
    const auto live = AnalyseLive(dir.path(), signal);
    ASSERT_EQ(live.size(), 20u);
    EXPECT_EQ(live[4].BeatClass, kBeatNormal);
    EXPECT_EQ(live[5].RRInterval, 100);        // 100 / 160 = 62 % and at most 120 samples: premature
    EXPECT_EQ(live[5].BeatClass, kBeatPremature);
    EXPECT_EQ(live[8].RRInterval, 540);        // above 400 samples: pause
    EXPECT_EQ(live[8].BeatClass, kBeatPause);
    EXPECT_GT(live[12].QrsWidth, 24);          // above 120 ms: wide
    EXPECT_EQ(live[12].BeatClass, kBeatWide);
    EXPECT_EQ(live[16].RRInterval, 6920);
    EXPECT_EQ(live[16].BeatClass, kBeatPause);
    EXPECT_EQ(live[17].RRRatio, 160 * 100 / 6920 < 1 ? 1 : 160 * 100 / 6920);

    // The revision pass turns the pause above 30 s into a long pause and
    // leaves the pause below it.
    testsupport::TempDir whole;
    const auto revised = AnalyseWholeFile(whole.path(), signal);
    ASSERT_EQ(revised.size(), 20u);
    EXPECT_EQ(revised[8].BeatClass, kBeatPause);
    EXPECT_EQ(revised[16].BeatClass, kBeatLongPause);
}

TEST(EcgDetector, IntervalAndRatioCaps)
{
    testsupport::TempDir dir;
    auto signal = FlatLine(40000);
    AddSpike(signal, 300);
    AddSpike(signal, 360);   // 60 samples: a short interval to divide by
    AddSpike(signal, 39000); // 193 s later: above 32767 samples
    AddSpike(signal, 39200);
    AddSpike(signal, 39400);
    const auto live = AnalyseLive(dir.path(), signal);
    ASSERT_GE(live.size(), 4u);
    EXPECT_EQ(live[1].RRInterval, 60);
    EXPECT_EQ(live[2].RRInterval, 32767);
    EXPECT_EQ(live[2].RRRatio, 32767); // 32767 x 100 / 60, capped
    EXPECT_EQ(live[3].RRRatio, 1);     // 200 x 100 / 32767 = 0, raised to 1
}

TEST(EcgDetector, HeartRateFollowsTheBeatsAndDropsAfterSevenSeconds)
{
    testsupport::TempDir dir;
    auto signal = SpikeTrain(12000, 300, 200); // 60 bpm for the first 30 s
    std::fill(signal.begin() + 6200, signal.end(), 2048);
    CECGAnalysis analysis;
    ASSERT_TRUE(analysis.Init(1, 0, dir.path(), false).ok());
    std::vector<std::pair<int, int>> steps;
    for (std::size_t n = 0; n < signal.size(); ++n) {
        std::uint16_t value = signal[n];
        if (analysis.ProcessSample(std::span<std::uint16_t>(&value, 1)))
            steps.emplace_back(static_cast<int>(n), analysis.GetHeartRate());
    }
    for (const auto& [sample, rate] : steps) {
        SCOPED_TRACE(sample);
        if (sample >= 2000 && sample < 6000) {
            EXPECT_EQ(rate, 60);
        }
        // The last beat's peak is at 6101; 1400 samples later plus the 13-sample lag.
        if (sample > 6101 + 1400 + 13) {
            EXPECT_EQ(rate, 0);
        }
    }
}

TEST(EcgFile, FailuresKeepThePreviousBeatFile)
{
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> previous(56, 7);
    ASSERT_TRUE(base::ReplaceFile(dir / "qrs.ecg", previous).ok());
    CECGAnalysis analysis;

    const EcgFileResult missing = analysis.ProcessFile(dir.path());
    EXPECT_FALSE(missing.status.ok());
    EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg"), previous);

    WriteSamples(dir / "data.ecg", {});
    const EcgFileResult empty = analysis.ProcessFile(dir.path());
    EXPECT_FALSE(empty.status.ok());
    EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg"), previous);

    // A new file that cannot be written whole (a full disk) fails the run
    // and keeps the old file.
    WriteSamples(dir / "data.ecg", SpikeTrain(4000, 300, 150));
    {
        const FileSizeLimit fullDisk(16);
        ASSERT_TRUE(fullDisk.active());
        const EcgFileResult blocked = analysis.ProcessFile(dir.path());
        EXPECT_FALSE(blocked.status.ok());
    }
    EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg"), previous);

    // Links planted at the old temporary name or at the file itself are
    // replaced, never followed: the file they point at stays untouched.
    testsupport::TempDir outside;
    const std::vector<std::uint8_t> victim(9, 'v');
    ASSERT_TRUE(base::ReplaceFile(outside / "victim", victim).ok());
    std::filesystem::create_symlink(outside / "victim", dir / "qrs.ecg.new");
    std::filesystem::remove(dir / "qrs.ecg");
    std::filesystem::create_symlink(outside / "victim", dir / "qrs.ecg");
    EXPECT_TRUE(analysis.ProcessFile(dir.path()).status.ok());
    EXPECT_EQ(ReadWholeFile(outside / "victim"), victim);
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "qrs.ecg"));
    std::filesystem::remove(dir / "qrs.ecg.new");
    ASSERT_TRUE(base::ReplaceFile(dir / "qrs.ecg", previous).ok());

    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const bool readOnly = ::access(dir.path().c_str(), W_OK) != 0; // root ignores permissions
    const EcgFileResult inReadOnlyFolder = analysis.ProcessFile(dir.path());
    ::chmod(dir.path().c_str(), 0755);
    if (readOnly) {
        EXPECT_FALSE(inReadOnlyFolder.status.ok());
        EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg"), previous);
    }

    const EcgFileResult writable = analysis.ProcessFile(dir.path());
    EXPECT_TRUE(writable.status.ok());
    EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg")->size(), 25 * kQrsRecordBytes);
    EXPECT_FALSE(std::filesystem::exists(dir / "qrs.ecg.new"));
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
    auto signal = SpikeTrain(4000, 300, 150);
    WriteSamples(dir / "data.ecg", signal);
    std::ofstream(dir / "data.ecg", std::ios::binary | std::ios::app).put('\x01');
    CECGAnalysis analysis;
    const EcgFileResult odd = analysis.ProcessFile(dir.path());
    ASSERT_TRUE(odd.status.ok());
    EXPECT_EQ(odd.samples, 4000u);
    EXPECT_EQ(odd.ignoredBytes, 1u);
    EXPECT_EQ(odd.beats, 25u);

    for (const std::uint16_t level : {std::uint16_t{0}, std::uint16_t{4095}, std::uint16_t{65535}}) {
        SCOPED_TRACE(level);
        WriteSamples(dir / "data.ecg", std::vector<std::uint16_t>(3000, level));
        const EcgFileResult flat = analysis.ProcessFile(dir.path());
        ASSERT_TRUE(flat.status.ok());
        EXPECT_EQ(flat.outOfRangeSamples, level > 4095 ? 3000u : 0u);
        EXPECT_EQ(ReadWholeFile(dir / "qrs.ecg")->size(), flat.beats * kQrsRecordBytes);
    }
}

TEST(EcgFile, LiveBeatsReachTheFileAsSoonAsTheyAreClassified)
{
    testsupport::TempDir dir;
    const auto signal = SpikeTrain(2000, 300, 150);
    CECGAnalysis analysis;
    ASSERT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "qrs.ecg"), 0u);
    std::uintmax_t lastSize = 0;
    int growths = 0;
    for (std::uint16_t value : signal) {
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
        const auto size = std::filesystem::file_size(dir / "qrs.ecg");
        if (size != lastSize) {
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
    for (std::uint16_t value : signal)
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
    EXPECT_EQ(analysis.BeatCount(), 12u);
    EXPECT_FALSE(analysis.LastRecordWrite().ok());
}

TEST(EcgFile, InitRefusesUnsupportedChannelLayouts)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis;
    EXPECT_FALSE(analysis.Init(0, 0, dir.path(), false).ok());
    EXPECT_FALSE(analysis.Init(CECGAnalysis::kMaxChannels + 1, 0, dir.path(), false).ok());
    EXPECT_FALSE(analysis.Init(2, 2, dir.path(), false).ok());
    EXPECT_TRUE(analysis.Init(2, 1, dir.path(), false).ok());
}

TEST(EcgDetector, SeveralChannelsSearchTheRWaveFromTheLeadOn)
{
    const auto spikes = SpikeTrain(4000, 300, 150);
    for (const int lead : {0, 1}) {
        SCOPED_TRACE(lead);
        testsupport::TempDir dir;
        CECGAnalysis analysis;
        ASSERT_TRUE(analysis.Init(2, lead, dir.path(), true).ok());
        for (std::uint16_t value : spikes) {
            // Channel 0 carries the beats, channel 1 is a flat line: the flat
            // lead is passed over and the R wave taken from channel 0.
            std::array<std::uint16_t, 2> frame{value, 2048};
            analysis.ProcessSample(frame);
        }
        const auto beats = ReadBeats(dir.path());
        ASSERT_EQ(beats.size(), 25u);
        for (std::size_t k = 0; k < beats.size(); ++k)
            EXPECT_EQ(beats[k].Peak, 301u + 150 * k);
    }
}
