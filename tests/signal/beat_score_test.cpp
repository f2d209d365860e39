#include "signal/beat_score.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

// Hand-made lists well past the 5-minute mark unless a case says otherwise.
constexpr std::int64_t kLate = 100000;

BeatScore Score(std::vector<std::int64_t> reference, std::vector<std::int64_t> detected)
{
    for (auto& s : reference)
        s += kLate;
    for (auto& s : detected)
        s += kLate;
    return ScoreBeats(reference, detected);
}

void ExpectCounts(const BeatScore& score, std::uint64_t tp, std::uint64_t fn, std::uint64_t fp)
{
    EXPECT_EQ(score.truePositives, tp);
    EXPECT_EQ(score.falseNegatives, fn);
    EXPECT_EQ(score.falsePositives, fp);
}

} // namespace

TEST(BeatScore, MatchesWithinThirtySamplesEachBeatOnce)
{
    ExpectCounts(Score({0, 200, 400}, {2, 198, 405}), 3, 0, 0);
    // The window edge: exactly 150 ms counts, one sample more does not.
    ExpectCounts(Score({1000}, {1030}), 1, 0, 0);
    ExpectCounts(Score({1000}, {970}), 1, 0, 0);
    ExpectCounts(Score({1000}, {1031}), 0, 1, 1);
    ExpectCounts(Score({1000}, {969}), 0, 1, 1);
    // Two detections of one beat: one pairs, the other is false.
    ExpectCounts(Score({1000}, {995, 1010}), 1, 0, 1);
    // Nothing detected, nothing annotated.
    ExpectCounts(Score({0, 300}, {}), 0, 2, 0);
    ExpectCounts(Score({}, {0, 300}), 0, 0, 2);
}

TEST(BeatScore, ClosestPairsComeFirst)
{
    // One detection near two reference beats goes to the closer one.
    ExpectCounts(Score({1000, 1040}, {1028}), 1, 1, 0);
    BeatScore closer = Score({1000, 1040}, {1028, 1005});
    ExpectCounts(closer, 2, 0, 0);
    // Greedy by distance: 1012 pairs with 1010 (2 samples), so 1040 keeps 1045.
    ExpectCounts(Score({1010, 1040}, {1012, 1045}), 2, 0, 0);
    // A detection between two beats, closer to the second; the first beat's
    // only candidate is taken, so it is missed.
    ExpectCounts(Score({1000, 1050}, {1026}), 1, 1, 0);
}

TEST(BeatScore, ManyIdenticalBeatsScoreQuickly)
{
    // 20 000 beats at one sample; 15 000 detections 3 before it, 10 000 five after.
    std::vector<std::int64_t> detected(15000, kLate - 3);
    detected.resize(25000, kLate + 5);
    const auto start = std::chrono::steady_clock::now();
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>(20000, kLate), detected), 20000, 0, 5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(BeatScore, LeavesOutTheFirstFiveMinutes)
{
    const std::int64_t five = kScoreLearningSamples;
    // Missed and false beats before 5 minutes do not count.
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>{100, five - 1}, std::vector<std::int64_t>{5000}), 0, 0, 0);
    // From exactly 5 minutes on they do.
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>{five}, std::vector<std::int64_t>{five + 100}), 0, 1, 1);
    // A pair across the mark counts by its reference beat: a late reference
    // matched by an early detection is found, an early reference matched by a
    // late detection is neither found nor false.
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>{five + 5}, std::vector<std::int64_t>{five - 5}), 1, 0, 0);
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>{five - 5}, std::vector<std::int64_t>{five + 5}), 0, 0, 0);
    // Equal distances: the earlier reference beat takes the detection, so the
    // later one is missed.
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>{five - 20, five + 20}, std::vector<std::int64_t>{five}), 0, 1, 0);
}

TEST(BeatScore, PercentagesAndTotals)
{
    BeatScore a = Score({0, 200, 400, 600}, {0, 200, 400, 500});
    ExpectCounts(a, 3, 1, 1);
    EXPECT_DOUBLE_EQ(*a.Sensitivity(), 75.0);
    EXPECT_DOUBLE_EQ(*a.PositivePredictivity(), 75.0);
    EXPECT_EQ(a.Line(), "Se 75.00 %  +P 75.00 %  TP 3  FN 1  FP 1");
    a += Score({0}, {0});
    ExpectCounts(a, 4, 1, 1);
    EXPECT_EQ(BeatScore{}.Line(), "Se n/a  +P n/a  TP 0  FN 0  FP 0");
}

TEST(BeatScore, ReadsReferenceLists)
{
    const ReferenceBeats beats = ParseReferenceBeats("# record 100\n43 N\n\n206 V\r\n  368\tN\n368 A\n12\n");
    EXPECT_EQ(beats.error, "");
    EXPECT_EQ(beats.samples, (std::vector<std::int64_t>{12, 43, 206, 368, 368}));

    for (const char* bad : {"43 N\nx N\n", "-5 N\n", "43N\n", "99999999999999999999 N\n"}) {
        SCOPED_TRACE(bad);
        const ReferenceBeats parsed = ParseReferenceBeats(bad);
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_TRUE(parsed.samples.empty());
    }
    EXPECT_EQ(ParseReferenceBeats("43 N\nx N\n").error, "line 2 is not \"<sample index> <code>\"");
}
