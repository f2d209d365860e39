#include "archive/block_converter.h"

#include <algorithm>

namespace archive {
namespace {

std::size_t ScanSpO2(std::uint16_t* destination, const std::uint16_t* source, long long n)
{
    std::size_t written = 0;
    long long i = 0;
    while (i < n - 127) {
        if (source[i] == kBlockStartWord && source[i + 1] == kSpO2BlockMarker) {
            destination[written++] = source[i + kSpO2ValueWord];
            destination[written++] = source[i + kPulseRateWord];
            i += kSpO2ScanStepWords;
        } else {
            ++i;
        }
    }
    return written;
}

std::size_t ScanEcg(std::uint16_t* destination, const std::uint16_t* source, long long n)
{
    std::size_t written = 0;
    long long i = 0;
    while (i < n - 255) {
        if (source[i] == kBlockStartWord && source[i + 1] == kEcgBlockMarker) {
            std::copy_n(source + i + kBlockFirstPayloadWord, kEcgSamplesPerBlock, destination + written);
            written += kEcgSamplesPerBlock;
            i += kEcgScanStepWords;
        } else {
            ++i;
        }
    }
    return written;
}

} // namespace

std::size_t ConvertBlocks(std::uint16_t* destination, const std::uint16_t* source,
                          long long sourceWords, int mode)
{
    if (destination == nullptr || source == nullptr || sourceWords < 1)
        return 0;
    if (mode == static_cast<int>(ConvertMode::SpO2))
        return ScanSpO2(destination, source, sourceWords);
    if (mode == static_cast<int>(ConvertMode::Ecg))
        return ScanEcg(destination, source, sourceWords);
    return 0;
}

std::size_t ConvertedWordsCapacity(std::size_t sourceWords, ConvertMode mode)
{
    // Block hits lie at least one scan step apart and a block must fit whole.
    const bool ecg = mode == ConvertMode::Ecg;
    const std::size_t blockWords = ecg ? kEcgBlockWords : kSpO2BlockWords;
    const std::size_t stepWords = ecg ? kEcgScanStepWords : kSpO2ScanStepWords;
    const std::size_t wordsPerHit = ecg ? kEcgSamplesPerBlock : 2;
    if (sourceWords < blockWords)
        return 0;
    return ((sourceWords - blockWords) / stepWords + 1) * wordsPerHit;
}

std::optional<std::string> NotARecording(std::uint64_t bodyBytes, std::uint64_t convertedBytes, ConvertMode mode)
{
    const bool ecg = mode == ConvertMode::Ecg;
    const std::uint64_t blockBytes = ecg ? kEcgBlockBytes : kSpO2BlockBytes;
    const std::uint64_t bytesPerBlockOut = ecg ? kEcgSamplesPerBlock * kEcgSampleBytes : kSpO2RecordBytes;
    const std::uint64_t found = convertedBytes / bytesPerBlockOut;
    const char* kind = ecg ? "ECG" : "SpO2";
    if (found == 0)
        return std::string("no ") + kind + " block in its " + std::to_string(bodyBytes) + " bytes: it holds no recording";
    const std::uint64_t chunks = (bodyBytes + kConvertChunkBytes - 1) / kConvertChunkBytes;
    const std::uint64_t sizeAllows = bodyBytes / blockBytes;
    const std::uint64_t formatLosses = chunks + 1;
    if (found + formatLosses < sizeAllows)
        return "only " + std::to_string(found) + " of the " + std::to_string(sizeAllows) + " " + kind
               + " blocks its size allows were found: the file is damaged";
    return std::nullopt;
}

} // namespace archive
