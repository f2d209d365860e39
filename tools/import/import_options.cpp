#include "import_options.h"

ParsedCommand ParseImportCommand(const std::vector<std::string>& arguments)
{
    cli::CommandLine line({{{"home"}, true}, {{"list"}}, {{"replace"}}, {{"keep-both"}}, {{"delete-after"}}, {{"json"}}});
    if (auto stop = line.Parse(arguments))
        return *stop;
    ImportCommand command;
    if (line.IsSet("replace") && line.IsSet("keep-both"))
        return std::string("--replace and --keep-both exclude each other.");
    command.loaded = line.IsSet("replace")     ? LoadedArchives::Replace
        : line.IsSet("keep-both") ? LoadedArchives::KeepBoth
                                  : LoadedArchives::Skip;
    command.listOnly = line.IsSet("list");
    command.deleteAfter = line.IsSet("delete-after");
    command.json = line.IsSet("json");
    if (const auto home = line.Value("home")) {
        if (home->empty())
            return std::string("--home needs a folder.");
        command.home = *home;
    }
    for (const std::string& input : line.Positional())
        command.inputs.emplace_back(input);
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
  --version        show the program's version

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
