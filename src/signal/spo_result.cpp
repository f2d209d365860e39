#include "base/atomic_file.h"
#include "signal/spo_result.h"

#include "signal/file_io.h"
#include "base/little_endian.h"

std::vector<std::uint8_t> EncodeSpOResult(const SpOAnaResult& result, std::span<const SpOEvent> events)
{
    std::vector<std::uint8_t> bytes(kSpOResultBytes + events.size() * kSpOEventBytes);
    std::uint8_t* out = bytes.data();
    base::le::PutU16(out + 0, result.LowestSpo2);
    base::le::PutU16(out + 2, result.HighestSpo2);
    base::le::PutF32(out + 4, result.AverageSpo2);
    base::le::PutU32(out + 8, result.ValidSeconds);
    base::le::PutF32(out + 12, result.MinutesBelowLevel);
    base::le::PutU32(out + 16, result.Reserved1);
    for (std::size_t k = 0; k < result.Spo2Histogram.size(); ++k)
        base::le::PutU32(out + 20 + 4 * k, result.Spo2Histogram[k]);
    base::le::PutF32(out + 420, result.EventsPerHour);
    base::le::PutF32(out + 424, result.EventMinutes);
    base::le::PutF32(out + 428, result.AverageEventSeconds);
    base::le::PutU32(out + 432, result.EventsBelowLevel);
    base::le::PutU32(out + 436, result.Reserved2);
    for (std::size_t k = 0; k < result.NadirHistogram.size(); ++k)
        base::le::PutU32(out + 440 + 4 * k, result.NadirHistogram[k]);
    base::le::PutU16(out + 520, result.LowPulseRate);
    base::le::PutU16(out + 522, 0);
    base::le::PutF32(out + 524, result.AveragePulseRate);
    for (std::size_t k = 0; k < events.size(); ++k) {
        std::uint8_t* e = out + kSpOResultBytes + k * kSpOEventBytes;
        base::le::PutU32(e + 0, events[k].StartIndex);
        base::le::PutU32(e + 4, events[k].EndIndex);
        base::le::PutU32(e + 8, events[k].StartSpo2);
        base::le::PutU32(e + 12, events[k].EndSpo2);
    }
    return bytes;
}

base::Status SaveSpOResult(const std::filesystem::path& path, const SpOAnaResult& result, std::span<const SpOEvent> events)
{
    if (path.empty())
        return base::Status::Error("no result path");
    return base::ReplaceFile(path, EncodeSpOResult(result, events));
}

base::Status LoadSpOResult(const std::filesystem::path& path, SpOAnaResult& result, std::vector<SpOEvent>& events)
{
    result = SpOAnaResult{};
    events.clear();
    if (path.empty())
        return base::Status::Error("no result path");
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return base::Status::Error("cannot read " + path.string());
    if (bytes->size() < kSpOResultBytes)
        return base::Status::Error(path.string() + " is shorter than a result block");
    const std::uint8_t* in = bytes->data();
    result.LowestSpo2 = base::le::GetU16(in + 0);
    result.HighestSpo2 = base::le::GetU16(in + 2);
    result.AverageSpo2 = base::le::GetF32(in + 4);
    result.ValidSeconds = base::le::GetU32(in + 8);
    result.MinutesBelowLevel = base::le::GetF32(in + 12);
    result.Reserved1 = base::le::GetU32(in + 16);
    for (std::size_t k = 0; k < result.Spo2Histogram.size(); ++k)
        result.Spo2Histogram[k] = base::le::GetU32(in + 20 + 4 * k);
    result.EventsPerHour = base::le::GetF32(in + 420);
    result.EventMinutes = base::le::GetF32(in + 424);
    result.AverageEventSeconds = base::le::GetF32(in + 428);
    result.EventsBelowLevel = base::le::GetU32(in + 432);
    result.Reserved2 = base::le::GetU32(in + 436);
    for (std::size_t k = 0; k < result.NadirHistogram.size(); ++k)
        result.NadirHistogram[k] = base::le::GetU32(in + 440 + 4 * k);
    result.LowPulseRate = base::le::GetU16(in + 520);
    result.AveragePulseRate = base::le::GetF32(in + 524);
    const std::size_t count = (bytes->size() - kSpOResultBytes) / kSpOEventBytes;
    events.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* e = in + kSpOResultBytes + k * kSpOEventBytes;
        events[k] = {base::le::GetU32(e), base::le::GetU32(e + 4), base::le::GetU32(e + 8), base::le::GetU32(e + 12)};
    }
    return base::Status::Ok();
}
