#include "case_analysis.h"

#include "archive/archive_paths.h"
#include "signal/spo_analysis.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace {

bool HoldsData(const std::filesystem::path& folder)
{
    std::error_code error;
    return std::filesystem::is_regular_file(folder / "data.ecg", error)
        || std::filesystem::is_regular_file(folder / "data.spo", error);
}

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

bool CaseSummary::noValidSpo2() const
{
    return spo2 && spo2->ok() && spo2Result.ValidSeconds == 0;
}

bool CaseSummary::ok() const
{
    return (ecg || spo2) && (!ecg || ecg->status.ok()) && (!spo2 || spo2->ok()) && !noValidSpo2();
}

std::string CaseSummary::Line() const
{
    std::string line = folder.filename().string() + ":";
    if (!ecg && !spo2)
        return line + " error: no data.ecg or data.spo in " + folder.string();
    if (ecg) {
        if (!ecg->status.ok()) {
            line += " ECG error: " + ecg->status.error() + ";";
        } else {
            line += Format(" ECG %llu beats, HR mean %.0f min %d max %d bpm;",
                           static_cast<unsigned long long>(ecg->beats), ecg->meanHeartRate, ecg->minHeartRate,
                           ecg->maxHeartRate);
            if (ecg->ignoredBytes != 0)
                line += " (trailing odd byte ignored)";
            if (ecg->outOfRangeSamples != 0)
                line += Format(" (%llu samples above 4095)", static_cast<unsigned long long>(ecg->outOfRangeSamples));
        }
    }
    if (spo2) {
        if (!spo2->ok())
            line += " SpO2 error: " + spo2->error() + ";";
        else if (noValidSpo2())
            line += " SpO2: no valid value in data.spo;";
        else
            line += Format(" SpO2 %zu events, lowest %u %%, %zu s;", spo2Events,
                           static_cast<unsigned>(spo2Result.LowestSpo2), spo2Seconds);
    }
    line.pop_back();
    return line;
}

std::vector<std::filesystem::path> FindCaseFolders(const std::filesystem::path& path)
{
    if (HoldsData(path))
        return {path};
    std::vector<std::filesystem::path> cases;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        // Staging folders of an import, the scratch folder and anything else
        // not named by a case id are no cases, whatever they hold.
        if (archive::IsValidCaseId(entry.path().filename().string()) && entry.is_directory(error)
            && HoldsData(entry.path()))
            cases.push_back(entry.path());
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

CaseSummary AnalyseCase(const std::filesystem::path& folder, const EcgSettings& ecgSettings,
                        const SpOSettings& spoSettings, AnalysisProgress* progress)
{
    CaseSummary summary;
    summary.folder = folder;
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / "data.ecg", error)) {
        CECGAnalysis analysis(ecgSettings);
        summary.ecg = analysis.ProcessFile(folder, progress);
    }
    if (std::filesystem::is_regular_file(folder / "data.spo", error)) {
        CSpOAnalysis analysis(spoSettings, progress);
        summary.spo2 = analysis.AnalyseAndSave(folder / "data.spo", folder / "ana.spo");
        summary.spo2Result = analysis.GetResult();
        summary.spo2Events = analysis.GetEvents().size();
        summary.spo2Seconds = analysis.SampleCount();
    }
    return summary;
}
