#include "import_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>

namespace {

std::string TypeName(archive::SampleType type)
{
    switch (type) {
    case archive::SampleType::Ecg: return "ECG";
    case archive::SampleType::SpO2: return "SpO2";
    case archive::SampleType::EcgAndSpO2: return "ECG+SpO2";
    }
    return "?";
}

std::string TimeText(const archive::DateTime& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

// Control characters (tabs and line ends among them) from a card's file
// names would break the one-line-per-archive layout or the terminal.
std::string OneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    return text;
}

const char* ResultName(ImportReport::Result result)
{
    switch (result) {
    case ImportReport::Result::Listed: return "listed";
    case ImportReport::Result::New: return "new";
    case ImportReport::Result::Replaced: return "replaced";
    case ImportReport::Result::Skipped: return "skipped";
    case ImportReport::Result::Failed: return "failed";
    }
    return "";
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

void ImportReport::AddArchive(const ArchiveEntry& entry, Result result, const std::string& caseId,
                              const std::string& note, bool deletedFromCard)
{
    m_rows.push_back({entry, result, caseId, note, deletedFromCard});
}

void ImportReport::AddProblem(const CardProblem& problem)
{
    m_problems.push_back(problem);
}

bool ImportReport::AnyFailed() const
{
    return !m_problems.empty() || Count(Result::Failed) > 0;
}

int ImportReport::Count(Result result) const
{
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(),
                                          [result](const Row& row) { return row.result == result; }));
}

void ImportReport::PrintLines(std::ostream& out) const
{
    for (const Row& row : m_rows) {
        out << OneLine(row.entry.Name) << '\t' << TypeName(row.entry.Type) << '\t' << TimeText(row.entry.StartTime)
            << '\t';
        switch (row.result) {
        case Result::Listed:
            out << (row.entry.Loaded == 1 ? "loaded " + row.entry.CaseID : std::string("not loaded"));
            break;
        case Result::New:
        case Result::Replaced:
            out << ResultName(row.result) << ' ' << row.caseId;
            if (row.deletedFromCard)
                out << " (deleted from the card)";
            if (!row.note.empty())
                out << " (" << OneLine(row.note) << ')';
            break;
        case Result::Skipped:
            out << "skipped (loaded as " << row.caseId << ')';
            break;
        case Result::Failed:
            out << "failed: " << OneLine(row.note);
            break;
        }
        out << '\n';
    }
    for (const CardProblem& problem : m_problems)
        out << OneLine(problem.fileName) << "\tfailed: " << OneLine(problem.reason) << '\n';

    if (Count(Result::Listed) > 0 || m_rows.empty()) {
        const auto loaded = std::count_if(m_rows.begin(), m_rows.end(),
                                          [](const Row& row) { return row.entry.Loaded == 1; });
        out << m_rows.size() << " archives, " << loaded << " loaded, " << m_problems.size() << " files left out\n";
        return;
    }
    out << Count(Result::New) << " new, " << Count(Result::Replaced) << " replaced, " << Count(Result::Skipped)
        << " skipped, " << Count(Result::Failed) + static_cast<int>(m_problems.size()) << " failed\n";
}

void ImportReport::PrintJson(std::ostream& out) const
{
    QJsonArray archives;
    for (const Row& row : m_rows) {
        QJsonObject item{{"name", Q(row.entry.Name)},
                         {"type", Q(TypeName(row.entry.Type))},
                         {"start", Q(TimeText(row.entry.StartTime))},
                         {"loaded", row.entry.Loaded == 1 || row.result == Result::Skipped},
                         {"result", ResultName(row.result)}};
        if (row.result == Result::Skipped)
            item["loadedCaseId"] = Q(row.caseId);
        else if (row.entry.Loaded == 1 && row.result != Result::New && row.result != Result::Replaced)
            item["loadedCaseId"] = Q(row.entry.CaseID);
        if (!row.caseId.empty() && (row.result == Result::New || row.result == Result::Replaced))
            item["caseId"] = Q(row.caseId);
        if (!row.note.empty())
            item[row.result == Result::Failed ? "reason" : "note"] = Q(row.note);
        if (row.result == Result::New || row.result == Result::Replaced)
            item["deletedFromCard"] = row.deletedFromCard;
        archives.append(item);
    }
    QJsonArray problems;
    for (const CardProblem& problem : m_problems)
        problems.append(QJsonObject{{"file", Q(problem.fileName)}, {"reason", Q(problem.reason)}});
    const QJsonObject summary{{"new", Count(Result::New)},
                              {"replaced", Count(Result::Replaced)},
                              {"skipped", Count(Result::Skipped)},
                              {"failed", Count(Result::Failed) + static_cast<int>(m_problems.size())},
                              {"listed", Count(Result::Listed)}};
    const QJsonObject root{{"archives", archives}, {"problems", problems}, {"summary", summary}};
    out << QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString() << '\n';
}
