#include "archive/device_file_converter.h"
#include "archive/device_header.h"
#include "archive/sample_streams.h"

#include "file_size_limit.h"
#include "hand_built.h"
#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

namespace {

using handbuilt::Bytes;

const archive::DateTime kNow{2026, 12, 7, 10, 11, 12};

std::array<std::uint8_t, 8> Raw(const Bytes& header)
{
    std::array<std::uint8_t, 8> raw{};
    std::copy_n(header.begin(), 8, raw.begin());
    return raw;
}

archive::DateTime StartOf(const Bytes& header)
{
    return archive::StartTimeOf(archive::DecodeDeviceHeader(Raw(header)), kNow);
}

TEST(DeviceHeader, FieldsSitAtTheirBytesAndImpossibleDatesGiveTheCurrentTime)
{
    const Bytes bytes = handbuilt::Header(2010, 17, 3, 45, 8, 30);
    EXPECT_EQ(archive::EncodeDeviceHeader(archive::DecodeDeviceHeader(Raw(bytes))), Raw(bytes));
    EXPECT_EQ(StartOf(bytes), (archive::DateTime{2010, 3, 17, 8, 45, 30}));
    EXPECT_EQ(StartOf(handbuilt::Header(2024, 29, 2)), (archive::DateTime{2024, 2, 29, 8, 45, 30}));
    EXPECT_EQ(StartOf(handbuilt::Header(2000, 29, 2)).day, 29); // the 400th year is a leap year

    // Month 13, day 0, 29 February outside a leap year (1900: century), 31 April,
    // minute 60, hour 24, second 60, years 0 and 10000.
    for (const Bytes& impossible :
         {handbuilt::Header(2010, 17, 13), handbuilt::Header(2010, 0, 3), handbuilt::Header(2023, 29, 2),
          handbuilt::Header(1900, 29, 2), handbuilt::Header(2010, 31, 4), handbuilt::Header(2010, 17, 3, 60),
          handbuilt::Header(2010, 17, 3, 45, 24), handbuilt::Header(2010, 17, 3, 45, 8, 60), handbuilt::Header(0),
          handbuilt::Header(10000)})
        EXPECT_EQ(StartOf(impossible), kNow) << int(impossible[0] | impossible[1] << 8) << "-"
                                             << int(impossible[3]) << "-" << int(impossible[2]);
    EXPECT_TRUE(archive::IsValidDateTime(archive::LocalNow()));

    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "A.ECG", bytes);
    ASSERT_TRUE(archive::ReadDeviceHeader(dir / "A.ECG").has_value());
    EXPECT_EQ(archive::ReadDeviceHeader(dir / "A.ECG")->hour, 8);
    testsupport::WriteBytes(dir / "short.ECG", Bytes(bytes.begin(), bytes.begin() + 7));
    testsupport::WriteBytes(dir / "zero.SPO", {});
    for (const auto& unreadable : {dir / "short.ECG", dir / "missing.ECG", dir / "zero.SPO", dir.path()})
        EXPECT_FALSE(archive::ReadDeviceHeader(unreadable).has_value()) << unreadable;
}

TEST(CopyArchiveFile, ConvertsWholeAndPartialBodiesChunkByChunk)
{
    testsupport::TempDir dir;
    // Only a header: empty stream.
    testsupport::WriteBytes(dir / "EMPTY.ECG", handbuilt::Header());
    ASSERT_TRUE(archive::CopyArchiveFile(dir / "EMPTY.ECG", dir / "empty.ecg", archive::ConvertMode::Ecg).ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.ecg"), 0U);

    // 11 ECG blocks: 10 from the first chunk, 1 from the second, 2783 samples,
    // in file order, little-endian; an odd trailing byte is ignored.
    Bytes ecg = handbuilt::Header();
    for (int b = 0; b < 11; ++b)
        handbuilt::AppendEcgBlock(ecg, static_cast<std::uint16_t>(b * 253));
    ecg.push_back(0x77);
    testsupport::WriteBytes(dir / "E.ECG", ecg);
    ASSERT_TRUE(archive::CopyArchiveFile(dir / "E.ECG", dir / "data.ecg", archive::ConvertMode::Ecg).ok());
    const Bytes converted = testsupport::ReadBytes(dir / "data.ecg");
    ASSERT_EQ(converted.size(), 2783U * 2);
    for (std::size_t i = 0; i < 2783; ++i)
        ASSERT_EQ(converted[2 * i] | (converted[2 * i + 1] << 8), static_cast<int>(i & 0x0FFF)) << i;

    // SpO2 blocks shifted by 2 bytes of garbage: each block straddling a
    // 5120-byte chunk boundary is lost, every other one survives.
    Bytes spo2 = handbuilt::Header();
    spo2.insert(spo2.end(), {0x12, 0x34});
    for (int b = 0; b < 45; ++b)
        handbuilt::AppendSpO2Block(spo2, static_cast<std::uint16_t>(b), static_cast<std::uint16_t>(100 + b));
    testsupport::WriteBytes(dir / "S.SPO", spo2);
    // A previous, longer stream is truncated, not overlaid.
    testsupport::WriteBytes(dir / "data.spo", Bytes(4096, 0xAB));
    ASSERT_TRUE(archive::CopyArchiveFile(dir / "S.SPO", dir / "data.spo", archive::ConvertMode::SpO2).ok());
    const auto records = archive::ReadSpO2Records(dir / "data.spo", 0, 100);
    std::vector<int> kept;
    for (const auto& record : records) {
        EXPECT_EQ(record.pulseBpm, record.spo2Percent + 100);
        kept.push_back(record.spo2Percent);
    }
    std::vector<int> expected;
    for (int b = 0; b < 45; ++b)
        if (b != 19 && b != 39)   // blocks 19 and 39 straddle body offsets 5120 and 10240
            expected.push_back(b);
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(archive::SpO2RecordCount(dir / "data.spo"), 43);

    // An ECG file read as SpO2 (and the reverse) yields nothing.
    ASSERT_TRUE(archive::CopyArchiveFile(dir / "E.ECG", dir / "x.spo", archive::ConvertMode::SpO2).ok());
    EXPECT_EQ(std::filesystem::file_size(dir / "x.spo"), 0U);
}

TEST(CopyArchiveFile, FailuresLeaveNoHalfWrittenStream)
{
    testsupport::TempDir dir;
    Bytes ecg = handbuilt::Header();
    for (int b = 0; b < 200; ++b)
        handbuilt::AppendEcgBlock(ecg, static_cast<std::uint16_t>(b));
    testsupport::WriteBytes(dir / "E.ECG", ecg);

    // The source vanished (card pulled): nothing is written at all.
    auto status = archive::CopyArchiveFile(dir / "GONE.ECG", dir / "gone.ecg", archive::ConvertMode::Ecg);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("GONE.ECG"), std::string::npos) << status.error();
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.ecg"));

    // The destination folder is missing.
    status = archive::CopyArchiveFile(dir / "E.ECG", dir / "no" / "data.ecg", archive::ConvertMode::Ecg);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("Cannot create"), std::string::npos) << status.error();

    // A stop request: the partial stream is removed.
    std::stop_source stop;
    stop.request_stop();
    status = archive::CopyArchiveFile(dir / "E.ECG", dir / "stopped.ecg", archive::ConvertMode::Ecg, stop.get_token());
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "stopped.ecg"));

    // A full disk: the file size limit lets 10000 bytes through, then writes fail.
    {
        FileSizeLimit full(10000);
        ASSERT_TRUE(full.active());
        status = archive::CopyArchiveFile(dir / "E.ECG", dir / "full.ecg", archive::ConvertMode::Ecg);
    }
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("Cannot write"), std::string::npos) << status.error();
    EXPECT_FALSE(std::filesystem::exists(dir / "full.ecg"));

    // A folder in place of the device file: open succeeds, reading fails.
    std::filesystem::create_directory(dir / "DIR.ECG");
    status = archive::CopyArchiveFile(dir / "DIR.ECG", dir / "dir.ecg", archive::ConvertMode::Ecg);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "dir.ecg"));
}

} // namespace
