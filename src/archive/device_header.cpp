#include "archive/device_header.h"

#include "base/fd_io.h"
#include "base/little_endian.h"

#include <algorithm>
#include <ctime>
#include <vector>

namespace archive {
namespace {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

DeviceHeader DecodeDeviceHeader(std::span<const std::uint8_t, kDeviceHeaderBytes> bytes)
{
    DeviceHeader header;
    header.year = base::le::GetU16(bytes.data() + kHeaderYearOffset);
    header.day = bytes[kHeaderDayOffset];
    header.month = bytes[kHeaderMonthOffset];
    header.minute = bytes[kHeaderMinuteOffset];
    header.hour = bytes[kHeaderHourOffset];
    header.second = bytes[kHeaderSecondOffset];
    header.spare = bytes[kHeaderSpareOffset];
    return header;
}

DeviceHeaderBytes EncodeDeviceHeader(const DeviceHeader& header)
{
    DeviceHeaderBytes bytes{};
    base::le::PutU16(bytes.data() + kHeaderYearOffset, header.year);
    bytes[kHeaderDayOffset] = header.day;
    bytes[kHeaderMonthOffset] = header.month;
    bytes[kHeaderMinuteOffset] = header.minute;
    bytes[kHeaderHourOffset] = header.hour;
    bytes[kHeaderSecondOffset] = header.second;
    bytes[kHeaderSpareOffset] = header.spare;
    return bytes;
}

bool IsValidDateTime(const DateTime& value)
{
    if (value.year < 1 || value.year > 9999 || value.month < 1 || value.month > 12)
        return false;
    if (value.day < 1 || value.day > DaysInMonth(value.year, value.month))
        return false;
    return value.hour >= 0 && value.hour <= 23 && value.minute >= 0 && value.minute <= 59
        && value.second >= 0 && value.second <= 59;
}

DateTime LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour, local.tm_min, std::min(local.tm_sec, 59)};
}

std::optional<DateTime> StatedStartTime(const DeviceHeader& header)
{
    const DateTime stated{header.year, header.month, header.day, header.hour, header.minute, header.second};
    if (!IsValidDateTime(stated))
        return std::nullopt;
    return stated;
}

DateTime StartTimeOf(const DeviceHeader& header, const DateTime& now)
{
    return StatedStartTime(header).value_or(now);
}

namespace {

// Reads up to `size` bytes from the start of a regular file; nothing when it
// cannot be opened or read, or is no regular file (a FIFO would block).
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::filesystem::path& file, std::size_t size)
{
    const auto regular = base::OpenRegularFile(file);
    if (!regular)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    const std::int64_t got = base::ReadFull(regular->fd.get(), bytes.data(), size);
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

} // namespace

std::optional<DeviceHeader> ReadDeviceHeader(const std::filesystem::path& deviceFile)
{
    const auto bytes = ReadFileStart(deviceFile, kDeviceHeaderBytes);
    if (!bytes || bytes->size() < kDeviceHeaderBytes)
        return std::nullopt;
    return DecodeDeviceHeader(std::span<const std::uint8_t, kDeviceHeaderBytes>(bytes->data(), kDeviceHeaderBytes));
}

std::optional<std::uint64_t> DeviceFileFingerprint(const std::filesystem::path& deviceFile)
{
    constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t kFnvPrime = 1099511628211ULL;
    const auto bytes = ReadFileStart(deviceFile, kDeviceHeaderBytes + kConvertChunkBytes);
    if (!bytes)
        return std::nullopt;
    std::uint64_t hash = kFnvOffsetBasis;
    for (const std::uint8_t byte : *bytes)
        hash = (hash ^ byte) * kFnvPrime;
    return hash;
}

} // namespace archive
