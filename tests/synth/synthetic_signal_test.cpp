#include "synth/synthetic_ecg.h"
#include "synth/synthetic_spo2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

TEST(SyntheticEcg, BeatsFollowTheRateAndSitOnTheRPeaks)
{
    synth::EcgOptions options;
    options.seconds = 120.0;
    options.rateBpm = 75.0;
    const synth::EcgTrace trace = synth::MakeEcg(options);

    ASSERT_EQ(trace.samples.size(), 24000U);
    EXPECT_NEAR(static_cast<double>(trace.beats.size()), 120.0 * 75.0 / 60.0, 1.0);
    for (std::size_t k = 1; k < trace.beats.size(); ++k) {
        const auto rr = trace.beats[k].peakSample - trace.beats[k - 1].peakSample;
        EXPECT_EQ(rr, 160) << "beat " << k;
    }
    for (const synth::EcgBeat& beat : trace.beats) {
        const auto peak = static_cast<std::size_t>(beat.peakSample);
        const auto first = trace.samples.begin() + static_cast<std::ptrdiff_t>(peak) - 30;
        const auto last = trace.samples.begin() + static_cast<std::ptrdiff_t>(std::min(peak + 30, trace.samples.size()));
        EXPECT_EQ(std::max_element(first, last) - trace.samples.begin(), beat.peakSample);
        EXPECT_NEAR(trace.samples[peak], 2048 + 1.2 * 200, 4);
        EXPECT_FALSE(beat.premature);
    }
    // Far from any complex the trace rests on the zero level.
    EXPECT_EQ(trace.samples[0], 2048);
}

TEST(SyntheticEcg, PrematureBeatsComeEarlyWithAPauseAndNeverInPairs)
{
    synth::EcgOptions options;
    options.seconds = 600.0;
    options.rateBpm = 60.0;
    options.prematureShare = 0.1;
    options.seed = 7;
    const synth::EcgTrace trace = synth::MakeEcg(options);

    int premature = 0;
    for (std::size_t k = 1; k + 1 < trace.beats.size(); ++k) {
        if (!trace.beats[k].premature)
            continue;
        ++premature;
        EXPECT_FALSE(trace.beats[k - 1].premature);
        EXPECT_FALSE(trace.beats[k + 1].premature);
        EXPECT_EQ(trace.beats[k].peakSample - trace.beats[k - 1].peakSample, 140);
        EXPECT_EQ(trace.beats[k + 1].peakSample - trace.beats[k].peakSample, 60);
    }
    EXPECT_GT(premature, 25);
    EXPECT_LT(premature, 90);
}

TEST(SyntheticEcg, SeedsAreReproducibleAndSamplesStayInTwelveBits)
{
    synth::EcgOptions options;
    options.seconds = 30.0;
    options.rateSwingBpm = 20.0;
    options.noiseMv = 0.05;
    options.wanderMv = 0.3;
    options.humMv = 0.1;
    options.prematureShare = 0.2;
    const synth::EcgTrace first = synth::MakeEcg(options);
    const synth::EcgTrace again = synth::MakeEcg(options);
    EXPECT_EQ(first.samples, again.samples);
    ASSERT_EQ(first.beats.size(), again.beats.size());
    options.seed = 2;
    EXPECT_NE(synth::MakeEcg(options).samples, first.samples);

    options.qrsMv = 60.0;   // R and S far beyond the 12-bit range
    const synth::EcgTrace clipped = synth::MakeEcg(options);
    EXPECT_EQ(*std::max_element(clipped.samples.begin(), clipped.samples.end()), 4095);
    EXPECT_EQ(*std::min_element(clipped.samples.begin(), clipped.samples.end()), 0);
}

TEST(SyntheticSpO2, EventsFallHoldAndRiseBackToTheBaseline)
{
    synth::SpO2Options options;
    options.seconds = 300.0;
    options.baselinePercent = 96;
    options.pulseBpm = 64.0;
    options.desaturations = {{100.0, 10.0, 20.0, 15.0, 8}, {200.0, 5.0, 5.0, 5.0, 4}};
    const synth::SpO2Trace trace = synth::MakeSpO2(options);

    ASSERT_EQ(trace.spo2.size(), 300U);
    ASSERT_EQ(trace.pulse.size(), 300U);
    EXPECT_EQ(trace.spo2[99], 96);
    EXPECT_EQ(trace.spo2[100], 96);
    EXPECT_EQ(trace.spo2[105], 92);
    for (int s = 110; s < 130; ++s)
        EXPECT_EQ(trace.spo2[static_cast<std::size_t>(s)], 88) << s;
    EXPECT_EQ(trace.spo2[145], 96);
    EXPECT_EQ(*std::min_element(trace.spo2.begin() + 195, trace.spo2.begin() + 220), 92);
    EXPECT_TRUE(std::all_of(trace.pulse.begin(), trace.pulse.end(), [](auto p) { return p == 64; }));

    options.noisePercent = 0.4;
    const synth::SpO2Trace noisy = synth::MakeSpO2(options);
    EXPECT_EQ(noisy.spo2, synth::MakeSpO2(options).spo2);
    EXPECT_NE(noisy.spo2, trace.spo2);
    const auto off = std::count_if(noisy.spo2.begin(), noisy.spo2.begin() + 100,
                                   [](auto v) { return std::abs(int{v} - 96) > 2; });
    EXPECT_EQ(off, 0);
}

} // namespace
