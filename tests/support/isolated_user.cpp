#include "isolated_user.h"

#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace testsupport {

void IsolateUserFolders()
{
    static std::unique_ptr<TempDir> home;
    home = std::make_unique<TempDir>();
    const auto config = home->path() / ".config";
    const auto data = home->path() / ".local/share";
    const auto start = home->path() / "start";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(start);
    setenv("HOME", home->path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    // unixODBC finds the user's data sources through the password database,
    // not HOME, unless ODBCINI names the file.
    setenv("ODBCINI", (home->path() / ".odbc.ini").c_str(), 1);
    unsetenv("TAVO_VEZI_HOME");
    std::filesystem::current_path(start);
}

} // namespace testsupport
