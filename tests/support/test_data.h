#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// The folder of the golden recordings (ecg-records, spo2-records), inside the
// project's sources.
std::filesystem::path TestDataDir();

// The bytes of a file the running test cannot do without. A missing or
// unreadable file fails the test with its path and gives no bytes, so that a
// comparison of two absent files never passes.
std::vector<std::uint8_t> ReadRequiredFile(const std::filesystem::path& path);
std::string ReadRequiredText(const std::filesystem::path& path);

// Copies such a file over any earlier copy, making the target's folders; false (with the test
// failed and the path named) when the source is missing or unreadable.
[[nodiscard]] bool CopyRequiredFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Plain whole-file bytes for files a test writes or damages itself; a
// missing file reads as no bytes. WriteBytes makes the file's folders.
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace testsupport
