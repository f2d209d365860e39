#include "signal/qrs_record.h"

#include "base/little_endian.h"

void EncodeQrsRecord(const QrsRecord& record, std::span<std::uint8_t, kQrsRecordBytes> bytes)
{
    std::uint8_t* out = bytes.data();
    base::le::PutU32(out + 0, record.Onset);
    base::le::PutU32(out + 4, record.Peak);
    base::le::PutU32(out + 8, record.End);
    base::le::PutU16(out + 12, static_cast<std::uint16_t>(record.RRInterval));
    base::le::PutU16(out + 14, record.RRRatio);
    base::le::PutU16(out + 16, static_cast<std::uint16_t>(record.QrsWidth));
    base::le::PutU16(out + 18, record.Reserved1);
    base::le::PutU32(out + 20, record.BeatClass);
    out[24] = record.NoiseCount;
    out[25] = record.Reserved2[0];
    out[26] = record.Reserved2[1];
    out[27] = record.Reserved2[2];
}

QrsRecord DecodeQrsRecord(std::span<const std::uint8_t, kQrsRecordBytes> bytes)
{
    const std::uint8_t* in = bytes.data();
    QrsRecord record;
    record.Onset = base::le::GetU32(in + 0);
    record.Peak = base::le::GetU32(in + 4);
    record.End = base::le::GetU32(in + 8);
    record.RRInterval = static_cast<std::int16_t>(base::le::GetU16(in + 12));
    record.RRRatio = base::le::GetU16(in + 14);
    record.QrsWidth = static_cast<std::int16_t>(base::le::GetU16(in + 16));
    record.Reserved1 = base::le::GetU16(in + 18);
    record.BeatClass = base::le::GetU32(in + 20);
    record.NoiseCount = in[24];
    record.Reserved2 = {in[25], in[26], in[27]};
    return record;
}

std::vector<std::uint8_t> EncodeQrsRecords(std::span<const QrsRecord> records)
{
    std::vector<std::uint8_t> bytes(records.size() * kQrsRecordBytes);
    for (std::size_t k = 0; k < records.size(); ++k)
        EncodeQrsRecord(records[k], std::span<std::uint8_t, kQrsRecordBytes>(bytes.data() + k * kQrsRecordBytes,
                                                                             kQrsRecordBytes));
    return bytes;
}

std::vector<QrsRecord> DecodeQrsRecords(std::span<const std::uint8_t> bytes)
{
    std::vector<QrsRecord> records(bytes.size() / kQrsRecordBytes);
    for (std::size_t k = 0; k < records.size(); ++k)
        records[k] = DecodeQrsRecord(
            std::span<const std::uint8_t, kQrsRecordBytes>(bytes.data() + k * kQrsRecordBytes, kQrsRecordBytes));
    return records;
}
