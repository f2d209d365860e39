#pragma once

#include <string>

// The answer to "replace the case of this loaded archive?".
struct ReplaceReply {
    enum Button : int { Yes = 6, No = 7, Cancel = 2 };
    Button button = Cancel;
    bool sameOperation = false;   // answer every later loaded archive of the run the same way
};

enum class ArchiveStatus { Added, Replaced, Deleted, Failed, Skipped };

// What became of one archive of a run.
struct ArchiveOutcome {
    std::string name;
    ArchiveStatus status = ArchiveStatus::Failed;
    std::string caseId;           // the new or replaced case
    std::string message;          // why it failed
    bool deletedFromCard = false;
};

// How an import run talks to whoever started it. The engine calls these from
// the thread it runs on.
class ImportListener {
public:
    virtual ~ImportListener() = default;

    // Tested before every archive; true ends the run there.
    virtual bool StopRequested() = 0;
    // Asked for a loaded archive while the replace mode is "ask"; blocks
    // until answered.
    virtual ReplaceReply AskReplace(const std::string& archiveName) = 0;
    // Another import into the same case archive runs; this one waits for it
    // (asking StopRequested meanwhile).
    virtual void WaitingForOtherImport() {}
    // After an archive was added, replaced, deleted from the card, skipped or failed.
    // `handled` counts the archives done so far, `selected` those chosen.
    virtual void ArchiveHandled(const ArchiveOutcome& outcome, int handled, int selected) = 0;
};
