// Importing a card of ten combined archives (ECG + SpO2) into a fresh case
// archive and database, from the page cache. The argument is the length of
// each archive in hours: --benchmark_filter=ImportCard/24/ runs the ten
// 24-hour archives only (a 570 MB card), ImportCard/1/ the quick card.

#include "card_writer.h"
#include "quiet_import.h"
#include "db/case_data_source.h"
#include "transfer/card_reader.h"
#include "transfer/import_engine.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace {

constexpr int kArchives = 10;

using benchsupport::MakeTempFolder;
using benchsupport::Silent;

// One card per archive length, written once and kept for the whole run.
const std::filesystem::path& CardOf(int hours)
{
    static std::map<int, std::filesystem::path> cards;
    auto& card = cards[hours];
    if (card.empty()) {
        card = MakeTempFolder();
        recsim::SimOptions options;
        options.cardFolder = card;
        options.archiveCount = kArchives;
        options.seconds = hours * 3600.0;
        options.namePrefix = std::string(1, 'B');   // names of 7 characters, as the case table keeps them
        if (const auto written = recsim::WriteCard(options); !written.ok())
            throw std::runtime_error(written.error());
    }
    return card;
}

void BM_ImportCard(benchmark::State& state)
{
    const auto& card = CardOf(static_cast<int>(state.range(0)));
    const auto files = FindDeviceFiles(card);
    std::int64_t deviceBytes = 0;
    for (const auto& file : files)
        deviceBytes += static_cast<std::int64_t>(std::filesystem::file_size(file));

    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path home = MakeTempFolder();
        setenv("ODBCINI", (home / "odbc.ini").c_str(), 1);
        if (const auto registered = db::RegisterCaseDSN(QString::fromStdString(home.string())); !registered.ok())
            throw std::runtime_error(registered.message.toStdString());
        state.ResumeTiming();

        ImportEngine engine(home / "Archive");
        CardListing listing = ReadCard(files, std::nullopt);
        engine.SetEntries(std::move(listing.entries));
        if (engine.MarkLoaded())
            throw std::runtime_error("cannot read the case table");
        std::vector<std::string> names;
        for (const auto& entry : engine.entries())
            names.push_back(entry.Name);
        Silent listener;
        if (engine.Download(names, ImportOptions{}, listener).end != RunEnd::Completed)
            throw std::runtime_error("the import did not complete");

        state.PauseTiming();
        std::filesystem::remove_all(home);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * deviceBytes);
    state.counters["card_MB"] = static_cast<double>(deviceBytes) / 1e6;
}

} // namespace

BENCHMARK(BM_ImportCard)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond)->UseRealTime();
