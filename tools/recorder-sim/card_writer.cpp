#include "card_writer.h"

#include "archive_signals.h"

#include "archive/device_file_writer.h"
#include "archive/file_utils.h"
#include "archive/sample_streams.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace recsim {
namespace {

using base::Status;

Status MakeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !archive::DirectoryExists(folder.string()))
        return Status::Error("Cannot create the folder \"" + folder.string() + "\": "
                             + (error ? error.message() : "not a folder") + ".");
    return Status::Ok();
}

Status WriteText(const std::filesystem::path& file, const std::string& text)
{
    return archive::WriteWholeFile(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string BeatList(const synth::EcgTrace& ecg, std::size_t storedSamples)
{
    std::ostringstream text;
    text << "# sample\tseconds\tkind (N normal, V premature)\n" << std::fixed << std::setprecision(3);
    for (const synth::EcgBeat& beat : ecg.beats) {
        if (beat.peakSample >= static_cast<std::int64_t>(storedSamples))
            break;
        text << beat.peakSample << '\t' << static_cast<double>(beat.peakSample) / synth::kEcgRateHz << '\t'
             << (beat.premature ? 'V' : 'N') << '\n';
    }
    return text.str();
}

std::string EventList(const std::vector<synth::Desaturation>& events, int baselinePercent)
{
    std::ostringstream text;
    text << "# start_s\tfall_s\thold_s\trise_s\tdepth_percent\tnadir_percent\n";
    for (const synth::Desaturation& event : events)
        text << event.startSecond << '\t' << event.fallSeconds << '\t' << event.holdSeconds << '\t'
             << event.riseSeconds << '\t' << event.depthPercent << '\t'
             << baselinePercent - event.depthPercent << '\n';
    return text.str();
}

std::vector<archive::SpO2Record> Records(const synth::SpO2Trace& trace)
{
    std::vector<archive::SpO2Record> records(trace.spo2.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i] = {trace.spo2[i], trace.pulse[i]};
    return records;
}

std::string ArchiveSummary(const std::string& name, const archive::DateTime& start, archive::SampleType type)
{
    char text[128];
    std::snprintf(text, sizeof text, "name\t%s\nstart\t%04d-%02d-%02d %02d:%02d:%02d\ntype\t%d\n", name.c_str(),
                  start.year, start.month, start.day, start.hour, start.minute, start.second,
                  static_cast<int>(type));
    return text;
}

Status WriteArchive(const SimOptions& options, int index)
{
    const std::string name = ArchiveName(options, index);
    const archive::DateTime start = ArchiveStart(options, index);
    const archive::DeviceHeader header = archive::HeaderFor(start);
    const ArchiveSignals signals = MakeArchiveSignals(options, index);

    std::optional<std::filesystem::path> truth;
    if (options.truthFolder) {
        truth = *options.truthFolder / name;
        if (Status status = MakeFolder(*truth); !status.ok())
            return status;
        if (Status status = WriteText(*truth / "archive.txt", ArchiveSummary(name, start, options.type)); !status.ok())
            return status;
    }
    if (signals.ecg) {
        const auto& samples = signals.ecg->samples;
        const std::size_t stored = archive::StoredEcgSamples(samples.size());
        if (Status status = archive::WriteWholeFile(options.cardFolder / (name + ".ECG"),
                                                    archive::BuildEcgDeviceFile(header, samples));
            !status.ok())
            return status;
        if (truth) {
            const auto expected = archive::EncodeEcgSamples(std::span(samples.data(), stored));
            if (Status status = archive::WriteWholeFile(*truth / archive::kEcgDataFile, expected); !status.ok())
                return status;
            if (Status status = WriteText(*truth / "beats.txt", BeatList(*signals.ecg, stored)); !status.ok())
                return status;
        }
    }
    if (signals.spo2) {
        const auto records = Records(*signals.spo2);
        if (Status status = archive::WriteWholeFile(options.cardFolder / (name + ".SPO"),
                                                    archive::BuildSpO2DeviceFile(header, records));
            !status.ok())
            return status;
        if (truth) {
            if (Status status = archive::WriteWholeFile(*truth / archive::kSpO2DataFile,
                                                        archive::EncodeSpO2Records(records));
                !status.ok())
                return status;
            if (Status status = WriteText(*truth / "events.txt",
                                          EventList(signals.desaturations, options.baselinePercent));
                !status.ok())
                return status;
        }
    }
    return Status::Ok();
}

} // namespace

Status WriteCard(const SimOptions& options)
{
    if (Status status = MakeFolder(options.cardFolder); !status.ok())
        return status;
    for (int index = 0; index < options.archiveCount; ++index) {
        if (Status status = WriteArchive(options, index); !status.ok())
            return status;
    }
    return Status::Ok();
}

} // namespace recsim
