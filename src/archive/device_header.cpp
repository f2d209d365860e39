#include "archive/device_header.h"

#include "archive/little_endian.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

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
    header.year = le::ReadWord(bytes.data() + kHeaderYearOffset);
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
    le::WriteWord(bytes.data() + kHeaderYearOffset, header.year);
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

DateTime StartTimeOf(const DeviceHeader& header, const DateTime& now)
{
    const DateTime stated{header.year, header.month, header.day,
                          header.hour, header.minute, header.second};
    return IsValidDateTime(stated) ? stated : now;
}

std::optional<DeviceHeader> ReadDeviceHeader(const std::filesystem::path& deviceFile)
{
    const base::UniqueFd fd(::open(deviceFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    DeviceHeaderBytes bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        filled += static_cast<std::size_t>(got);
    }
    return DecodeDeviceHeader(bytes);
}

} // namespace archive
