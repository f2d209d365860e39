#pragma once

#include <QString>
#include <optional>

// Every file the program reads or writes is found relative to the directory
// that is current at start-up (the start directory).

// When TAVO_VEZI_HOME is set, creates that folder if needed and makes it the
// current directory. Returns the error text when that fails.
std::optional<QString> EnterStartDirectory();

// The current directory + "/" + name, e.g. StartPath("Archive").
QString StartPath(const QString& name);

// The help file: the current directory followed directly by the help title
// text (which names the file with a leading separator, "/TAVO_Vezi.html").
// Backslashes in the title count as separators; a title without a leading
// separator gets one. Empty when the title is blank.
QString HelpFilePath(const QString& helpTitle);
