#include "base/atomic_file.h"
#include "base/fd_io.h"
#include "signal/ecg_analysis.h"

#include "signal/beat_revision.h"
#include "signal/file_io.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <vector>

namespace {

constexpr std::uint16_t kLargestSample = 4095;
constexpr std::size_t kReadBlockBytes = 64 * 1024; // whole samples only

// Running summary of the once-per-second heart rates.
class HeartRateTally {
public:
    void Add(int rate)
    {
        if (rate <= 0)
            return;
        m_min = m_steps == 0 ? rate : std::min(m_min, rate);
        m_max = std::max(m_max, rate);
        m_sum += rate;
        ++m_steps;
    }
    void CopyTo(EcgFileResult& result) const
    {
        result.heartRateSteps = m_steps;
        result.minHeartRate = m_min;
        result.maxHeartRate = m_max;
        result.meanHeartRate = m_steps == 0 ? 0.0 : static_cast<double>(m_sum) / static_cast<double>(m_steps);
    }

private:
    std::uint64_t m_steps = 0;
    std::int64_t m_sum = 0;
    int m_min = 0;
    int m_max = 0;
};

} // namespace

EcgFileResult CECGAnalysis::ProcessFile(const std::filesystem::path& caseFolder, AnalysisProgress* progress)
{
    EcgFileResult result;
    result.status = Init(1, 0, caseFolder, false);
    if (!result.status.ok())
        return result;

    const std::optional<base::RegularFile> input = base::OpenRegularFile(m_dataPath);
    if (!input) {
        result.status = base::Status::Error("cannot read " + m_dataPath.string());
        return result;
    }
    const std::uint64_t size = input->sizeBytes;
    if (size < 2) {
        result.status = base::Status::Error(m_dataPath.string() + " holds no samples");
        return result;
    }

    auto buffer = std::make_unique<QrsRecordBuffer>();
    QrsRecordBuffer& buffered = *buffer;
    UseSink(std::move(buffer));

    HeartRateTally tally;
    // "data.ecg" is little-endian, so on such hosts the bytes are the samples.
    std::vector<std::uint16_t> samples(kReadBlockBytes / 2);
    std::vector<int> heartRates;
    std::uint64_t bytesRead = 0;
    int lastPercent = -1;
    bool readFailed = false;
    while (true) {
        const std::int64_t read = base::ReadFull(input->fd.get(), samples.data(), kReadBlockBytes);
        readFailed = read < 0;
        if (read <= 0)
            break;
        const auto got = static_cast<std::size_t>(read);
        bytesRead += got;
        const std::size_t whole = got / 2 * 2;
        const std::size_t count = whole / 2;
        std::uint64_t outOfRange = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if constexpr (std::endian::native == std::endian::big)
                samples[i] = static_cast<std::uint16_t>((samples[i] >> 8) | (samples[i] << 8));
            outOfRange += samples[i] > kLargestSample ? 1 : 0;
        }
        result.outOfRangeSamples += outOfRange;
        heartRates.clear();
        ProcessSingleChannel(std::span<std::uint16_t>(samples.data(), count), heartRates);
        for (const int rate : heartRates)
            tally.Add(rate);
        result.samples += count;
        result.ignoredBytes = got - whole; // only the last block can end on an odd byte
        if (progress != nullptr) {
            const int percent = static_cast<int>(bytesRead * 100 / std::max<std::uint64_t>(size, 1));
            if (percent != lastPercent)
                progress->SetPos(std::min(percent, 100));
            lastPercent = percent;
        }
        if (got < kReadBlockBytes)
            break; // the end of the file
    }
    std::vector<QrsRecord> records = std::move(buffered.records());
    UseSink(std::make_unique<QrsFileSink>(m_qrsPath));
    if (readFailed) {
        result.status = base::Status::Error("cannot read " + m_dataPath.string());
        return result;
    }

    ReviseBeatClasses(records);
    if (result.samples > 0)
        TrimBeatsBeyond(records, result.samples);
    result.status = base::ReplaceFile(m_qrsPath, EncodeQrsRecords(records));
    result.beats = records.size();
    tally.CopyTo(result);
    return result;
}
