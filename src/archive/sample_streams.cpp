#include "archive/sample_streams.h"

#include "archive/file_utils.h"
#include "base/fd_io.h"
#include "base/file_error_text.h"
#include "base/little_endian.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace archive {
namespace {

// Reads up to `size` bytes at `offset`; fewer at the end of the file, none
// when it cannot be read.
std::vector<std::uint8_t> ReadBytesAt(const std::filesystem::path& file, std::int64_t offset, std::size_t size)
{
    const base::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || ::lseek(fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0)
        return {};
    std::vector<std::uint8_t> bytes(size);
    const std::int64_t got = base::ReadFull(fd.get(), bytes.data(), size);
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

base::Status WriteBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, int flags)
{
    base::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666));
    if (!fd)
        return base::Status::Error(base::FileErrorText("Cannot open", file, errno));
    if (!base::WriteAll(fd.get(), bytes) || !fd.Close())
        return base::Status::Error(base::FileErrorText("Cannot write", file, errno));
    return base::Status::Ok();
}

std::size_t ClampedCount(std::int64_t first, std::int64_t count, std::int64_t available)
{
    if (first < 0 || count <= 0 || first >= available)
        return 0;
    return static_cast<std::size_t>(std::min(count, available - first));
}

} // namespace

std::int64_t EcgSampleCount(const std::filesystem::path& ecgData)
{
    return FileSize(ecgData.string()) / static_cast<std::int64_t>(kEcgSampleBytes);
}

std::int64_t SpO2RecordCount(const std::filesystem::path& spo2Data)
{
    return FileSize(spo2Data.string()) / static_cast<std::int64_t>(kSpO2RecordBytes);
}

std::vector<std::uint16_t> ReadEcgSamples(const std::filesystem::path& ecgData, std::int64_t first,
                                          std::int64_t count)
{
    const std::size_t wanted = ClampedCount(first, count, EcgSampleCount(ecgData));
    const auto bytes = ReadBytesAt(ecgData, first * static_cast<std::int64_t>(kEcgSampleBytes),
                                   wanted * kEcgSampleBytes);
    std::vector<std::uint16_t> samples(bytes.size() / kEcgSampleBytes);
    base::le::GetU16s(bytes.data(), samples.data(), samples.size());
    return samples;
}

std::vector<SpO2Record> ReadSpO2Records(const std::filesystem::path& spo2Data, std::int64_t first,
                                        std::int64_t count)
{
    const std::size_t wanted = ClampedCount(first, count, SpO2RecordCount(spo2Data));
    const auto bytes = ReadBytesAt(spo2Data, first * static_cast<std::int64_t>(kSpO2RecordBytes),
                                   wanted * kSpO2RecordBytes);
    std::vector<SpO2Record> records(bytes.size() / kSpO2RecordBytes);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].spo2Percent = base::le::GetU16(bytes.data() + kSpO2RecordBytes * i);
        records[i].pulseBpm = base::le::GetU16(bytes.data() + kSpO2RecordBytes * i + 2);
    }
    return records;
}

std::vector<std::uint8_t> EncodeEcgSamples(std::span<const std::uint16_t> samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * kEcgSampleBytes);
    base::le::PutU16s(bytes.data(), samples.data(), samples.size());
    return bytes;
}

std::vector<std::uint8_t> EncodeSpO2Records(std::span<const SpO2Record> records)
{
    std::vector<std::uint8_t> bytes(records.size() * kSpO2RecordBytes);
    for (std::size_t i = 0; i < records.size(); ++i) {
        base::le::PutU16(bytes.data() + kSpO2RecordBytes * i, records[i].spo2Percent);
        base::le::PutU16(bytes.data() + kSpO2RecordBytes * i + 2, records[i].pulseBpm);
    }
    return bytes;
}

base::Status AppendEcgSamples(const std::filesystem::path& ecgData, std::span<const std::uint16_t> samples)
{
    return WriteBytes(ecgData, EncodeEcgSamples(samples), O_APPEND);
}

base::Status AppendSpO2Records(const std::filesystem::path& spo2Data, std::span<const SpO2Record> records)
{
    return WriteBytes(spo2Data, EncodeSpO2Records(records), O_APPEND);
}

base::Status WriteWholeFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes)
{
    return WriteBytes(file, bytes, O_TRUNC);
}

} // namespace archive
