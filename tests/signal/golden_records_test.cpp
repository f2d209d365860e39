#include "ecg_signals.h"
#include "signal/beat_revision.h"
#include "signal/beat_score.h"
#include "signal/enhanced_qrs_detector.h"
#include "signal/spo_analysis.h"

#include "child_process.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace {

const char* const kRecords[] = {"100", "102", "103", "104", "105", "106", "107", "108", "208", "800"};

std::filesystem::path RecordDir(const std::string& name) { return testsupport::TestDataDir() / "ecg-records" / name; }

// The whole-file run over a record's "data.ecg": its result and "qrs.ecg".
std::pair<EcgFileResult, std::vector<std::uint8_t>> AnalyseRecord(const std::string& name, int detector)
{
    testsupport::TempDir dir;
    if (!testsupport::CopyRequiredFile(RecordDir(name) / "data.ecg", dir / "data.ecg"))
        return {};
    CECGAnalysis analysis(EcgSettings{1, detector});
    const EcgFileResult result = analysis.ProcessFile(dir.path());
    EXPECT_TRUE(result.status.ok()) << result.status.error();
    return {result, testsupport::ReadBytes(dir / "qrs.ecg")};
}

std::vector<std::int64_t> ReferenceBeatsOf(const std::string& name)
{
    const ReferenceBeats reference = ParseReferenceBeats(testsupport::ReadRequiredText(RecordDir(name) / "ref_beats.txt"));
    EXPECT_EQ(reference.error, "");
    return reference.samples;
}

// Where two lists part, for a failure message that names a record or a line.
template <typename T>
std::string FirstDifference(const std::vector<T>& actual, const std::vector<T>& expected)
{
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin();
    return "first difference at entry " + std::to_string(at) + " of " + std::to_string(expected.size());
}

} // namespace

TEST(GoldenEcg, BeatFileMatchesEveryRecordByteForByte)
{
    BeatScore gross;
    for (const char* name : kRecords) {
        SCOPED_TRACE(name);
        const auto [result, actual] = AnalyseRecord(name, kDesignedDetector);
        const auto expected = testsupport::ReadRequiredFile(RecordDir(name) / "expected-qrs.ecg");
        EXPECT_TRUE(actual == expected) << FirstDifference(DecodeQrsRecords(actual), DecodeQrsRecords(expected));
        EXPECT_EQ(result.beats, expected.size() / kQrsRecordBytes);
        gross += ScoreBeats(ReferenceBeatsOf(name), DetectedPeaks(DecodeQrsRecords(actual)));
    }
    // The accuracy figures the help file quotes.
    EXPECT_EQ(gross.Line(), "Se 94.91 %  +P 92.15 %  TP 17491  FN 939  FP 1490");
}

TEST(GoldenEcg, HeartRateStepsMatchEveryRecord)
{
    for (const char* name : kRecords) {
        SCOPED_TRACE(name);
        testsupport::TempDir dir;
        CECGAnalysis analysis;
        ASSERT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
        std::vector<std::string> steps;
        const auto samples = EcgSamples(testsupport::ReadRequiredFile(RecordDir(name) / "data.ecg"));
        for (const auto& [sample, rate] : Feed(analysis, samples))
            steps.push_back(std::to_string(sample) + ' ' + std::to_string(rate));
        const auto expected = testsupport::Lines(testsupport::ReadRequiredText(RecordDir(name) / "expected-hr.txt"));
        EXPECT_TRUE(steps == expected) << FirstDifference(steps, expected);
    }
}

// The whole-file path runs in blocks, the live path sample by sample: both
// give the same beats (the live ones revised and trimmed as the file run
// does) and the same heart-rate steps, for each filter setting and detector,
// also over saturated stretches far outside the 12-bit range.
TEST(GoldenEcg, LiveAndWholeFilePathsAgreeOnEveryRecord)
{
    const EcgSettings settings[] = {{1, kDesignedDetector}, {0, kDesignedDetector}, {1, kEnhancedDetector}};
    for (const char* name : kRecords) {
        auto samples = EcgSamples(testsupport::ReadRequiredFile(RecordDir(name) / "data.ecg"));
        if (name == std::string("800")) // a saturated stretch, then a drop to 0
            std::fill(samples.begin() + 20000, samples.begin() + 26000, std::uint16_t{65535});
        for (const EcgSettings& setting : settings) {
            SCOPED_TRACE(std::string(name) + " notch " + std::to_string(setting.Filter50Hz) + " detector "
                         + std::to_string(setting.Detector));
            testsupport::TempDir liveDir;
            CECGAnalysis live(setting);
            ASSERT_TRUE(live.Init(1, 0, liveDir.path(), true).ok());
            std::vector<int> rates;
            for (const auto& step : Feed(live, samples))
                if (step.second > 0)
                    rates.push_back(step.second);
            auto liveBeats = ReadBeats(liveDir.path());
            ReviseBeatClasses(liveBeats);
            TrimBeatsBeyond(liveBeats, samples.size());

            testsupport::TempDir dir;
            testsupport::WriteBytes(dir / "data.ecg", EcgBytes(samples));
            CECGAnalysis analysis(setting);
            const EcgFileResult file = analysis.ProcessFile(dir.path());
            const auto beats = ReadBeats(dir.path());
            EXPECT_TRUE(beats == liveBeats) << FirstDifference(beats, liveBeats);
            EXPECT_EQ(file.heartRateSteps, rates.size());
            if (!rates.empty()) {
                EXPECT_EQ(file.minHeartRate, *std::min_element(rates.begin(), rates.end()));
                EXPECT_EQ(file.maxHeartRate, *std::max_element(rates.begin(), rates.end()));
                EXPECT_DOUBLE_EQ(file.meanHeartRate * static_cast<double>(rates.size()),
                                 std::accumulate(rates.begin(), rates.end(), 0.0));
            }
        }
    }
}

// The enhanced detector on the annotated records: accuracy floors (first 5
// minutes left out) of 99.8 % gross sensitivity and 99.75 % positive
// predictivity, 98.5 % for every record; beats in order, each measuring its
// interval from the one before; every beat final at most 300 ms (60 samples)
// after its R wave.
TEST(EnhancedRecords, MeetsTheAccuracyFloorsInTime)
{
    BeatScore gross;
    for (const char* name : kRecords) {
        SCOPED_TRACE(name);
        const auto [result, qrs] = AnalyseRecord(name, kEnhancedDetector);
        const auto beats = DecodeQrsRecords(qrs);
        EXPECT_EQ(result.beats, beats.size());
        std::size_t disordered = 0;
        for (std::size_t k = 1; k < beats.size(); ++k) {
            const QrsRecord &b = beats[k], &before = beats[k - 1];
            disordered += !(before.Peak < b.Peak && b.Onset <= b.Peak && b.Peak < b.End
                            && b.RRInterval == static_cast<std::int16_t>(b.Peak - before.Peak));
        }
        EXPECT_EQ(disordered, 0u);
        const BeatScore score = ScoreBeats(ReferenceBeatsOf(name), DetectedPeaks(beats));
        EXPECT_GE(*score.Sensitivity(), 98.5) << score.Line();
        EXPECT_GE(*score.PositivePredictivity(), 98.5) << score.Line();
        gross += score;

        CEnhancedQrsDetector detector;
        for (std::uint16_t sample : EcgSamples(testsupport::ReadRequiredFile(RecordDir(name) / "data.ecg")))
            detector.ProcessSample(sample);
        EXPECT_GT(detector.BeatCount(), 1500);
        EXPECT_LE(detector.LongestDelay(), 60);
    }
    EXPECT_GE(*gross.Sensitivity(), 99.8) << gross.Line();
    EXPECT_GE(*gross.PositivePredictivity(), 99.75) << gross.Line();
    // The accuracy figures the help file quotes.
    EXPECT_EQ(gross.Line(), "Se 99.80 %  +P 99.76 %  TP 18394  FN 36  FP 45");
}

// "ana.spo" byte for byte, the two padding bytes at offset 522 excepted.
TEST(GoldenSpO2, ResultFileMatchesEveryRecordWithAndWithoutSwing)
{
    const auto withoutPadding = [](std::vector<std::uint8_t> bytes) {
        if (bytes.size() >= 524)
            bytes[522] = bytes[523] = 0;
        return bytes;
    };
    for (const char* name : {"S0000001", "S0000002", "S0000003"}) {
        for (const std::int16_t swing : {0, 2}) {
            SCOPED_TRACE(std::string(name) + " swing " + std::to_string(swing));
            const auto folder = testsupport::TestDataDir() / "spo2-records" / name;
            testsupport::TempDir dir;
            ASSERT_TRUE(testsupport::CopyRequiredFile(folder / "data.spo", dir / "data.spo"));
            CSpOAnalysis analysis(SpOSettings{.SwingIndex = swing});
            const base::Status analysed = analysis.AnalyseFile(dir / "data.spo");
            ASSERT_TRUE(analysed.ok()) << analysed.error();
            ASSERT_TRUE(analysis.SaveResult(dir / "ana.spo").ok());
            const auto actual = withoutPadding(testsupport::ReadBytes(dir / "ana.spo"));
            const auto expected = withoutPadding(
                testsupport::ReadRequiredFile(folder / (swing == 0 ? "expected-ana.spo" : "expected-ana-swing2.spo")));
            // The block's 528 bytes first, then 16 bytes per event.
            EXPECT_TRUE(actual == expected) << FirstDifference(actual, expected);
        }
    }
}
