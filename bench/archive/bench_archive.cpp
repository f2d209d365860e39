// Converting a 24-hour recording (ECG at 200 samples/s and SpO2 at one block
// per second) from device files in the page cache into its case streams.
#include "archive/block_converter.h"
#include "archive/device_file_converter.h"
#include "archive/device_file_writer.h"
#include "archive/sample_streams.h"

#include "synth/synthetic_ecg.h"
#include "synth/synthetic_spo2.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr double kDaySeconds = 24 * 3600.0;

// Device files of a whole day, written once per process into a private folder.
class DayRecording {
public:
    DayRecording()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern;

        // Ten minutes of ECG repeated over the day keeps the set-up short.
        synth::EcgOptions ecgOptions;
        ecgOptions.seconds = 600.0;
        ecgOptions.rateSwingBpm = 8.0;
        ecgOptions.noiseMv = 0.03;
        const synth::EcgTrace piece = synth::MakeEcg(ecgOptions);
        std::vector<std::uint16_t> samples;
        samples.reserve(static_cast<std::size_t>(kDaySeconds * synth::kEcgRateHz));
        while (samples.size() < samples.capacity())
            samples.insert(samples.end(), piece.samples.begin(),
                           piece.samples.begin() + static_cast<std::ptrdiff_t>(std::min(
                               piece.samples.size(), samples.capacity() - samples.size())));

        synth::SpO2Options spo2Options;
        spo2Options.seconds = kDaySeconds;
        spo2Options.desaturations = {{3600.0, 20.0, 10.0, 15.0, 8}};
        const synth::SpO2Trace spo2 = synth::MakeSpO2(spo2Options);
        std::vector<archive::SpO2Record> records(spo2.spo2.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            records[i] = {spo2.spo2[i], spo2.pulse[i]};

        const archive::DeviceHeader header = archive::HeaderFor({2026, 1, 5, 22, 0, 0});
        if (!archive::WriteWholeFile(ecgFile(), archive::BuildEcgDeviceFile(header, samples)).ok()
            || !archive::WriteWholeFile(spo2File(), archive::BuildSpO2DeviceFile(header, records)).ok())
            std::abort();
    }
    ~DayRecording()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    DayRecording(const DayRecording&) = delete;
    DayRecording& operator=(const DayRecording&) = delete;

    std::filesystem::path ecgFile() const { return m_folder / "DAY.ECG"; }
    std::filesystem::path spo2File() const { return m_folder / "DAY.SPO"; }
    std::filesystem::path folder() const { return m_folder; }
    std::int64_t deviceBytes() const
    {
        return static_cast<std::int64_t>(std::filesystem::file_size(ecgFile()) + std::filesystem::file_size(spo2File()));
    }

private:
    std::filesystem::path m_folder;
};

const DayRecording& Recording()
{
    static const DayRecording recording;
    return recording;
}

void BM_ConvertDayRecording(benchmark::State& state)
{
    const DayRecording& day = Recording();
    for (auto _ : state) {
        // Each download writes fresh files into a new case folder.
        state.PauseTiming();
        std::filesystem::remove(day.folder() / "data.spo");
        std::filesystem::remove(day.folder() / "data.ecg");
        state.ResumeTiming();
        if (!archive::CopyArchiveFile(day.spo2File(), day.folder() / "data.spo", archive::ConvertMode::SpO2).ok()
            || !archive::CopyArchiveFile(day.ecgFile(), day.folder() / "data.ecg", archive::ConvertMode::Ecg).ok())
            state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(state.iterations() * day.deviceBytes());
}
BENCHMARK(BM_ConvertDayRecording)->Unit(benchmark::kMillisecond)->UseRealTime();

// The block scan alone over one 5120-byte ECG chunk in memory.
void BM_ConvertEcgChunk(benchmark::State& state)
{
    std::vector<std::uint16_t> samples(10 * archive::kEcgSamplesPerBlock, 2048);
    const auto file = archive::BuildEcgDeviceFile({}, samples);
    std::vector<std::uint16_t> chunk(archive::kConvertChunkWords);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<std::uint16_t>(file[8 + 2 * i] | (file[9 + 2 * i] << 8));
    std::vector<std::uint16_t> out(archive::ConvertedWordsCapacity(chunk.size(), archive::ConvertMode::Ecg));
    for (auto _ : state) {
        benchmark::DoNotOptimize(archive::ConvertBlocks(out.data(), chunk.data(),
                                                        static_cast<long long>(chunk.size()), 0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(archive::kConvertChunkBytes));
}
BENCHMARK(BM_ConvertEcgChunk);

} // namespace
