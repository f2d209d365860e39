#include "signal/beat_revision.h"
#include "signal/beat_score.h"

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// One beat of a run of beats at 160 samples, ratio 100, width 16.
struct Beat {
    std::size_t at;
    std::int16_t rr = 160;
    std::uint16_t ratio = 100;
    std::int16_t width = 16;
    std::uint32_t beatClass = kBeatNormal;
    std::uint8_t noise = 0;
};

struct RevisionCase {
    const char* name;
    std::size_t count;
    std::vector<Beat> beats;
    std::vector<std::pair<std::size_t, std::uint32_t>> revised; // beat, class after the revision
    std::uint32_t others = kBeatNormal;                          // the live class of the other beats
};

constexpr std::uint32_t P = kBeatPremature;

const RevisionCase kRevisionCases[] = {
    {"four beats are left alone", 4, {}, {{0, P}, {1, P}, {2, P}, {3, P}}, P},
    // Beats 3 .. N-2 are revised (to normal: nothing marks them); 0, 1, 2 and N-1 stay.
    {"edge beats keep their live classes", 8, {}, {{0, P}, {1, P}, {2, P}, {3, kBeatNormal}, {6, kBeatNormal}, {7, P}}, P},
    {"pauses by length and noise", 10, {{4, 401}, {5, 6001}, {.at = 6, .rr = 500, .noise = 2}, {7, 400}},
     {{4, kBeatPause}, {5, kBeatLongPause}, {6, kBeatLongPause}, {7, kBeatNormal}}},
    // Learned width 16, limit 18; ratio 0.70 < 0.78.
    {"early beat after two normals, by width", 12, {{6, 160, 70, 18}, {9, 160, 70, 19}}, {{6, P}, {9, kBeatWide}}},
    {"a following class 7 blocks it", 12, {{6, 160, 70}, {.at = 7, .beatClass = 7}}, {{6, kBeatNormal}}},
    {"so does a previous ratio of 1.8", 12, {{5, 160, 180}, {6, 160, 70}}, {{6, kBeatNormal}}},
    // 25 normal beats teach avgRR 160; then an ectopic beat and a short one:
    // (100 + 110) / 160 - 1 = 0.31 is not compensating, so by width.
    {"beat after an ectopic uses the learned interval", 40, {{30, 100, 62, 16, P}, {31, 110, 110}}, {{31, P}}},
    // (100 + 120) / 160 = 1.375: still not; (60 + 120) / 160 = 1.125 is within 0.2: normal.
    {"compensating pause", 40, {{30, 100, 62, 16, P}, {31, 120, 120}, {33, 60, 37, 16, kBeatWide}, {34, 120, 200}},
     {{31, P}, {34, kBeatNormal}}},
    // Beat 5 is revised to premature and judged as such for beat 7: 120 / 160
    // = 0.75 < 0.78, by width; for beat 12, 160 / 160 and 2 x 160 / 320 are not short.
    {"beat two after an ectopic compares with its neighbours", 14,
     {{5, 160, 70}, {7, 120, 70}, {10, 160, 70}, {12, 160, 70}}, {{5, P}, {7, P}, {10, P}, {12, kBeatNormal}}},
    {"only the class changes", 8, {{.at = 4, .beatClass = kBeatUnclassified, .noise = 3}}, {{4, kBeatNormal}}},
};

// Sample positions relative to the 5-minute mark, before which nothing counts.
struct ScoreCase {
    const char* name;
    std::vector<std::int64_t> reference;
    std::vector<std::int64_t> detected;
    std::uint64_t tp, fn, fp;
};

const ScoreCase kScoreCases[] = {
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

std::tuple<std::uint64_t, std::uint64_t, std::uint64_t> Counts(const BeatScore& s)
{
    return {s.truePositives, s.falseNegatives, s.falsePositives};
}

} // namespace

TEST(BeatRevision, ClassesByTheRulesOfTheWholeList)
{
    for (const RevisionCase& c : kRevisionCases) {
        SCOPED_TRACE(c.name);
        std::vector<QrsRecord> beats(c.count,
                                     QrsRecord{.RRInterval = 160, .RRRatio = 100, .QrsWidth = 16, .BeatClass = c.others});
        for (const Beat& b : c.beats)
            beats[b.at] = QrsRecord{.RRInterval = b.rr, .RRRatio = b.ratio, .QrsWidth = b.width, .BeatClass = b.beatClass,
                                    .NoiseCount = b.noise};
        ReviseBeatClasses(beats);
        for (const auto& [at, beatClass] : c.revised)
            EXPECT_EQ(beats[at].BeatClass, beatClass) << "beat " << at;
    }
}

TEST(BeatTrim, CutsFromTheFirstPeakBeyondTheSamples)
{
    std::vector<QrsRecord> beats;
    for (std::uint32_t peak : {100, 300, 501, 400, 600})
        beats.push_back(QrsRecord{.Peak = peak});
    TrimBeatsBeyond(beats, 501); // a peak equal to the sample count stays
    EXPECT_EQ(beats.size(), 4u);
    TrimBeatsBeyond(beats, 500);
    ASSERT_EQ(beats.size(), 2u); // 400 after the cut point goes too
    EXPECT_EQ(beats[1].Peak, 300u);
}

TEST(BeatScore, PairsEachBeatOnceClosestFirstAfterTheLearningTime)
{
    for (const ScoreCase& c : kScoreCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int64_t> reference = c.reference, detected = c.detected;
        for (auto* list : {&reference, &detected})
            for (std::int64_t& s : *list)
                s += kScoreLearningSamples;
        EXPECT_EQ(Counts(ScoreBeats(reference, detected)), std::tuple(c.tp, c.fn, c.fp));
    }
}

TEST(BeatScore, ManyIdenticalBeatsScoreQuickly)
{
    // 20 000 beats at one sample; 15 000 detections 3 before it, 10 000 five after.
    constexpr std::int64_t kLate = 100000;
    std::vector<std::int64_t> detected(15000, kLate - 3);
    detected.resize(25000, kLate + 5);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Counts(ScoreBeats(std::vector<std::int64_t>(20000, kLate), detected)), std::tuple(20000, 0, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(BeatScore, PercentagesAndTotals)
{
    using Samples = std::vector<std::int64_t>;
    BeatScore a = ScoreBeats(Samples{0, 200, 400, 600}, Samples{0, 200, 400, 500}, 0);
    EXPECT_EQ(Counts(a), std::tuple(3, 1, 1));
    EXPECT_DOUBLE_EQ(*a.Sensitivity(), 75.0);
    EXPECT_DOUBLE_EQ(*a.PositivePredictivity(), 75.0);
    EXPECT_EQ(a.Line(), "Se 75.00 %  +P 75.00 %  TP 3  FN 1  FP 1");
    a += ScoreBeats(Samples{0}, Samples{0}, 0);
    EXPECT_EQ(Counts(a), std::tuple(4, 1, 1));
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
