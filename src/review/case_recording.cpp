#include "review/case_recording.h"

#include "archive/recording_format.h"
#include "lang/language.h"
#include "lang/text_format.h"

#include <cstdlib>
#include <system_error>

namespace review {

namespace {

// The recorder closes its ECG and SpO2 files independently; a few seconds
// apart is normal, more means one of them was cut short or belongs elsewhere.
constexpr std::int64_t kLengthToleranceSeconds = 3;

// Size of a file, -1 when it is not a readable regular file.
std::int64_t FileBytes(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return -1;
    const auto size = std::filesystem::file_size(file, error);
    return error ? -1 : std::int64_t(size);
}

} // namespace

QString RecordingProblem(const views::ViewCase& shownCase)
{
    std::error_code error;
    if (!shownCase.isOpen() || !std::filesystem::is_directory(shownCase.folder, error))
        return {};
    const std::int64_t ecgBytes = FileBytes(shownCase.ecgData());
    const std::int64_t spoBytes = FileBytes(shownCase.spo2Data());
    if (ecgBytes <= 0 && spoBytes <= 0)
        return g_Language.GetString("IDS_STR_NORECORD");
    if ((ecgBytes > 0 && ecgBytes % std::int64_t(archive::kEcgSampleBytes) != 0)
        || (spoBytes > 0 && spoBytes % std::int64_t(archive::kSpO2RecordBytes) != 0))
        return g_Language.GetString("IDS_STR_PARTRECORD");
    if (ecgBytes <= 0 || spoBytes <= 0)
        return {};
    const std::int64_t ecgSeconds = ecgBytes / std::int64_t(archive::kEcgSampleBytes) / archive::kEcgSamplesPerSecond;
    const std::int64_t spoSeconds = spoBytes / std::int64_t(archive::kSpO2RecordBytes);
    if (std::llabs(ecgSeconds - spoSeconds) <= kLengthToleranceSeconds)
        return {};
    return FormatText(g_Language.GetString("IDS_STR_LENDIFF"),
                      {static_cast<long long>(ecgSeconds), static_cast<long long>(spoSeconds)});
}

} // namespace review
