#pragma once

#include "transfer/import_engine.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
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

struct HelpWanted {};

// The command, a request for help, or why the arguments are refused.
using ParsedCommand = std::variant<ImportCommand, HelpWanted, std::string>;

ParsedCommand ParseImportCommand(const std::vector<std::string>& arguments);

std::string ImportHelpText();
