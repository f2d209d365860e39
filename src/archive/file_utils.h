#pragma once

#include <cstdint>
#include <string>

// Small file and folder helpers shared by every module. Paths are texts with
// "/" as separator; none of these functions keeps state.
namespace archive {

// True when `path` names an existing directory. One trailing "/" is ignored;
// an empty path gives false.
bool DirectoryExists(const std::string& path);

// Creates the directory and, where needed, its missing parents. True when the
// directory exists afterwards. A name without any "/" gives false and creates
// nothing; parents of 3 characters or fewer (a root) are never created.
bool CreateDirectoryTree(const std::string& path);

// Removes the directory and everything in it. Paths shorter than 4 characters
// are refused. Entries whose names begin with "." are left alone (so such a
// directory stays). Stops at the first entry that cannot be removed, leaving
// it and everything after it, and then gives false. Symbolic links are
// removed, never followed.
bool DeleteDirectoryTree(const std::string& path);

// True when the file or directory exists.
bool FileExists(const std::string& path);

// Size in bytes; 0 when the file is missing or not a regular file.
std::int64_t FileSize(const std::string& path);

} // namespace archive
