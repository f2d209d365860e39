#pragma once

#include "signal/beat_score.h"

#include <filesystem>
#include <string>

// The accuracy of one case folder's "qrs.ecg" against a reference beat list.
struct CaseScore {
    std::filesystem::path folder;
    std::filesystem::path reference; // the list used
    BeatScore score;
    std::string error;               // empty when both lists were read

    std::string Line() const;        // "<folder name>: Se ... " or the failure
};

// `reference` names the list: a file of that name inside the case folder when
// there is one (so "ref_beats.txt" serves many folders), otherwise the path
// itself.
CaseScore ScoreCase(const std::filesystem::path& folder, const std::filesystem::path& reference);
