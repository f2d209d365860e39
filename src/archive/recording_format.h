#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Byte layouts of the recorder's device files (".ECG", ".SPO") and of the
// headerless sample streams kept in each case folder. All values are
// little-endian words (unsigned 16-bit) whatever the host is.
namespace archive {

// File names inside a case folder, shared by every module.
inline constexpr std::string_view kEcgDataFile = "data.ecg";
inline constexpr std::string_view kSpO2DataFile = "data.spo";
inline constexpr std::string_view kQrsFile = "qrs.ecg";
inline constexpr std::string_view kSpO2AnalysisFile = "ana.spo";

// Device file extensions, matched without regard to case.
inline constexpr std::string_view kEcgExtension = "ECG";
inline constexpr std::string_view kSpO2Extension = "SPO";

// Sample type of an archive, also stored as [CaseStyle].
enum class SampleType : int { Ecg = 0, SpO2 = 1, EcgAndSpO2 = 2 };

// Conversion mode of one device file.
enum class ConvertMode : int { Ecg = 0, SpO2 = 1 };

inline constexpr int kEcgSamplesPerSecond = 200;

// Device file header: 8 bytes. Day/month and minute/hour are the low/high
// bytes of the words at offsets 2 and 4.
inline constexpr std::size_t kDeviceHeaderBytes = 8;
inline constexpr std::size_t kHeaderYearOffset = 0;     // u16
inline constexpr std::size_t kHeaderDayOffset = 2;      // u8
inline constexpr std::size_t kHeaderMonthOffset = 3;    // u8
inline constexpr std::size_t kHeaderMinuteOffset = 4;   // u8
inline constexpr std::size_t kHeaderHourOffset = 5;     // u8
inline constexpr std::size_t kHeaderSecondOffset = 6;   // u8
inline constexpr std::size_t kHeaderSpareOffset = 7;    // u8, never read
static_assert(kHeaderSpareOffset + 1 == kDeviceHeaderBytes);

using DeviceHeaderBytes = std::array<std::uint8_t, kDeviceHeaderBytes>;

// Every block opens with the start word and its kind's marker; word 2 is
// free for the recorder.
inline constexpr std::uint16_t kBlockStartWord = 0xFFFF;
inline constexpr std::uint16_t kEcgBlockMarker = 0xC000;
inline constexpr std::uint16_t kSpO2BlockMarker = 0xBC00;
inline constexpr std::size_t kBlockFirstPayloadWord = 3;

inline constexpr std::size_t kEcgBlockWords = 256;
inline constexpr std::size_t kEcgSamplesPerBlock = kEcgBlockWords - kBlockFirstPayloadWord;
inline constexpr std::size_t kEcgBlockBytes = kEcgBlockWords * 2;
static_assert(kEcgSamplesPerBlock == 253 && kEcgBlockBytes == 512);

inline constexpr std::size_t kSpO2BlockWords = 128;
inline constexpr std::size_t kSpO2BlockBytes = kSpO2BlockWords * 2;
inline constexpr std::size_t kSpO2ValueWord = 3;
inline constexpr std::size_t kPulseRateWord = 4;
static_assert(kSpO2BlockBytes == 256);

// After an ECG block the scan moves on by half a block only and then word by
// word to the next marker pair.
inline constexpr std::size_t kEcgScanStepWords = 128;
inline constexpr std::size_t kSpO2ScanStepWords = 128;

// The body is converted in chunks of this size; a block cut by a chunk end is lost.
inline constexpr std::size_t kConvertChunkBytes = 5120;
inline constexpr std::size_t kConvertChunkWords = kConvertChunkBytes / 2;
static_assert(kConvertChunkBytes % kEcgBlockBytes == 0 && kConvertChunkBytes / kEcgBlockBytes == 10);
static_assert(kConvertChunkBytes % kSpO2BlockBytes == 0 && kConvertChunkBytes / kSpO2BlockBytes == 20);

// "data.ecg": one word per sample. "data.spo": one record per second.
inline constexpr std::size_t kEcgSampleBytes = 2;
struct SpO2Record {
    std::uint16_t spo2Percent;
    std::uint16_t pulseBpm;
};
inline constexpr std::size_t kSpO2RecordBytes = 4;
static_assert(sizeof(SpO2Record) == kSpO2RecordBytes);

} // namespace archive
