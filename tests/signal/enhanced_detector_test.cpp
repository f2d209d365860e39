#include "ecg_signals.h"
#include "signal/beat_score.h"
#include "signal/enhanced_qrs_detector.h"
#include "synth/synthetic_ecg.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

constexpr int kRate = 200;
constexpr std::int64_t kLearnt = 3 * kRate; // the detector learns its levels over the first 2 s

struct Wave {
    double offset;  // s from the R wave
    double mv;
    double sigma;   // s
};

// A beat train at a fixed R-R interval built from Gaussian waves; `peaks`
// receives the R-wave positions.
std::vector<std::uint16_t> BeatTrain(double seconds, double rr, const std::vector<Wave>& complex,
                                     std::vector<std::int64_t>& peaks)
{
    const auto count = static_cast<std::size_t>(seconds * kRate);
    std::vector<double> mv(count, 0.0);
    for (double t = 0.5; t < seconds - 0.5; t += rr) {
        const auto peak = static_cast<std::int64_t>(std::lround(t * kRate));
        peaks.push_back(peak);
        for (const Wave& w : complex) {
            for (std::size_t n = 0; n < count; ++n) {
                const double z = (static_cast<double>(n) - (static_cast<double>(peak) + w.offset * kRate)) / (w.sigma * kRate);
                if (std::abs(z) < 6)
                    mv[n] += w.mv * std::exp(-0.5 * z * z);
            }
        }
    }
    std::vector<std::uint16_t> samples(count);
    for (std::size_t n = 0; n < count; ++n)
        samples[n] = static_cast<std::uint16_t>(std::clamp(std::lround(2048 + 200 * mv[n]), 0L, 4095L));
    return samples;
}

const std::vector<Wave> kNormal = {{-0.16, 0.15, 0.025}, {-0.02, -0.1, 0.008}, {0.0, 1.2, 0.01}, {0.025, -0.2, 0.01},
                                   {0.28, 0.3, 0.045}};

struct LiveRun {
    std::vector<QrsRecord> beats; // as written live, before any revision
    int heartRate = 0;
    std::int64_t longestDelay = 0;
};

LiveRun DetectLive(const std::vector<std::uint16_t>& samples)
{
    testsupport::TempDir dir;
    CECGAnalysis analysis(EcgSettings{1, kEnhancedDetector});
    EXPECT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
    for (std::uint16_t value : samples)
        analysis.ProcessSample(std::span<std::uint16_t>(&value, 1));
    LiveRun run;
    run.beats = ReadBeats(dir.path());
    run.heartRate = analysis.GetHeartRate();
    EXPECT_EQ(analysis.BeatCount(), run.beats.size());
    return run;
}

// Scores the beats after the learning time; a beat in the last 300 ms of
// the samples is not final yet and is left out.
BeatScore ScoreAfterLearning(std::vector<std::int64_t> known, const std::vector<QrsRecord>& beats, std::size_t samples)
{
    std::erase_if(known, [&](std::int64_t peak) { return peak + 60 >= static_cast<std::int64_t>(samples); });
    return ScoreBeats(known, DetectedPeaks(beats), kLearnt);
}

std::vector<std::int64_t> PeaksOf(const synth::EcgTrace& trace)
{
    std::vector<std::int64_t> peaks;
    for (const auto& beat : trace.beats)
        peaks.push_back(beat.peakSample);
    return peaks;
}

} // namespace

TEST(EnhancedDetector, FindsEveryBeatFrom30To250PerMinute)
{
    for (double bpm : {30.0, 45.0, 60.0, 80.0, 120.0, 160.0, 200.0, 250.0}) {
        SCOPED_TRACE(bpm);
        synth::EcgOptions options;
        options.seconds = 60;
        options.rateBpm = bpm;
        options.noiseMv = 0.02;
        options.wanderMv = 0.1;
        options.humMv = 0.05;
        const synth::EcgTrace trace = synth::MakeEcg(options);
        const LiveRun run = DetectLive(trace.samples);
        const BeatScore score = ScoreAfterLearning(PeaksOf(trace), run.beats, trace.samples.size());
        EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
        EXPECT_EQ(score.falsePositives, 0u) << score.Line();
        EXPECT_NEAR(run.heartRate, bpm, 0.03 * bpm + 1);
    }
}

TEST(EnhancedDetector, PrematureBeatsAndTheirClasses)
{
    synth::EcgOptions options;
    options.seconds = 120;
    options.rateBpm = 70;
    options.prematureShare = 0.15;
    options.noiseMv = 0.02;
    const synth::EcgTrace trace = synth::MakeEcg(options);
    const LiveRun run = DetectLive(trace.samples);
    const BeatScore score = ScoreAfterLearning(PeaksOf(trace), run.beats, trace.samples.size());
    EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
    EXPECT_EQ(score.falsePositives, 0u) << score.Line();
    int premature = 0;
    for (const QrsRecord& beat : run.beats)
        premature += beat.BeatClass == kBeatPremature || beat.BeatClass == kBeatWide;
    EXPECT_GT(premature, 0);
}

TEST(EnhancedDetector, WideComplexesCountOnceAndReadAsWide)
{
    // 200 ms paced-like complexes: a slow biphasic deflection, then a T wave.
    const std::vector<Wave> wide = {{-0.05, 0.9, 0.03}, {0.06, -0.8, 0.035}, {0.36, -0.35, 0.06}};
    for (double rr : {0.5, 0.8, 1.2}) {
        SCOPED_TRACE(rr);
        std::vector<std::int64_t> peaks;
        const auto samples = BeatTrain(60, rr, wide, peaks);
        const LiveRun run = DetectLive(samples);
        const BeatScore score = ScoreAfterLearning(peaks, run.beats, samples.size());
        EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
        EXPECT_EQ(score.falsePositives, 0u) << score.Line();
        int wideClass = 0;
        for (const QrsRecord& beat : run.beats)
            wideClass += beat.BeatClass == kBeatWide;
        EXPECT_GE(wideClass, static_cast<int>(run.beats.size()) - 2);
    }
}

TEST(EnhancedDetector, TallTWavesAreNotBeats)
{
    // T waves as tall as the R wave, and steep ones close behind it.
    for (const auto& tWave : {Wave{0.25, 1.2, 0.04}, Wave{0.22, 0.9, 0.03}, Wave{0.32, 1.5, 0.05}}) {
        std::vector<Wave> complex = kNormal;
        complex.back() = tWave;
        for (double rr : {0.6, 1.0}) {
            SCOPED_TRACE(std::to_string(tWave.mv) + " mV T, R-R " + std::to_string(rr));
            std::vector<std::int64_t> peaks;
            const auto samples = BeatTrain(60, rr, complex, peaks);
            const LiveRun run = DetectLive(samples);
            const BeatScore score = ScoreAfterLearning(peaks, run.beats, samples.size());
            EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
            EXPECT_EQ(score.falsePositives, 0u) << score.Line();
        }
    }
}

TEST(EnhancedDetector, NoiseBurstsStayLocal)
{
    synth::EcgOptions options;
    options.seconds = 90;
    options.rateBpm = 72;
    options.noiseMv = 0.02;
    synth::EcgTrace trace = synth::MakeEcg(options);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.4 * 200);
    const std::int64_t bursts[] = {30 * kRate, 60 * kRate};
    for (std::int64_t start : bursts) {
        for (std::int64_t n = start; n < start + kRate; ++n) {
            auto& s = trace.samples[static_cast<std::size_t>(n)];
            s = static_cast<std::uint16_t>(std::clamp<long>(std::lround(s + noise(random)), 0, 4095));
        }
    }
    const LiveRun run = DetectLive(trace.samples);
    // Beats more than 2 s away from a burst are all found, and nothing false
    // is detected there; the burst itself may cost a beat or add one.
    const auto nearBurst = [&](std::int64_t s) {
        for (std::int64_t start : bursts)
            if (s > start - 2 * kRate && s < start + 3 * kRate)
                return true;
        return false;
    };
    std::vector<std::int64_t> known;
    for (std::int64_t peak : PeaksOf(trace))
        if (!nearBurst(peak))
            known.push_back(peak);
    std::vector<std::int64_t> detected;
    for (std::int64_t peak : DetectedPeaks(run.beats))
        if (!nearBurst(peak))
            detected.push_back(peak);
    const BeatScore score = ScoreBeats(known, detected, kLearnt);
    EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
    EXPECT_EQ(score.falsePositives, 0u) << score.Line();
    const BeatScore whole = ScoreAfterLearning(PeaksOf(trace), run.beats, trace.samples.size());
    EXPECT_LE(whole.falseNegatives + whole.falsePositives, 6u) << whole.Line();
}

TEST(EnhancedDetector, PauseFlatLineAndHeartRate)
{
    // A 2.5 s pause in a 75 per minute rhythm: no beat inside it, the beat
    // after it is a pause, and the rhythm is found again.
    std::vector<std::int64_t> before;
    std::vector<std::int64_t> after;
    auto first = BeatTrain(30, 0.8, kNormal, before);
    const auto second = BeatTrain(30, 0.8, kNormal, after);
    // The second train's first beat lies 100 samples into it.
    first.resize(static_cast<std::size_t>(before.back() + 500 - after.front()), 2048);
    std::vector<std::uint16_t> samples = first;
    samples.insert(samples.end(), second.begin(), second.end());
    std::vector<std::int64_t> known = before;
    for (std::int64_t p : after)
        known.push_back(p + static_cast<std::int64_t>(first.size()));
    const LiveRun run = DetectLive(samples);
    const BeatScore score = ScoreAfterLearning(known, run.beats, samples.size());
    EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
    EXPECT_EQ(score.falsePositives, 0u) << score.Line();
    int pauses = 0;
    // The first beat measures its R-R interval from sample 0.
    for (std::size_t k = 1; k < run.beats.size(); ++k)
        if (const QrsRecord& beat = run.beats[k]; beat.RRInterval > 400) {
            ++pauses;
            EXPECT_EQ(beat.BeatClass, kBeatPause);
            EXPECT_NEAR(beat.RRInterval, 500, 4);
        }
    EXPECT_EQ(pauses, 1);
    EXPECT_NEAR(run.heartRate, 75, 2);

    // A flat line: no beat, and the heart rate reads 0 after the first step.
    const LiveRun flat = DetectLive(FlatLine(60 * kRate));
    EXPECT_TRUE(flat.beats.empty());
    EXPECT_EQ(flat.heartRate, 0);
    // Beats that stop: the rate falls to 0 some 7 s later.
    std::vector<std::int64_t> ignored;
    auto stopping = BeatTrain(20, 0.8, kNormal, ignored);
    stopping.resize(stopping.size() + 10 * kRate, 2048);
    EXPECT_EQ(DetectLive(stopping).heartRate, 0);
}

TEST(EnhancedDetector, WholeFileRunUsesTheChosenDetector)
{
    synth::EcgOptions options;
    options.seconds = 60;
    options.rateBpm = 90;
    const synth::EcgTrace trace = synth::MakeEcg(options);
    testsupport::TempDir dir;
    WriteSamples(dir / "data.ecg", trace.samples);
    CECGAnalysis analysis(EcgSettings{1, kEnhancedDetector});
    const EcgFileResult result = analysis.ProcessFile(dir.path());
    ASSERT_TRUE(result.status.ok()) << result.status.error();
    const auto beats = ReadBeats(dir.path());
    EXPECT_EQ(result.beats, beats.size());
    const BeatScore score = ScoreAfterLearning(PeaksOf(trace), beats, trace.samples.size());
    EXPECT_EQ(score.falseNegatives + score.falsePositives, 0u) << score.Line();
    EXPECT_NEAR(result.meanHeartRate, 90, 2);
    for (std::size_t k = 1; k < beats.size(); ++k) {
        EXPECT_LT(beats[k - 1].Peak, beats[k].Peak);
        EXPECT_LE(beats[k].Onset, beats[k].Peak);
        EXPECT_LT(beats[k].Peak, beats[k].End);
        EXPECT_EQ(beats[k].RRInterval, static_cast<std::int16_t>(beats[k].Peak - beats[k - 1].Peak));
    }
}
