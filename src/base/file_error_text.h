#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace base {

// "<what> \"<path>\": <system reason>." for messages about a file.
std::string FileErrorText(std::string_view what, const std::filesystem::path& path, int errorNumber);

} // namespace base
