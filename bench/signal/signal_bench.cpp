// Whole-day analyses: ProcessFile over 24 h of ECG with each beat detector
// (argument 0 designed, 1 enhanced), a plain read of the same file (the
// floor), and the SpO2 analysis of 24 h of oximetry, all built by repeating
// one of the golden recordings. items_per_second counts samples.

#include "signal/ecg_analysis.h"
#include "signal/file_io.h"
#include "signal/spo_analysis.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t kDaySeconds = 24 * 3600;

// A scratch folder holding a day-long file made of one recording repeated.
class DayFolder {
public:
    DayFolder(const std::filesystem::path& source, const char* name, std::uint64_t bytes)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavo-bench-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        const auto recording = ReadWholeFile(source).value();
        std::ofstream out(m_path / name, std::ios::binary);
        for (std::uint64_t written = 0; written < bytes;) {
            const auto chunk = std::min<std::uint64_t>(recording.size(), bytes - written);
            out.write(reinterpret_cast<const char*>(recording.data()), static_cast<std::streamsize>(chunk));
            written += chunk;
        }
    }
    ~DayFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void BM_EcgProcessFileOneDay(benchmark::State& state)
{
    const std::uint64_t samples = kDaySeconds * 200;
    DayFolder day(std::filesystem::path(TAVO_TEST_DATA_DIR) / "ecg-records/100/data.ecg", "data.ecg", samples * 2);
    for (auto _ : state) {
        CECGAnalysis analysis(EcgSettings{1, static_cast<int>(state.range(0))});
        const EcgFileResult result = analysis.ProcessFile(day.path());
        if (!result.status.ok())
            state.SkipWithError(result.status.error().c_str());
        benchmark::DoNotOptimize(result.beats);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * samples));
}
BENCHMARK(BM_EcgProcessFileOneDay)
    ->Arg(kDesignedDetector)
    ->Arg(kEnhancedDetector)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: reading the same day-long "data.ecg" in blocks and nothing more.
void BM_EcgReadOneDay(benchmark::State& state)
{
    const std::uint64_t samples = kDaySeconds * 200;
    DayFolder day(std::filesystem::path(TAVO_TEST_DATA_DIR) / "ecg-records/100/data.ecg", "data.ecg", samples * 2);
    std::vector<char> block(64 * 1024);
    for (auto _ : state) {
        std::ifstream in(day.path() / "data.ecg", std::ios::binary);
        while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
            benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * samples));
}
BENCHMARK(BM_EcgReadOneDay)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpO2AnalysisOneDay(benchmark::State& state)
{
    DayFolder day(std::filesystem::path(TAVO_TEST_DATA_DIR) / "spo2-records/S0000003/data.spo", "data.spo",
                  kDaySeconds * 4);
    for (auto _ : state) {
        CSpOAnalysis analysis;
        const base::Status status = analysis.AnalyseFile(day.path() / "data.spo");
        if (!status.ok())
            state.SkipWithError(status.error().c_str());
        benchmark::DoNotOptimize(analysis.GetEvents().size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDaySeconds));
}
BENCHMARK(BM_SpO2AnalysisOneDay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
