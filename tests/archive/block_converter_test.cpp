#include "archive/block_converter.h"

#include "hand_built.h"

#include <gtest/gtest.h>

namespace {

using handbuilt::Bytes;

TEST(ConvertBlocks, RefusesMissingBuffersEmptyCountsAndUnknownModes)
{
    Bytes body;
    handbuilt::AppendSpO2Block(body, 95, 60);
    const auto source = handbuilt::Words(body);
    std::vector<std::uint16_t> destination(16, 0xEEEE);
    const auto n = static_cast<long long>(source.size());

    // To, from, words, mode.
    const std::tuple<std::uint16_t*, const std::uint16_t*, long long, int> refused[] = {
        {nullptr, source.data(), n, 1},           {destination.data(), nullptr, n, 1},
        {destination.data(), source.data(), 0, 1}, {destination.data(), source.data(), -5, 1},
        {destination.data(), source.data(), n, 2}, {destination.data(), source.data(), n, -1}};
    for (const auto& [to, from, words, mode] : refused)
        EXPECT_EQ(archive::ConvertBlocks(to, from, words, mode), 0U) << words << " " << mode;
    EXPECT_EQ(destination[0], 0xEEEE);

    ASSERT_EQ(archive::ConvertBlocks(destination.data(), source.data(), n, 1), 2U);
    EXPECT_EQ(destination[0], 95);
    EXPECT_EQ(destination[1], 60);
    // One word short of a whole block: nothing is scanned.
    EXPECT_EQ(archive::ConvertBlocks(destination.data(), source.data(), n - 1, 1), 0U);
    // The SpO2 marker is not an ECG marker.
    EXPECT_EQ(archive::ConvertBlocks(destination.data(), source.data(), n, 0), 0U);
}

TEST(ConvertBlocks, CopiesWholeBlocksAndSkipsStrayWords)
{
    Bytes body;
    handbuilt::PutWord(body, 0xFFFF);              // a start word without its marker
    handbuilt::PutWord(body, 0x0001);
    handbuilt::AppendEcgBlock(body, 100);
    handbuilt::PutWord(body, 0xC000);              // a lone marker
    handbuilt::AppendEcgBlock(body, 1000);
    handbuilt::AppendEcgBlock(body, 2000);          // cut short below
    const auto source = handbuilt::Words(body);
    const auto n = static_cast<long long>(source.size()) - 1;

    std::vector<std::uint16_t> out(archive::ConvertedWordsCapacity(source.size(), archive::ConvertMode::Ecg));
    ASSERT_EQ(archive::ConvertBlocks(out.data(), source.data(), n, 0), 2U * 253U);
    for (int i = 0; i < 253; ++i) {
        EXPECT_EQ(out[static_cast<std::size_t>(i)], 100 + i);
        EXPECT_EQ(out[static_cast<std::size_t>(253 + i)], 1000 + i);
    }
}

TEST(ConvertBlocks, TheHalfBlockStepFindsMarkersInsideABlockAndCapacityCoversIt)
{
    // A crafted body with a marker pair every 128 words: every pair starts a
    // "block" because the scan steps only half a block after each hit.
    const std::size_t words = 2560;
    std::vector<std::uint16_t> source(words, 7);
    for (std::size_t i = 0; i + 1 < words; i += 128) {
        source[i] = 0xFFFF;
        source[i + 1] = 0xC000;
    }
    const std::size_t capacity = archive::ConvertedWordsCapacity(words, archive::ConvertMode::Ecg);
    // Exactly sized, so that any write past it is caught by the sanitizers.
    std::vector<std::uint16_t> out(capacity);
    const std::size_t written = archive::ConvertBlocks(out.data(), source.data(), words, 0);
    EXPECT_EQ(written, 19U * 253U);   // more than the 10 blocks a chunk normally holds
    EXPECT_EQ(written, capacity);
    // Words 128 and 129 of the first block are a marker pair copied as samples.
    EXPECT_EQ(out[125], 0xFFFF);
    EXPECT_EQ(out[126], 0xC000);

    std::vector<std::uint16_t> spo2(words, 0);
    for (std::size_t i = 0; i + 1 < words; i += 128) {
        spo2[i] = 0xFFFF;
        spo2[i + 1] = 0xBC00;
    }
    std::vector<std::uint16_t> spo2Out(archive::ConvertedWordsCapacity(words, archive::ConvertMode::SpO2));
    EXPECT_EQ(archive::ConvertBlocks(spo2Out.data(), spo2.data(), words, 1), 40U);
    EXPECT_EQ(spo2Out.size(), 40U);
    EXPECT_EQ(archive::ConvertedWordsCapacity(255, archive::ConvertMode::Ecg), 0U);
    EXPECT_EQ(archive::ConvertedWordsCapacity(127, archive::ConvertMode::SpO2), 0U);
}

} // namespace
