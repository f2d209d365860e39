#pragma once

#include "cli/command_line.h"
#include "transfer/import_engine.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What to do with archives that already have a case.
enum class LoadedArchives { Skip, Replace, KeepBoth };

struct ImportCommand {
    std::vector<std::filesystem::path> inputs;    // one card folder, or device files
    std::optional<std::filesystem::path> home;    // --home
    bool listOnly = false;
    LoadedArchives loaded = LoadedArchives::Skip;
    bool deleteAfter = false;
    bool json = false;
};

// The command, or why the tool does not run.
using ParsedCommand = cli::Parsed<ImportCommand>;

ParsedCommand ParseImportCommand(const std::vector<std::string>& arguments);

std::string ImportHelpText();
