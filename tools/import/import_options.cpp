#include "import_options.h"

ParsedCommand ParseImportCommand(const std::vector<std::string>& arguments)
{
    ImportCommand command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            command.inputs.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            return HelpWanted{};
        } else if (argument == "--list") {
            command.listOnly = true;
        } else if (argument == "--replace" || argument == "--keep-both") {
            const LoadedArchives wanted = argument == "--replace" ? LoadedArchives::Replace : LoadedArchives::KeepBoth;
            if (command.loaded != LoadedArchives::Skip && command.loaded != wanted)
                return std::string("--replace and --keep-both exclude each other.");
            command.loaded = wanted;
        } else if (argument == "--delete-after") {
            command.deleteAfter = true;
        } else if (argument == "--json") {
            command.json = true;
        } else if (argument == "--home" || argument.starts_with("--home=")) {
            std::string value;
            if (argument == "--home") {
                if (i + 1 >= arguments.size())
                    return std::string("--home needs a folder.");
                value = arguments[++i];
            } else {
                value = argument.substr(7);
            }
            if (value.empty())
                return std::string("--home needs a folder.");
            command.home = value;
        } else {
            return "Unknown option \"" + argument + "\" (see --help).";
        }
    }
    if (command.inputs.empty())
        return std::string("Name a card folder or device files (see --help).");
    return command;
}

std::string ImportHelpText()
{
    return R"HELP(Usage: tavo-import [options] CARD_FOLDER
       tavo-import [options] DEVICE_FILE...

Imports the recorder archives of a card into the TAVO_Vezi case archive, as
the program's download dialog does: one case per archive, its case row in the
data source "Case" and its "data.ecg"/"data.spo" in Archive/CASEID.

The device files are the ".ECG" and ".SPO" files (any letter case) directly in
CARD_FOLDER, or the files named. Each archive is listed with its name, sample
type, start time and whether it is already loaded (a case with the same start
time, to the second, and the archive name). Archives not yet loaded are
imported in archive-name order; loaded ones are skipped unless asked otherwise.

Options:
  --home DIR       start folder of the program (Archive/, the case database,
                   the data source); default: $TAVO_VEZI_HOME, else the
                   current folder
  --list           only list the archives; import nothing
  --replace        replace the cases of loaded archives with the card's data
                   (the download dialog's Yes with "Same Operation")
  --keep-both      add a new case for loaded archives as well, keeping the old
                   one (No with "Same Operation")
  --delete-after   delete an archive's device files from the card once its
                   case is fully written and read back
  --json           print the result as one JSON object instead of lines
  --help           show this text

Output: one line per archive on stdout, "NAME<TAB>TYPE<TAB>START<TAB>RESULT",
where RESULT is "new CASEID", "replaced CASEID", "skipped (loaded as CASEID)",
"loaded CASEID" / "not loaded" (--list) or "failed: REASON"; files left out
of the list get "FILE<TAB>failed: REASON". Then one summary line. Progress
goes to stderr when stderr is a terminal. SIGINT or SIGTERM stops the import
before the next archive; the archive being converted is finished first.

Exit status: 0 when every chosen archive was imported or skipped as asked,
1 when any failed (or the import was stopped), 2 for bad usage or an
unreachable case database (its own message is printed).
)HELP";
}
