#pragma once

#include "archive/recording_format.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace archive {

// A calendar date and time of day, to the second.
struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const DateTime&, const DateTime&) = default;
    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// The fields of a device file header, as stored.
struct DeviceHeader {
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t spare = 0;   // never read by the computer
};

DeviceHeader DecodeDeviceHeader(std::span<const std::uint8_t, kDeviceHeaderBytes> bytes);
DeviceHeaderBytes EncodeDeviceHeader(const DeviceHeader& header);

// Year 1..9999, month 1..12, a day that month has (Gregorian leap years),
// hour 0..23, minute 0..59, second 0..59.
bool IsValidDateTime(const DateTime& value);

DateTime LocalNow();

// The recording start a header states; nothing when its fields do not form a
// valid date and time.
std::optional<DateTime> StatedStartTime(const DeviceHeader& header);

// The recording start a header states, or `now` when its fields do not form a
// valid date and time.
DateTime StartTimeOf(const DeviceHeader& header, const DateTime& now);

// A hash (64-bit FNV-1a) of a device file's header and first chunk: tells one
// recording from another where the start time cannot, because a header with an
// impossible date gets the time of reading. Nothing when the file cannot be read.
std::optional<std::uint64_t> DeviceFileFingerprint(const std::filesystem::path& deviceFile);

// The header of a device file; nothing when the file cannot be opened or is
// shorter than a header.
std::optional<DeviceHeader> ReadDeviceHeader(const std::filesystem::path& deviceFile);

} // namespace archive
