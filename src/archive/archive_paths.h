#pragma once

#include "base/status.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where the case folders and the download scratch folder lie.
namespace archive {

inline constexpr std::string_view kArchiveFolderName = "Archive";
inline constexpr std::string_view kScratchFolderName = "TempData";

// Start directory + "/Archive".
std::string ArchiveRootFor(const std::string& startDirectory);

// The parent of the archive root + "/TempData".
std::string ScratchFolderFor(const std::string& archiveRoot);

// Makes the scratch folder when missing, readable by its owner only.
base::Status PrepareScratchFolder(const std::string& scratchFolder);

// Why an archive name cannot name files in a folder, or nothing when it can.
// Archive names come from the card and are untrusted: names that are empty,
// "." or "..", hold a path separator or control characters, are not UTF-8
// text, or are longer than a file name may be, are refused.
std::optional<std::string> ArchiveNameRefusal(std::string_view archiveName);

// A case id names a folder: only decimal digits, 1 to 10 of them.
bool IsValidCaseId(std::string_view caseId);

// Archive root + "/" + case id; nothing when the id is not a valid one, so an
// id can never lead out of the archive root.
std::optional<std::string> CaseFolderPath(const std::string& archiveRoot, std::string_view caseId);

// Archive root + "/" + case id + "/" + file name ("data.ecg", ...); nothing
// for an invalid id.
std::optional<std::string> CaseFilePath(const std::string& archiveRoot, std::string_view caseId,
                                        std::string_view fileName);

// The entry of `folder` whose name equals `fileName` without regard to ASCII
// letter case (an exact match wins); nothing when there is none.
std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view fileName);

} // namespace archive
