#pragma once

namespace testsupport {

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, ODBCINI and the working folder
// at a fresh temporary folder for the whole test process, so tests never read
// or write the user's settings, data sources or archive. Called by main().
void IsolateUserFolders();

} // namespace testsupport
