#include "ecg_signals.h"
#include "signal/beat_score.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>
#include <string>

namespace {

constexpr int kRate = 200;
constexpr std::int64_t kLearnt = 3 * kRate; // the detector learns its levels over the first 2 s

struct Wave {
    double offset; // s from the R wave
    double mv;
    double sigma; // s
};

const std::vector<Wave> kNormal = {{-0.16, 0.15, 0.025}, {-0.02, -0.1, 0.008}, {0.0, 1.2, 0.01}, {0.025, -0.2, 0.01},
                                   {0.28, 0.3, 0.045}};

// A beat train at a fixed R-R interval built from Gaussian waves.
Signal BeatTrain(double seconds, double rr, const std::vector<Wave>& complex)
{
    Signal signal;
    std::vector<double> mv(static_cast<std::size_t>(seconds * kRate), 0.0);
    for (double t = 0.5; t < seconds - 0.5; t += rr) {
        signal.peaks.push_back(std::lround(t * kRate));
        for (const Wave& w : complex)
            for (std::size_t n = 0; n < mv.size(); ++n) {
                const double z = (static_cast<double>(n) - (static_cast<double>(signal.peaks.back()) + w.offset * kRate))
                    / (w.sigma * kRate);
                if (std::abs(z) < 6)
                    mv[n] += w.mv * std::exp(-0.5 * z * z);
            }
    }
    for (double v : mv)
        signal.samples.push_back(static_cast<std::uint16_t>(std::clamp(std::lround(2048 + 200 * v), 0L, 4095L)));
    return signal;
}

const EcgSettings kEnhanced{1, kEnhancedDetector};

// Scores the beats after the learning time; a beat in the last 300 ms of
// the samples is not final yet and is left out.
BeatScore ScoreAfterLearning(std::vector<std::int64_t> known, const std::vector<QrsRecord>& beats, std::size_t samples)
{
    std::erase_if(known, [&](std::int64_t peak) { return peak + 60 >= static_cast<std::int64_t>(samples); });
    return ScoreBeats(known, DetectedPeaks(beats), kLearnt);
}

// A live run that must find every beat and nothing else.
LiveRun ExpectEveryBeat(const Signal& signal)
{
    const LiveRun run = AnalyseLive(signal.samples, kEnhanced);
    const BeatScore score = ScoreAfterLearning(signal.peaks, run.beats, signal.samples.size());
    EXPECT_EQ(score.falseNegatives, 0u) << score.Line();
    EXPECT_EQ(score.falsePositives, 0u) << score.Line();
    return run;
}

std::ptrdiff_t CountClass(const std::vector<QrsRecord>& beats, std::uint32_t beatClass)
{
    return std::count_if(beats.begin(), beats.end(), [&](const QrsRecord& b) { return b.BeatClass == beatClass; });
}

} // namespace

TEST(EnhancedDetector, FindsEveryBeatFrom30To250PerMinuteAndPrematureOnes)
{
    for (double bpm : {30.0, 45.0, 60.0, 80.0, 120.0, 160.0, 200.0, 250.0}) {
        SCOPED_TRACE(bpm);
        const LiveRun run =
            ExpectEveryBeat(Synthetic({.seconds = 60, .rateBpm = bpm, .noiseMv = 0.02, .wanderMv = 0.1, .humMv = 0.05}));
        EXPECT_NEAR(run.heartRate, bpm, 0.03 * bpm + 1);
    }
    const LiveRun run =
        ExpectEveryBeat(Synthetic({.seconds = 120, .rateBpm = 70, .prematureShare = 0.15, .noiseMv = 0.02}));
    EXPECT_GT(CountClass(run.beats, kBeatPremature) + CountClass(run.beats, kBeatWide), 0);
}

TEST(EnhancedDetector, WideComplexesCountOnceAndTallTWavesNotAtAll)
{
    // 200 ms paced-like complexes: a slow biphasic deflection, then a T wave.
    const std::vector<Wave> wide = {{-0.05, 0.9, 0.03}, {0.06, -0.8, 0.035}, {0.36, -0.35, 0.06}};
    for (double rr : {0.5, 0.8, 1.2}) {
        SCOPED_TRACE(rr);
        const LiveRun run = ExpectEveryBeat(BeatTrain(60, rr, wide));
        EXPECT_GE(CountClass(run.beats, kBeatWide), static_cast<std::ptrdiff_t>(run.beats.size()) - 2);
    }
    // T waves as tall as the R wave, and steep ones close behind it.
    for (const auto& tWave : {Wave{0.25, 1.2, 0.04}, Wave{0.22, 0.9, 0.03}, Wave{0.32, 1.5, 0.05}}) {
        std::vector<Wave> complex = kNormal;
        complex.back() = tWave;
        for (double rr : {0.6, 1.0}) {
            SCOPED_TRACE(std::to_string(tWave.mv) + " mV T, R-R " + std::to_string(rr));
            ExpectEveryBeat(BeatTrain(60, rr, complex));
        }
    }
}

TEST(EnhancedDetector, NoiseBurstsStayLocal)
{
    Signal signal = Synthetic({.seconds = 90, .rateBpm = 72, .noiseMv = 0.02});
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.4 * 200);
    const std::int64_t bursts[] = {30 * kRate, 60 * kRate};
    for (std::int64_t start : bursts)
        for (auto n = static_cast<std::size_t>(start); n < static_cast<std::size_t>(start + kRate); ++n)
            signal.samples[n] =
                static_cast<std::uint16_t>(std::clamp(std::lround(signal.samples[n] + noise(random)), 0L, 4095L));
    const LiveRun run = AnalyseLive(signal.samples, kEnhanced);
    // Beats more than 2 s away from a burst are all found, and nothing false
    // is detected there; the burst itself may cost a beat or add one.
    const auto awayFromBursts = [&](std::vector<std::int64_t> peaks) {
        std::erase_if(peaks, [&](std::int64_t s) {
            return std::any_of(std::begin(bursts), std::end(bursts),
                               [&](std::int64_t start) { return s > start - 2 * kRate && s < start + 3 * kRate; });
        });
        return peaks;
    };
    const BeatScore score = ScoreBeats(awayFromBursts(signal.peaks), awayFromBursts(DetectedPeaks(run.beats)), kLearnt);
    EXPECT_EQ(score.falseNegatives + score.falsePositives, 0u) << score.Line();
    const BeatScore whole = ScoreAfterLearning(signal.peaks, run.beats, signal.samples.size());
    EXPECT_LE(whole.falseNegatives + whole.falsePositives, 6u) << whole.Line();
}

TEST(EnhancedDetector, PauseFlatLineAndHeartRate)
{
    // A 2.5 s pause in a 75 per minute rhythm: no beat inside it, the beat
    // after it is a pause, and the rhythm is found again.
    const Signal train = BeatTrain(30, 0.8, kNormal);
    Signal joined = train;
    joined.samples.resize(static_cast<std::size_t>(train.peaks.back() + 500 - train.peaks.front()), 2048);
    for (std::int64_t p : train.peaks)
        joined.peaks.push_back(p + static_cast<std::int64_t>(joined.samples.size()));
    joined.samples.insert(joined.samples.end(), train.samples.begin(), train.samples.end());
    const LiveRun run = ExpectEveryBeat(joined);
    // The first beat measures its R-R interval from sample 0.
    std::vector<QrsRecord> pauses;
    std::copy_if(run.beats.begin() + 1, run.beats.end(), std::back_inserter(pauses),
                 [](const QrsRecord& b) { return b.RRInterval > 400; });
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].BeatClass, kBeatPause);
    EXPECT_NEAR(pauses[0].RRInterval, 500, 4);
    EXPECT_NEAR(run.heartRate, 75, 2);

    // A flat line: no beat, and the heart rate reads 0 after the first step.
    const LiveRun flat = AnalyseLive(FlatLine(60 * kRate), kEnhanced);
    EXPECT_TRUE(flat.beats.empty());
    EXPECT_EQ(flat.heartRate, 0);
    // Beats that stop: the rate falls to 0 some 7 s later.
    auto stopping = BeatTrain(20, 0.8, kNormal).samples;
    stopping.resize(stopping.size() + 10 * kRate, 2048);
    EXPECT_EQ(AnalyseLive(stopping, kEnhanced).heartRate, 0);
}
