#pragma once

// What the import benchmarks share: a listener that stays quiet unless an
// archive fails, and a temporary folder of their own.

#include "transfer/import_engine.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace benchsupport {

struct Silent : ImportListener {
    bool StopRequested() override { return false; }
    ReplaceReply AskReplace(const std::string&) override { return {}; }
    void ArchiveHandled(const ArchiveOutcome& outcome, int, int) override
    {
        if (outcome.status == ArchiveStatus::Failed)
            throw std::runtime_error("an archive failed: " + outcome.message);
    }
};

inline std::filesystem::path MakeTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tavo-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    return pattern;
}

} // namespace benchsupport
