#include "signal/beat_revision.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

const RevisionCase kCases[] = {
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

} // namespace

TEST(BeatRevision, ClassesByTheRulesOfTheWholeList)
{
    for (const RevisionCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<QrsRecord> beats(c.count, QrsRecord{.RRInterval = 160, .RRRatio = 100, .QrsWidth = 16, .BeatClass = c.others});
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
