#include "signal/beat_revision.h"

#include <gtest/gtest.h>

namespace {

QrsRecord Beat(std::int16_t rr, std::uint32_t beatClass, std::int16_t width = 16, std::uint8_t noise = 0)
{
    QrsRecord beat;
    beat.RRInterval = rr;
    beat.RRRatio = 100;
    beat.QrsWidth = width;
    beat.BeatClass = beatClass;
    beat.NoiseCount = noise;
    return beat;
}

std::vector<QrsRecord> NormalRun(std::size_t count, std::int16_t rr = 160)
{
    return std::vector<QrsRecord>(count, Beat(rr, kBeatNormal));
}

std::vector<std::uint32_t> Classes(const std::vector<QrsRecord>& beats)
{
    std::vector<std::uint32_t> classes;
    for (const QrsRecord& beat : beats)
        classes.push_back(beat.BeatClass);
    return classes;
}

} // namespace

TEST(BeatRevision, ShortListsAndTheEdgeBeatsKeepTheirLiveClasses)
{
    std::vector<QrsRecord> four(4, Beat(160, kBeatPremature));
    ReviseBeatClasses(four);
    EXPECT_EQ(Classes(four), std::vector<std::uint32_t>(4, kBeatPremature));

    std::vector<QrsRecord> beats(8, Beat(160, kBeatPremature));
    ReviseBeatClasses(beats);
    // Beats 3 .. N-2 are revised (to normal: nothing marks them); 0, 1, 2 and N-1 stay.
    EXPECT_EQ(Classes(beats), (std::vector<std::uint32_t>{3, 3, 3, 1, 1, 1, 1, 3}));
}

TEST(BeatRevision, PausesByLengthAndNoise)
{
    auto beats = NormalRun(10);
    beats[4].RRInterval = 401;
    beats[5].RRInterval = 6001;
    beats[6].RRInterval = 500;
    beats[6].NoiseCount = 2;
    beats[7].RRInterval = 400; // not above 400: an ordinary beat
    ReviseBeatClasses(beats);
    EXPECT_EQ(beats[4].BeatClass, kBeatPause);
    EXPECT_EQ(beats[5].BeatClass, kBeatLongPause);
    EXPECT_EQ(beats[6].BeatClass, kBeatLongPause); // a noisy pause
    EXPECT_EQ(beats[7].BeatClass, kBeatNormal);
}

TEST(BeatRevision, EarlyBeatAfterTwoNormalsIsPrematureOrWideByTheLearnedWidth)
{
    auto beats = NormalRun(12);
    beats[6].RRRatio = 70;  // 0.70 < 0.78
    beats[6].QrsWidth = 18; // learned width 16, limit 18: not wider
    beats[9].RRRatio = 70;
    beats[9].QrsWidth = 19; // wider than the limit
    ReviseBeatClasses(beats);
    EXPECT_EQ(beats[6].BeatClass, kBeatPremature);
    EXPECT_EQ(beats[9].BeatClass, kBeatWide);

    // A following beat of class 7 or 8 blocks the rule.
    auto blocked = NormalRun(12);
    blocked[6].RRRatio = 70;
    blocked[7].BeatClass = 7;
    ReviseBeatClasses(blocked);
    EXPECT_EQ(blocked[6].BeatClass, kBeatNormal);
    // P's ratio must stay below 1.8.
    auto afterLong = NormalRun(12);
    afterLong[5].RRRatio = 180;
    afterLong[6].RRRatio = 70;
    ReviseBeatClasses(afterLong);
    EXPECT_EQ(afterLong[6].BeatClass, kBeatNormal);
}

TEST(BeatRevision, BeatAfterAnEctopicUsesTheLearnedInterval)
{
    // 25 normal beats teach avgRR 160 (more than 20 values); then an ectopic
    // beat P followed by a short X.
    auto beats = NormalRun(40);
    beats[30] = Beat(100, kBeatPremature);
    beats[30].RRRatio = 62;
    beats[31] = Beat(110, kBeatNormal);   // 110 / 160 < 0.78
    beats[31].RRRatio = 110;
    ReviseBeatClasses(beats);
    // Q and F normal, (100 + 110) / 160 - 1 = 0.31: not compensating -> by width.
    EXPECT_EQ(beats[31].BeatClass, kBeatPremature);

    auto compensated = NormalRun(40);
    compensated[30] = Beat(100, kBeatPremature);
    compensated[30].RRRatio = 62;
    compensated[31] = Beat(120, kBeatNormal); // (100 + 120) / 160 = 1.375 -> still not
    compensated[31].RRRatio = 120;
    compensated[33] = Beat(60, kBeatWide);
    compensated[33].RRRatio = 37;
    compensated[34] = Beat(120, kBeatNormal); // (60 + 120) / 160 = 1.125: within 0.2 -> normal
    compensated[34].RRRatio = 200;
    ReviseBeatClasses(compensated);
    EXPECT_EQ(compensated[31].BeatClass, kBeatPremature);
    EXPECT_EQ(compensated[34].BeatClass, kBeatNormal);
}

TEST(BeatRevision, BeatTwoAfterAnEctopicComparesWithItsNeighbours)
{
    // Q is judged as revised: an early beat after two normals becomes premature.
    auto beats = NormalRun(14);
    beats[5].RRRatio = 70;          // revised to premature; Q of beat 7
    beats[7].RRRatio = 70;
    beats[7].RRInterval = 120;      // 120 / 160 (F) = 0.75 < 0.78 -> by width
    beats[10].RRRatio = 70;         // premature; Q of beat 12
    beats[12].RRRatio = 70;         // but 160 / 160 and 2 x 160 / 320 are not short -> normal
    ReviseBeatClasses(beats);
    EXPECT_EQ(beats[5].BeatClass, kBeatPremature);
    EXPECT_EQ(beats[7].BeatClass, kBeatPremature);
    EXPECT_EQ(beats[10].BeatClass, kBeatPremature);
    EXPECT_EQ(beats[12].BeatClass, kBeatNormal);

    // Only the class changes: a noisy, unclassified beat in the middle becomes normal.
    auto noisy = NormalRun(8);
    noisy[4].BeatClass = kBeatUnclassified;
    noisy[4].NoiseCount = 3;
    ReviseBeatClasses(noisy);
    EXPECT_EQ(noisy[4].BeatClass, kBeatNormal);
}

TEST(BeatTrim, CutsFromTheFirstPeakBeyondTheSamples)
{
    std::vector<QrsRecord> beats(5);
    const std::uint32_t peaks[] = {100, 300, 501, 400, 600};
    for (std::size_t k = 0; k < 5; ++k)
        beats[k].Peak = peaks[k];
    TrimBeatsBeyond(beats, 501); // a peak equal to the sample count stays
    EXPECT_EQ(beats.size(), 4u);
    TrimBeatsBeyond(beats, 500);
    ASSERT_EQ(beats.size(), 2u); // 400 after the cut point goes too
    EXPECT_EQ(beats[1].Peak, 300u);
}
