#pragma once

#include "base/status.h"

#include <filesystem>
#include <optional>
#include <string>

// A hidden folder inside the archive root where an archive is converted
// before it becomes (part of) a case folder. Being on the same file system
// as the case folders, it moves into place by renaming, so a case folder
// never holds half-written files. The folder and whatever is left in it are
// removed when the object goes.
class CaseStaging {
public:
    // Makes the archive root when missing and a fresh staging folder in it;
    // nothing and the reason when that is not possible.
    static std::optional<CaseStaging> Create(const std::filesystem::path& archiveRoot, std::string& error);

    CaseStaging(CaseStaging&& other) noexcept;
    CaseStaging& operator=(CaseStaging&&) = delete;
    CaseStaging(const CaseStaging&) = delete;
    CaseStaging& operator=(const CaseStaging&) = delete;
    ~CaseStaging();

    const std::filesystem::path& folder() const { return m_folder; }

    // Makes the converted files and the folder durable, so that once a case
    // row names them they survive a crash or power loss.
    base::Status Seal() const;

    // Removes the staging folders an import left behind when it was killed.
    // Only while no other import into this archive root runs.
    static void RemoveLeftovers(const std::filesystem::path& archiveRoot);

    // The whole folder becomes `caseFolder`, which must not exist yet (or be
    // empty); the rename is made durable.
    base::Status BecomeCaseFolder(const std::filesystem::path& caseFolder);

    // Every file of the folder moves into `caseFolder` (made when missing),
    // replacing files of the same name; other files there stay. The renames
    // are made durable.
    base::Status MoveFilesInto(const std::filesystem::path& caseFolder);

private:
    explicit CaseStaging(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    std::filesystem::path m_folder;
};
