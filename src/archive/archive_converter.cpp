#include "archive/archive_converter.h"

#include "archive/archive_paths.h"
#include "archive/device_file_converter.h"
#include "archive/file_utils.h"
#include "base/file_error_text.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {
namespace {

// Flushes a file or folder to the disk so that a rename never exposes
// data that a crash could still lose.
bool SyncToDisk(const std::filesystem::path& path)
{
    const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd && ::fsync(fd.get()) == 0;
}

// Removes the staging folder on every way out unless it was moved into place.
class StagingFolder {
public:
    explicit StagingFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    ~StagingFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

struct StreamJob {
    const std::optional<std::filesystem::path>& source;
    ConvertMode mode;
    std::string_view fileName;
};

base::Status MoveIntoPlace(const StagingFolder& staging, const std::filesystem::path& caseFolder,
                     const std::vector<std::string_view>& fileNames)
{
    if (!DirectoryExists(caseFolder.string())) {
        if (::rename(staging.path().c_str(), caseFolder.c_str()) == 0)
            return base::Status::Ok();
        if (errno != EEXIST && errno != ENOTEMPTY)
            return base::Status::Error(base::FileErrorText("Cannot create the case folder", caseFolder, errno));
    }
    // The case exists already (a replaced case): swap in file by file; each
    // rename replaces the old stream in one step.
    for (std::string_view name : fileNames) {
        const auto from = staging.path() / name;
        const auto to = caseFolder / name;
        if (::rename(from.c_str(), to.c_str()) != 0)
            return base::Status::Error(base::FileErrorText("Cannot move the converted file to", to, errno));
    }
    return base::Status::Ok();
}

std::filesystem::path DeviceFileIn(const std::filesystem::path& folder, std::string_view archiveName,
                                   std::string_view extension)
{
    std::string fileName(archiveName);
    fileName.append(".").append(extension);
    return FindFileIgnoringCase(folder, fileName).value_or(folder / fileName);
}

} // namespace

std::optional<ArchiveSources> FindArchiveSources(const std::filesystem::path& folder,
                                                 std::string_view archiveName, SampleType type)
{
    if (ArchiveNameRefusal(archiveName))
        return std::nullopt;
    ArchiveSources sources;
    if (type != SampleType::SpO2)
        sources.ecgFile = DeviceFileIn(folder, archiveName, kEcgExtension);
    if (type != SampleType::Ecg)
        sources.spo2File = DeviceFileIn(folder, archiveName, kSpO2Extension);
    return sources;
}

std::optional<SampleType> ArchiveSources::Type() const
{
    if (ecgFile && spo2File)
        return SampleType::EcgAndSpO2;
    if (ecgFile)
        return SampleType::Ecg;
    if (spo2File)
        return SampleType::SpO2;
    return std::nullopt;
}

std::filesystem::path StagingFolderFor(const std::filesystem::path& caseFolder)
{
    std::filesystem::path folder = caseFolder;
    if (!folder.has_filename())
        folder = folder.parent_path();
    std::string name = ".";
    name.append(folder.filename().string()).append(".incoming");
    return folder.parent_path() / name;
}

base::Status ConvertArchive(const ArchiveSources& sources, const std::filesystem::path& caseFolderPath,
                      std::stop_token stop)
{
    if (!sources.Type())
        return base::Status::Error("The archive has no device file to convert.");
    std::error_code error;
    std::filesystem::path caseFolder = std::filesystem::absolute(caseFolderPath, error);
    if (error)
        return base::Status::Error("Cannot find the case folder \"" + caseFolderPath.string() + "\": " + error.message() + ".");
    if (!caseFolder.has_filename())
        caseFolder = caseFolder.parent_path();
    const std::filesystem::path root = caseFolder.parent_path();
    if (!CreateDirectoryTree(root.string()))
        return base::Status::Error(base::FileErrorText("Cannot create the archive folder", root, errno));

    StagingFolder staging(StagingFolderFor(caseFolder));
    std::filesystem::remove_all(staging.path(), error);   // left over from an interrupted run
    if (::mkdir(staging.path().c_str(), 0777) != 0)
        return base::Status::Error(base::FileErrorText("Cannot create a folder in", root, errno));

    const StreamJob jobs[] = {
        {sources.spo2File, ConvertMode::SpO2, kSpO2DataFile},
        {sources.ecgFile, ConvertMode::Ecg, kEcgDataFile},
    };
    std::vector<std::string_view> written;
    for (const StreamJob& job : jobs) {
        if (!job.source)
            continue;
        const auto target = staging.path() / job.fileName;
        if (base::Status status = CopyArchiveFile(*job.source, target, job.mode, stop); !status.ok())
            return status;
        if (!SyncToDisk(target))
            return base::Status::Error(base::FileErrorText("Cannot write", target, errno));
        written.push_back(job.fileName);
    }
    if (stop.stop_requested())
        return base::Status::Error("The conversion was stopped.");
    if (!SyncToDisk(staging.path()))
        return base::Status::Error(base::FileErrorText("Cannot write", staging.path(), errno));

    if (base::Status status = MoveIntoPlace(staging, caseFolder, written); !status.ok())
        return status;
    SyncToDisk(caseFolder);
    SyncToDisk(root);
    return base::Status::Ok();
}

} // namespace archive
