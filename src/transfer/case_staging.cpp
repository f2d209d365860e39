#include "transfer/case_staging.h"

#include "base/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kStagingPattern = ".incoming-XXXXXX";
constexpr std::string_view kStagingPrefix = ".incoming-";

std::string SystemError(const std::string& what, const std::error_code& error)
{
    return what + ": " + error.message();
}

} // namespace

std::optional<CaseStaging> CaseStaging::Create(const std::filesystem::path& archiveRoot, std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(archiveRoot, code);
    if (code) {
        error = SystemError("cannot create the archive folder " + archiveRoot.string(), code);
        return std::nullopt;
    }
    std::string pattern = (archiveRoot / kStagingPattern).string();
    if (!mkdtemp(pattern.data())) {
        error = SystemError("cannot write to the archive folder " + archiveRoot.string(),
                            std::error_code(errno, std::generic_category()));
        return std::nullopt;
    }
    return CaseStaging(pattern);
}

CaseStaging::CaseStaging(CaseStaging&& other) noexcept : m_folder(std::move(other.m_folder))
{
    other.m_folder.clear();
}

CaseStaging::~CaseStaging()
{
    if (m_folder.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

base::Status CaseStaging::Seal() const
{
    std::error_code code;
    for (const auto& item : std::filesystem::directory_iterator(m_folder, code)) {
        if (base::Status synced = base::SyncFile(item.path()); !synced)
            return synced;
    }
    if (code)
        return base::Status::Error(SystemError("cannot read " + m_folder.string(), code));
    return base::SyncFolder(m_folder);
}

void CaseStaging::RemoveLeftovers(const std::filesystem::path& archiveRoot)
{
    std::error_code code;
    std::vector<std::filesystem::path> leftovers;
    for (const auto& item : std::filesystem::directory_iterator(archiveRoot, code)) {
        if (item.path().filename().string().starts_with(kStagingPrefix))
            leftovers.push_back(item.path());
    }
    for (const auto& folder : leftovers)
        std::filesystem::remove_all(folder, code);
}

base::Status CaseStaging::BecomeCaseFolder(const std::filesystem::path& caseFolder)
{
    std::error_code code;
    std::filesystem::rename(m_folder, caseFolder, code);
    if (code)
        return base::Status::Error(SystemError("cannot move the case into " + caseFolder.string(), code));
    m_folder.clear();
    return base::SyncFolder(caseFolder.parent_path());
}

base::Status CaseStaging::MoveFilesInto(const std::filesystem::path& caseFolder)
{
    std::error_code code;
    std::filesystem::create_directories(caseFolder, code);
    if (code)
        return base::Status::Error(SystemError("cannot create the case folder " + caseFolder.string(), code));
    std::vector<std::filesystem::path> files;
    for (const auto& item : std::filesystem::directory_iterator(m_folder, code))
        files.push_back(item.path());
    if (code)
        return base::Status::Error(SystemError("cannot read " + m_folder.string(), code));
    for (const auto& file : files) {
        std::filesystem::rename(file, caseFolder / file.filename(), code);
        if (code)
            return base::Status::Error(SystemError("cannot move " + file.filename().string() + " into "
                                                          + caseFolder.string(), code));
    }
    return base::SyncFolder(caseFolder);
}
