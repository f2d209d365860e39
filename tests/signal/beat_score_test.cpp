#include "signal/beat_score.h"

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <vector>

namespace {

// Sample positions relative to the 5-minute mark, before which nothing counts.
struct ScoreCase {
    const char* name;
    std::vector<std::int64_t> reference;
    std::vector<std::int64_t> detected;
    std::uint64_t tp, fn, fp;
};

const ScoreCase kCases[] = {
    {"within 150 ms", {0, 200, 400}, {2, 198, 405}, 3, 0, 0},
    {"exactly 150 ms late", {1000}, {1030}, 1, 0, 0},
    {"exactly 150 ms early", {1000}, {970}, 1, 0, 0},
    {"a sample too late", {1000}, {1031}, 0, 1, 1},
    {"a sample too early", {1000}, {969}, 0, 1, 1},
    {"two detections of one beat: one is false", {1000}, {995, 1010}, 1, 0, 1},
    {"nothing detected", {0, 300}, {}, 0, 2, 0},
    {"nothing annotated", {}, {0, 300}, 0, 0, 2},
    {"one detection goes to the closer beat", {1000, 1040}, {1028}, 1, 1, 0},
    {"two detections, two beats", {1000, 1040}, {1028, 1005}, 2, 0, 0},
    {"closest pairs first: 1012 takes 1010, 1040 keeps 1045", {1010, 1040}, {1012, 1045}, 2, 0, 0},
    {"the first beat's only candidate is taken", {1000, 1050}, {1026}, 1, 1, 0},
    {"missed and false before the mark", {-59900, -1}, {-55000}, 0, 0, 0},
    {"missed and false from the mark on", {0}, {100}, 0, 1, 1},
    {"a pair across the mark counts by its reference beat", {5}, {-5}, 1, 0, 0},
    {"an early reference with a late detection is neither", {-5}, {5}, 0, 0, 0},
    {"equal distances: the earlier reference beat wins", {-20, 20}, {0}, 0, 1, 0},
};

void ExpectCounts(const BeatScore& score, std::uint64_t tp, std::uint64_t fn, std::uint64_t fp)
{
    EXPECT_EQ(std::tuple(score.truePositives, score.falseNegatives, score.falsePositives), std::tuple(tp, fn, fp));
}

} // namespace

TEST(BeatScore, PairsEachBeatOnceClosestFirstAfterTheLearningTime)
{
    for (const ScoreCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int64_t> reference = c.reference, detected = c.detected;
        for (auto* list : {&reference, &detected})
            for (std::int64_t& s : *list)
                s += kScoreLearningSamples;
        ExpectCounts(ScoreBeats(reference, detected), c.tp, c.fn, c.fp);
    }
}

TEST(BeatScore, ManyIdenticalBeatsScoreQuickly)
{
    // 20 000 beats at one sample; 15 000 detections 3 before it, 10 000 five after.
    constexpr std::int64_t kLate = 100000;
    std::vector<std::int64_t> detected(15000, kLate - 3);
    detected.resize(25000, kLate + 5);
    const auto start = std::chrono::steady_clock::now();
    ExpectCounts(ScoreBeats(std::vector<std::int64_t>(20000, kLate), detected), 20000, 0, 5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(BeatScore, PercentagesAndTotals)
{
    using Samples = std::vector<std::int64_t>;
    BeatScore a = ScoreBeats(Samples{0, 200, 400, 600}, Samples{0, 200, 400, 500}, 0);
    ExpectCounts(a, 3, 1, 1);
    EXPECT_DOUBLE_EQ(*a.Sensitivity(), 75.0);
    EXPECT_DOUBLE_EQ(*a.PositivePredictivity(), 75.0);
    EXPECT_EQ(a.Line(), "Se 75.00 %  +P 75.00 %  TP 3  FN 1  FP 1");
    a += ScoreBeats(Samples{0}, Samples{0}, 0);
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
