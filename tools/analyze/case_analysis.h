#pragma once

#include "signal/analysis_progress.h"
#include "signal/ecg_analysis.h"
#include "signal/ecg_settings.h"
#include "signal/spo_result.h"
#include "signal/spo_settings.h"
#include "base/status.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the analyses of one case folder gave.
struct CaseSummary {
    std::filesystem::path folder;
    std::optional<EcgFileResult> ecg;   // set when "data.ecg" exists
    std::optional<base::Status> spo2;         // set when "data.spo" exists
    SpOAnaResult spo2Result;
    std::size_t spo2Events = 0;
    std::size_t spo2Seconds = 0;

    // Analysed, but not one SpO2 value lay in the valid range ("ana.spo" is
    // still written; the case counts as failed).
    bool noValidSpo2() const;
    bool ok() const;
    std::string Line() const;           // one-line summary, or the failure
};

// Case folders named by a path: the folder itself when it holds "data.ecg" or
// "data.spo", otherwise each sub-folder named by a case id that does (an
// archive root), sorted.
std::vector<std::filesystem::path> FindCaseFolders(const std::filesystem::path& path);

// Rewrites "qrs.ecg" and "ana.spo" of one case folder as the program does.
CaseSummary AnalyseCase(const std::filesystem::path& folder, const EcgSettings& ecgSettings,
                        const SpOSettings& spoSettings, AnalysisProgress* progress);
