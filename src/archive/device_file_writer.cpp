#include "archive/device_file_writer.h"

#include "base/little_endian.h"

#include <algorithm>

namespace archive {
namespace {

std::vector<std::uint8_t> StartFile(const DeviceHeader& header, std::size_t bodyBytes)
{
    std::vector<std::uint8_t> bytes(kDeviceHeaderBytes + bodyBytes, 0);
    const DeviceHeaderBytes encoded = EncodeDeviceHeader(header);
    std::copy(encoded.begin(), encoded.end(), bytes.begin());
    return bytes;
}

void PutBlockStart(std::uint8_t* block, std::uint16_t marker, std::size_t sequence)
{
    base::le::PutU16(block, kBlockStartWord);
    base::le::PutU16(block + 2, marker);
    base::le::PutU16(block + 4, static_cast<std::uint16_t>(sequence));
}

} // namespace

std::size_t StoredEcgSamples(std::size_t sampleCount)
{
    return sampleCount / kEcgSamplesPerBlock * kEcgSamplesPerBlock;
}

std::vector<std::uint8_t> BuildEcgDeviceFile(const DeviceHeader& header, std::span<const std::uint16_t> samples)
{
    const std::size_t blocks = samples.size() / kEcgSamplesPerBlock;
    std::vector<std::uint8_t> bytes = StartFile(header, blocks * kEcgBlockBytes);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* block = bytes.data() + kDeviceHeaderBytes + b * kEcgBlockBytes;
        PutBlockStart(block, kEcgBlockMarker, b);
        base::le::PutU16s(block + 2 * kBlockFirstPayloadWord, samples.data() + b * kEcgSamplesPerBlock,
                          kEcgSamplesPerBlock);
    }
    return bytes;
}

std::vector<std::uint8_t> BuildSpO2DeviceFile(const DeviceHeader& header, std::span<const SpO2Record> records)
{
    std::vector<std::uint8_t> bytes = StartFile(header, records.size() * kSpO2BlockBytes);
    for (std::size_t b = 0; b < records.size(); ++b) {
        std::uint8_t* block = bytes.data() + kDeviceHeaderBytes + b * kSpO2BlockBytes;
        PutBlockStart(block, kSpO2BlockMarker, b);
        base::le::PutU16(block + 2 * kSpO2ValueWord, records[b].spo2Percent);
        base::le::PutU16(block + 2 * kPulseRateWord, records[b].pulseBpm);
    }
    return bytes;
}

DeviceHeader HeaderFor(const DateTime& start)
{
    DeviceHeader header;
    header.year = static_cast<std::uint16_t>(start.year);
    header.month = static_cast<std::uint8_t>(start.month);
    header.day = static_cast<std::uint8_t>(start.day);
    header.hour = static_cast<std::uint8_t>(start.hour);
    header.minute = static_cast<std::uint8_t>(start.minute);
    header.second = static_cast<std::uint8_t>(start.second);
    return header;
}

} // namespace archive
