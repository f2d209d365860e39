#pragma once

#include "archive/device_header.h"
#include "archive/recording_format.h"
#include "temp_dir.h"
#include "transfer/case_rows.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace transfertest {

// A start folder with its own case database (SQLite through the data source
// "Case", declared in a data-source file of this test alone) and a card folder.
class ImportHome {
public:
    ImportHome();

    const std::filesystem::path& home() const { return m_home.path(); }
    std::filesystem::path archiveRoot() const { return m_home / "Archive"; }
    std::filesystem::path card() const { return m_home / "card"; }
    std::filesystem::path truth() const { return m_home / "truth"; }

    // Writes simulator archives onto the card (and their expected streams
    // below truth()/NAME): `count` archives named PREFIX000001.. of the type,
    // 90 s long, the first starting at `start`.
    void AddArchives(const std::string& prefix, int count, archive::SampleType type,
                     const archive::DateTime& start = {2026, 1, 5, 22, 0, 0}, double seconds = 90.0) const;

    // Every case row, by case id.
    std::vector<ImportedCase> Rows() const;
    // SQL run straight on the case database.
    void Execute(const std::string& sql) const;
    // Names of the folders in the archive root (sorted).
    std::vector<std::string> ArchiveFolders() const;

private:
    testsupport::TempDir m_home;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

} // namespace transfertest
