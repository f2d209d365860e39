#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One detected beat, and the record of "qrs.ecg" (no file header; record k
// lies at byte 28 * k). The in-memory layout matches the file, but the file is
// always written through EncodeQrsRecord so that it stays little-endian.
struct QrsRecord {
    std::uint32_t Onset = 0;
    std::uint32_t Peak = 0;
    std::uint32_t End = 0;
    std::int16_t RRInterval = 0;
    std::uint16_t RRRatio = 0;
    std::int16_t QrsWidth = 0;
    std::uint16_t Reserved1 = 0;
    std::uint32_t BeatClass = 0;
    std::uint8_t NoiseCount = 0;
    std::array<std::uint8_t, 3> Reserved2{};

    bool operator==(const QrsRecord&) const = default;
};
static_assert(sizeof(QrsRecord) == 28, "a beat record is 28 bytes");

inline constexpr std::size_t kQrsRecordBytes = 28;

// Beat classes assigned by the detector and its revision pass.
enum BeatClassCode : std::uint32_t {
    kBeatUnclassified = 0,
    kBeatNormal = 1,
    kBeatWide = 2,
    kBeatPremature = 3,
    kBeatPause = 4,
    kBeatLongPause = 5,
};

void EncodeQrsRecord(const QrsRecord& record, std::span<std::uint8_t, kQrsRecordBytes> bytes);
QrsRecord DecodeQrsRecord(std::span<const std::uint8_t, kQrsRecordBytes> bytes);

// Whole beat lists in file form; a trailing partial record is ignored.
std::vector<std::uint8_t> EncodeQrsRecords(std::span<const QrsRecord> records);
std::vector<QrsRecord> DecodeQrsRecords(std::span<const std::uint8_t> bytes);
