#pragma once

#include "transfer/archive_entry.h"
#include "transfer/card_reader.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The result of one tavo-import run, printed as lines or as one JSON object.
class ImportReport {
public:
    enum class Result { Listed, New, Replaced, Skipped, Failed };

    void AddArchive(const ArchiveEntry& entry, Result result, const std::string& caseId, const std::string& note,
                    bool deletedFromCard);
    void AddProblem(const CardProblem& problem);

    bool AnyFailed() const;

    void PrintLines(std::ostream& out) const;
    void PrintJson(std::ostream& out) const;

private:
    struct Row {
        ArchiveEntry entry;
        Result result;
        std::string caseId;
        std::string note;   // the reason of a failure, or a remark on a success
        bool deletedFromCard;
    };

    int Count(Result result) const;

    std::vector<Row> m_rows;
    std::vector<CardProblem> m_problems;
};
