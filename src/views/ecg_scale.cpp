#include "views/ecg_scale.h"

#include <algorithm>

namespace views::ecg {

namespace {

// Samples per pixel at the speeds where it is whole (not 20 mm/s).
constexpr std::array<int, 4> kWholeSamplesPerPixel{4, 0, 2, 1};
// At 20 mm/s two columns show samples 0 and 3 of each 5.
constexpr int kPairSamples = 5;
constexpr int kSecondOfPair = 3;

} // namespace

int ValidSpeedIndex(int speedIndex)
{
    return std::clamp(speedIndex, 0, static_cast<int>(kSpeedMmPerS.size()) - 1);
}

int ValidGainIndex(int gainIndex)
{
    return std::clamp(gainIndex, 0, static_cast<int>(kGainMmPerMv.size()) - 1);
}

std::int64_t PageLength(int speedIndex, int widthPx)
{
    const std::int64_t width = std::max(widthPx, 0);
    if (speedIndex == kTwentyMmPerSIndex)
        return (width * kPairSamples + 1) / 2;
    return width * kWholeSamplesPerPixel[static_cast<std::size_t>(ValidSpeedIndex(speedIndex))];
}

std::int64_t AlignPageStart(std::int64_t position, int speedIndex)
{
    const std::int64_t step = speedIndex == kTwentyMmPerSIndex
        ? kPairSamples
        : kWholeSamplesPerPixel[static_cast<std::size_t>(ValidSpeedIndex(speedIndex))];
    const std::int64_t start = std::max<std::int64_t>(position, 0);
    return start - start % step;
}

std::int64_t PageStartShowing(std::int64_t sample, std::int64_t pageLength, int speedIndex)
{
    const std::int64_t start = AlignPageStart(sample - sample % pageLength, speedIndex);
    return sample - start < pageLength ? start : start + kPairSamples;
}

std::int64_t ScrollMaximum(std::int64_t samples, std::int64_t pageLength)
{
    return std::max<std::int64_t>(0, samples + pageLength / 3 - pageLength + 1);
}

int ColumnOfSample(std::int64_t offset, int speedIndex)
{
    if (speedIndex == kTwentyMmPerSIndex)
        return static_cast<int>(offset / kPairSamples * 2 + (offset % kPairSamples >= kSecondOfPair ? 1 : 0));
    return static_cast<int>(offset / kWholeSamplesPerPixel[static_cast<std::size_t>(ValidSpeedIndex(speedIndex))]);
}

std::uint16_t ReduceBlock(std::span<const std::uint16_t> block)
{
    const std::uint16_t first = block.front();
    const std::uint16_t last = block.back();
    const auto [smallest, largest] = std::minmax_element(block.begin(), block.end());
    const bool keepsTop = *largest <= std::max(first, last);
    const bool keepsBottom = *smallest >= std::min(first, last);
    if (keepsTop && keepsBottom)
        return last;
    if (keepsBottom)
        return *largest;
    if (keepsTop)
        return *smallest;
    std::uint64_t sum = 0;
    for (const std::uint16_t sample : block)
        sum += sample;
    return static_cast<std::uint16_t>(sum / block.size());
}

std::vector<std::uint16_t> PageColumns(std::span<const std::uint16_t> page, int speedIndex)
{
    std::vector<std::uint16_t> columns;
    if (speedIndex == kTwentyMmPerSIndex) {
        columns.reserve(page.size() * 2 / kPairSamples + 1);
        for (std::size_t first = 0; first < page.size(); first += kPairSamples) {
            columns.push_back(page[first]);
            if (first + kSecondOfPair < page.size())
                columns.push_back(page[first + kSecondOfPair]);
        }
        return columns;
    }
    const auto step = static_cast<std::size_t>(kWholeSamplesPerPixel[static_cast<std::size_t>(ValidSpeedIndex(speedIndex))]);
    columns.reserve(page.size() / step + 1);
    for (std::size_t first = 0; first < page.size(); first += step)
        columns.push_back(ReduceBlock(page.subspan(first, std::min(step, page.size() - first))));
    return columns;
}

int LiveBlockSize(int speedIndex)
{
    return speedIndex == kTwentyMmPerSIndex ? kPairSamples : 4;
}

std::vector<std::uint16_t> LiveColumns(std::span<const std::uint16_t> block, int speedIndex)
{
    switch (ValidSpeedIndex(speedIndex)) {
    case 0:
        return {ReduceBlock(block)};
    case kTwentyMmPerSIndex:
        return {block[0], block[kSecondOfPair]};
    case 2:
        return {block[0], block[2]};
    default:
        return {block.begin(), block.end()};
    }
}

int TraceY(std::uint16_t sample, int gainIndex, int topPx, int heightPx)
{
    const double gain = kGainMmPerMv[static_cast<std::size_t>(ValidGainIndex(gainIndex))];
    const double y = topPx + (3 * heightPx) / 5 - (sample - kZeroLevel) * gain * kPixelsPerUnitAndGain;
    // Limiting in double before the cut to int gives the same rows and keeps a
    // far-off value from overflowing; a too-low area keeps its top limit.
    const int high = topPx + kEdgeInsetPx;
    const int low = std::max(high, topPx + heightPx - kEdgeInsetPx);
    return static_cast<int>(std::clamp(y, double(high), double(low)));
}

} // namespace views::ecg
