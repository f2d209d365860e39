#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"
#include "cli/command_line.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace recsim {

struct SimOptions {
    std::filesystem::path cardFolder;
    std::optional<std::filesystem::path> truthFolder;
    int archiveCount = 1;
    archive::SampleType type = archive::SampleType::EcgAndSpO2;
    double seconds = 600.0;
    archive::DateTime firstStart{2026, 1, 5, 22, 0, 0};
    std::string namePrefix = "T";
    double rateBpm = 70.0;
    double rateSwingBpm = 5.0;
    double prematureShare = 0.02;
    double noiseMv = 0.02;
    double wanderMv = 0.1;
    double humMv = 0.0;
    int baselinePercent = 97;
    double eventsPerHour = 6.0;
    std::uint32_t seed = 1;
};

// The options, or why the tool does not run.
using ParseResult = cli::Parsed<SimOptions>;

ParseResult ParseSimOptions(const std::vector<std::string>& arguments);

std::string HelpText();

// The name of archive `index` (0-based): prefix + six digits, e.g. "T000001".
std::string ArchiveName(const SimOptions& options, int index);

// Archive `index` starts one hour after the previous one ended.
archive::DateTime ArchiveStart(const SimOptions& options, int index);

} // namespace recsim
