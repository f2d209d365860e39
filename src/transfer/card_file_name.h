#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a file name on the card says about its archive. Names come from a
// removable medium and are untrusted: nothing here touches the file system.
namespace cardname {

inline constexpr int kEcgFile = 0;
inline constexpr int kSpo2File = 1;

// 0 for a ".ECG" file, 1 for a ".SPO" file (any letter case); nothing for any
// other file.
std::optional<int> DeviceFileKind(std::string_view fileName);

// The archive name: the file name up to its first ".".
std::string ArchiveName(std::string_view fileName);

} // namespace cardname
