// Arbitrary bytes as "data.ecg", "data.spo" and "ana.spo" of a case folder,
// through both analysers and the result reader; each detector's live path,
// sample by sample, must give the beats of its whole-file path.

#include "signal/beat_revision.h"
#include "signal/ecg_analysis.h"
#include "signal/spo_analysis.h"
#include "signal/spo_result.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Plain storage, so that the clean-up at exit does not depend on the order in
// which static objects are destroyed.
char g_folder[4096];

void RemoveCaseFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

const std::filesystem::path& CaseFolder()
{
    static const std::filesystem::path folder = [] {
        // Memory-backed when available: every run writes and syncs several files.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
        const std::string pattern = (base / "fuzz-signal-XXXXXX").string();
        if (pattern.size() >= sizeof g_folder)
            std::abort();
        pattern.copy(g_folder, pattern.size());
        if (::mkdtemp(g_folder) == nullptr)
            std::abort();
        std::atexit(RemoveCaseFolder);
        return std::filesystem::path(g_folder);
    }();
    return folder;
}

void Write(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
}

std::vector<QrsRecord> ReadBeats(const std::filesystem::path& folder)
{
    std::ifstream in(folder / "qrs.ecg", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodeQrsRecords(bytes);
}

std::vector<QrsRecord> LiveBeats(const EcgSettings& settings, const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path folder = CaseFolder() / "live";
    std::filesystem::create_directory(folder);
    CECGAnalysis live(settings);
    if (!live.Init(1, 0, folder, true).ok())
        std::abort();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::uint16_t sample = static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8));
        live.ProcessSample(std::span<std::uint16_t>(&sample, 1));
    }
    std::vector<QrsRecord> beats = ReadBeats(folder);
    ReviseBeatClasses(beats);
    TrimBeatsBeyond(beats, size / 2);
    return beats;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path& folder = CaseFolder();
    Write(folder / "data.ecg", data, size);
    Write(folder / "data.spo", data, size);
    Write(folder / "ana.spo", data, size);

    for (const EcgSettings settings : {EcgSettings{0, kDesignedDetector}, EcgSettings{1, kDesignedDetector},
                                       EcgSettings{1, kEnhancedDetector}}) {
        CECGAnalysis ecg(settings);
        const EcgFileResult result = ecg.ProcessFile(folder);
        if (result.status.ok() && std::filesystem::file_size(folder / "qrs.ecg") != result.beats * kQrsRecordBytes)
            std::abort();
        // The live path, sample by sample, revised and trimmed as the file run is, gives the same beats.
        if (result.status.ok() && LiveBeats(settings, data, size) != ReadBeats(folder))
            std::abort();
    }

    SpOAnaResult loaded;
    std::vector<SpOEvent> events;
    if (LoadSpOResult(folder / "ana.spo", loaded, events).ok() != (size >= kSpOResultBytes))
        std::abort();

    for (const std::int16_t swing : {0, 2, 100}) {
        SpOSettings settings;
        settings.SwingIndex = swing;
        CSpOAnalysis spo(settings);
        const bool analysed = spo.AnalyseFile(folder / "data.spo").ok();
        if (analysed != (size >= 4))
            std::abort();
        for (const SpOEvent& event : spo.GetEvents()) {
            if (event.StartIndex >= event.EndIndex || event.EndIndex >= size / 4)
                std::abort();
        }
        if (!spo.SaveResult(folder / "ana.spo").ok())
            std::abort();
    }
    return 0;
}
