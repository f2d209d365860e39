#pragma once

#include <filesystem>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& child) const { return m_path / child; }

private:
    std::filesystem::path m_path;
};

// The project's source folder (for shipped resources such as Language/).
std::filesystem::path SourceDir();

} // namespace testsupport
