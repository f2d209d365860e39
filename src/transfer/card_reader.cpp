#include "transfer/card_reader.h"

#include "archive/archive_paths.h"
#include "db/case_table.h"
#include "transfer/card_file_name.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

// The longest archive name the case table keeps in [CaseTAVOID]; a longer
// one would be cut there and the archive never found loaded again.
int ArchiveNameLimit()
{
    for (const db::CaseColumn& column : db::kCaseColumns) {
        if (std::strcmp(column.name, "CaseTAVOID") == 0)
            return column.maxChars;
    }
    return 0;
}

std::optional<std::string> TableRefusal(const std::string& name)
{
    const int limit = ArchiveNameLimit();
    if (limit > 0 && QString::fromStdString(name).size() > limit)
        return "the archive name is longer than the " + std::to_string(limit) + " characters the case table keeps";
    return std::nullopt;
}

// Why a card entry is not read as a device file: links (which may lead off
// the card) and anything but a regular file (a FIFO would block the read).
std::optional<std::string> EntryRefusal(const std::filesystem::path& cardFile)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(cardFile, error);
    if (error)
        return "the file cannot be read: " + error.message();
    if (std::filesystem::is_symlink(status))
        return "the file is a symbolic link; only files on the card itself are read";
    if (!std::filesystem::is_regular_file(status))
        return "this is no regular file";
    return std::nullopt;
}

// Adds "ecg=<hex>" or "spo=<hex>" to the archive's source id, kept in
// ascending order so that the file order on the card does not matter.
void AddFingerprint(ArchiveEntry& entry, int kind, std::uint64_t fingerprint)
{
    char part[32];
    std::snprintf(part, sizeof part, "%s=%016llx", kind == cardname::kEcgFile ? "ecg" : "spo",
                  static_cast<unsigned long long>(fingerprint));
    if (entry.SourceId.empty())
        entry.SourceId = part;
    else if (entry.SourceId < part)
        entry.SourceId = entry.SourceId + ";" + part;
    else
        entry.SourceId = std::string(part) + ";" + entry.SourceId;
}

void AddFileTo(ArchiveEntry& entry, int kind, const std::filesystem::path& cardFile,
               const std::filesystem::path& source)
{
    if (kind == cardname::kEcgFile) {
        entry.EcgCardFile = cardFile;
        entry.EcgSource = source;
    } else {
        entry.SpO2CardFile = cardFile;
        entry.SpO2Source = source;
    }
}

} // namespace

std::vector<std::filesystem::path> FindDeviceFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    // Entries of every type: ReadCard tells why a link, folder or FIFO with a
    // device file's name is not read, rather than passing it over in silence.
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        if (cardname::DeviceFileKind(item.path().filename().string()))
            files.push_back(item.path());
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return files;
}

CardListing ReadCard(const std::vector<std::filesystem::path>& files,
                     const std::optional<std::filesystem::path>& scratchFolder,
                     const std::function<void(int percent)>& progress)
{
    CardListing listing;
    const archive::DateTime now = archive::LocalNow();
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (progress)
            progress(80 * (i + 1) / count);
        const std::filesystem::path& cardFile = files[static_cast<std::size_t>(i)];
        const std::string fileName = cardFile.filename().string();
        const std::optional<int> kind = cardname::DeviceFileKind(fileName);
        if (!kind)
            continue;
        const std::string name = cardname::ArchiveName(fileName);
        auto refusal = archive::ArchiveNameRefusal(name);
        if (!refusal)
            refusal = TableRefusal(name);
        if (!refusal)
            refusal = EntryRefusal(cardFile);
        if (refusal) {
            listing.problems.push_back({fileName, *refusal});
            continue;
        }

        std::filesystem::path source = cardFile;
        if (scratchFolder) {
            source = *scratchFolder / fileName;
            std::error_code error;
            std::filesystem::copy_file(cardFile, source, std::filesystem::copy_options::overwrite_existing, error);
            if (error) {
                std::filesystem::remove(source, error);
                listing.problems.push_back({fileName, "the file could not be copied from the card"});
                continue;
            }
        }

        const auto fingerprint = archive::DeviceFileFingerprint(source);
        if (!fingerprint) {
            listing.problems.push_back({fileName, "the file cannot be read"});
            continue;
        }
        const auto existing = std::find_if(listing.entries.begin(), listing.entries.end(),
                                           [&name](const ArchiveEntry& entry) { return entry.Name == name; });
        if (existing != listing.entries.end()) {
            const bool sameKindAgain = *kind == cardname::kEcgFile ? existing->HasEcg() : existing->HasSpO2();
            if (sameKindAgain) {
                listing.problems.push_back({fileName, "the archive already has a file of this kind"});
                continue;
            }
            existing->Type = archive::SampleType::EcgAndSpO2;
            AddFileTo(*existing, *kind, cardFile, source);
            AddFingerprint(*existing, *kind, *fingerprint);
            continue;
        }

        const auto header = archive::ReadDeviceHeader(source);
        if (!header) {
            listing.problems.push_back({fileName, "the file is shorter than a device file header or unreadable"});
            continue;
        }
        ArchiveEntry entry;
        entry.StartTime = archive::StartTimeOf(*header, now);
        entry.StartTimeUnknown = !archive::StatedStartTime(*header);
        AddFingerprint(entry, *kind, *fingerprint);
        entry.Type = *kind == cardname::kEcgFile ? archive::SampleType::Ecg : archive::SampleType::SpO2;
        entry.Name = name;
        AddFileTo(entry, *kind, cardFile, source);
        listing.entries.push_back(std::move(entry));
    }
    return listing;
}
