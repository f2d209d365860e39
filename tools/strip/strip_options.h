#pragma once

#include "cli/command_line.h"
#include "strip_render.h"

#include <filesystem>
#include <string>
#include <vector>

struct StripCommand {
    strip::StripRequest request;
    std::filesystem::path output;
};

// The command, or why the tool does not run.
cli::Parsed<StripCommand> ParseStripCommand(const std::vector<std::string>& arguments);

std::string StripHelpText();
