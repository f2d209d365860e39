#pragma once

#include "archive/recording_format.h"
#include "base/status.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string_view>

namespace archive {

// The device files of one archive: the ".ECG" file, the ".SPO" file or both.
struct ArchiveSources {
    std::optional<std::filesystem::path> ecgFile;
    std::optional<std::filesystem::path> spo2File;

    std::optional<SampleType> Type() const;
};

// The device files of an archive of the given type in `folder` (the scratch
// folder): archive name + ".ECG" / ".SPO", found without regard to letter
// case. A file that is not there is named in upper case, so that converting
// it fails with a message naming it. Nothing when the name could reach
// outside the folder ("/", backslash, control characters, "." or "..", empty).
std::optional<ArchiveSources> FindArchiveSources(const std::filesystem::path& folder,
                                                 std::string_view archiveName, SampleType type);

// Converts one archive into its case folder: "data.spo" from the SpO2 file
// first, then "data.ecg" from the ECG file.
//
// The streams are built in a staging folder beside the case folder (same file
// system) and moved in only when every one of them is complete, so a failure
// or a stop leaves the case folder exactly as it was (absent, or with its old
// files) and no staging folder behind. Files of the case folder that this
// archive does not write ("qrs.ecg", "ana.spo") stay. The archive root is
// made when missing.
base::Status ConvertArchive(const ArchiveSources& sources, const std::filesystem::path& caseFolder,
                      std::stop_token stop = {});

// The staging folder ConvertArchive uses for a case folder.
std::filesystem::path StagingFolderFor(const std::filesystem::path& caseFolder);

} // namespace archive
