#pragma once

#include "transfer/archive_entry.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A file of the card that was left out of the list, and why.
struct CardProblem {
    std::string fileName;
    std::string reason;
};

struct CardListing {
    std::vector<ArchiveEntry> entries;   // in the order the files were read
    std::vector<CardProblem> problems;
};

// The device files (".ECG", ".SPO", any letter case) directly inside
// `folder`, sorted by file name; nothing when the folder cannot be read.
std::vector<std::filesystem::path> FindDeviceFiles(const std::filesystem::path& folder);

// Reads the archives of the given device files. Files of other kinds are
// passed over silently. With a scratch folder each file is first copied
// there under its own name and the copy is what gets converted later.
// `progress` hears 80 * i / count after each file i (1-based).
CardListing ReadCard(const std::vector<std::filesystem::path>& files,
                     const std::optional<std::filesystem::path>& scratchFolder,
                     const std::function<void(int percent)>& progress = {});
