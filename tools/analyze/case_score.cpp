#include "case_score.h"

#include "signal/file_io.h"
#include "signal/qrs_record.h"

#include <string_view>

std::string CaseScore::Line() const
{
    const std::string name = folder.filename().empty() ? folder.parent_path().filename().string()
                                                        : folder.filename().string();
    return name + ": " + (error.empty() ? score.Line() : "error: " + error);
}

CaseScore ScoreCase(const std::filesystem::path& folder, const std::filesystem::path& reference)
{
    CaseScore result;
    result.folder = folder;
    std::error_code error;
    result.reference = reference.is_relative() && std::filesystem::is_regular_file(folder / reference, error)
        ? folder / reference
        : reference;

    const auto referenceText = ReadWholeFile(result.reference);
    if (!referenceText) {
        result.error = "cannot read " + result.reference.string();
        return result;
    }
    const ReferenceBeats parsed = ParseReferenceBeats(std::string_view(
        reinterpret_cast<const char*>(referenceText->data()), referenceText->size()));
    if (!parsed.error.empty()) {
        result.error = result.reference.string() + ": " + parsed.error;
        return result;
    }
    const auto qrsBytes = ReadWholeFile(folder / "qrs.ecg");
    if (!qrsBytes) {
        result.error = "cannot read " + (folder / "qrs.ecg").string();
        return result;
    }
    const std::vector<QrsRecord> beats = DecodeQrsRecords(*qrsBytes);
    result.score = ScoreBeats(parsed.samples, DetectedPeaks(beats));
    return result;
}
