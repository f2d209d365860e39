#include "strip_render.h"

#include "archive/file_utils.h"
#include "archive/recording_format.h"
#include "archive/sample_streams.h"
#include "base/atomic_file.h"
#include "settings/analysis_settings.h"
#include "settings/system_settings.h"
#include "signal/file_io.h"
#include "signal/qrs_record.h"
#include "views/beat_detection_run.h"
#include "views/ecg_page.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace strip {
namespace {

constexpr double kEcgRate = views::ecg::kSamplesPerSecond;

std::string Seconds(double seconds)
{
    return QString::number(seconds, 'g', 10).toStdString() + " s";
}

base::Status PastTheEnd(double at, double length)
{
    return base::Status::Error("the time " + Seconds(at) + " lies past the end of the recording ("
                               + Seconds(length) + ")");
}

// The folder whose "qrs.ecg" holds the case's beats: the case folder itself
// when its beat file holds a beat, else a temporary folder where the
// detection wrote them beside a link to the case's "data.ecg".
class BeatFolder {
public:
    base::Status Prepare(const std::filesystem::path& caseFolder, const EcgSettings& settings)
    {
        m_path = caseFolder;
        if (archive::FileSize((caseFolder / archive::kQrsFile).string()) >= static_cast<std::int64_t>(kQrsRecordBytes))
            return base::Status::Ok();
        m_temporary = std::make_unique<QTemporaryDir>();
        if (!m_temporary->isValid())
            return base::Status::Error("no temporary folder for the beat detection: "
                                       + m_temporary->errorString().toStdString());
        m_path = m_temporary->path().toStdString();
        std::error_code error;
        std::filesystem::create_symlink(std::filesystem::absolute(caseFolder / archive::kEcgDataFile, error),
                                        m_path / archive::kEcgDataFile, error);
        if (error)
            return base::Status::Error("no link for the beat detection: " + error.message());
        const EcgFileResult detected = views::DetectCaseBeats(m_path, settings, nullptr);
        if (!detected.status.ok())
            return base::Status::Error("the beat detection failed: " + detected.status.error());
        return base::Status::Ok();
    }

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::unique_ptr<QTemporaryDir> m_temporary; // removed with the object
};

base::Status RenderEcg(const StripRequest& request, const StripLooks& looks, QImage& image)
{
    const std::int64_t samples = archive::EcgSampleCount(request.caseFolder / archive::kEcgDataFile);
    if (samples == 0)
        return base::Status::Error("no ECG: \"data.ecg\" is missing or empty");
    if (request.atSeconds * kEcgRate >= static_cast<double>(samples))
        return PastTheEnd(request.atSeconds, static_cast<double>(samples) / kEcgRate);
    BeatFolder beats;
    if (auto prepared = beats.Prepare(request.caseFolder, looks.detection); !prepared.ok())
        return prepared;

    namespace ecg = views::ecg;
    ecg::EcgPage page;
    page.shownCase = views::ViewCase{beats.path(), QDateTime(QDate(2000, 1, 1), request.startTime), 0};
    page.speedIndex = request.speedIndex;
    page.gainIndex = request.gainIndex;
    page.selectedBeat = 0; // as the window after opening a case
    page.smooth = looks.smooth;
    const int width = ecg::ComputeLayout(request.size, false).waveArea.width();
    const std::int64_t largest = ecg::ScrollMaximum(samples, ecg::PageLength(request.speedIndex, width));
    page.position = std::min(static_cast<std::int64_t>(request.atSeconds * kEcgRate), largest);
    image = ecg::RenderPage(page, request.size);
    return base::Status::Ok();
}

base::Status RenderSpO2(const StripRequest& request, const StripLooks& looks, QImage& image)
{
    const std::int64_t seconds = archive::SpO2RecordCount(request.caseFolder / archive::kSpO2DataFile);
    if (seconds == 0)
        return base::Status::Error("no SpO2: \"data.spo\" is missing or empty");
    if (request.atSeconds >= static_cast<double>(seconds))
        return PastTheEnd(request.atSeconds, static_cast<double>(seconds));
    image = views::RenderSpOWave(request.caseFolder, static_cast<std::int64_t>(request.atSeconds), request.size,
                                 request.startTime, looks.spo);
    return base::Status::Ok();
}

// The beat at or after the time, by its R wave.
std::int64_t BeatAt(const std::filesystem::path& beatFolder, double atSeconds)
{
    const auto bytes = ReadWholeFile(beatFolder / archive::kQrsFile).value_or(std::vector<std::uint8_t>{});
    const std::vector<QrsRecord> beats = DecodeQrsRecords(bytes);
    const auto at = static_cast<std::uint32_t>(atSeconds * kEcgRate);
    return std::partition_point(beats.begin(), beats.end(), [at](const QrsRecord& beat) { return beat.Peak < at; })
        - beats.begin();
}

// The heart rate per beat when the case has an ECG, else the pulse rate per
// second: the source the window chooses for the sample types.
base::Status RenderTrend(const StripRequest& request, const StripLooks& looks, QImage& image)
{
    const std::int64_t samples = archive::EcgSampleCount(request.caseFolder / archive::kEcgDataFile);
    const std::int64_t seconds = archive::SpO2RecordCount(request.caseFolder / archive::kSpO2DataFile);
    if (samples == 0 && seconds == 0)
        return base::Status::Error("no rates: \"data.ecg\" and \"data.spo\" are missing or empty");
    const double length = samples > 0 ? static_cast<double>(samples) / kEcgRate : static_cast<double>(seconds);
    if (request.atSeconds >= length)
        return PastTheEnd(request.atSeconds, length);
    if (samples == 0) {
        image = views::RenderTrend(request.caseFolder, views::kSourceSpO2,
                                   static_cast<std::int64_t>(request.atSeconds), request.size, looks.trend);
        return base::Status::Ok();
    }
    BeatFolder beats;
    if (auto prepared = beats.Prepare(request.caseFolder, looks.detection); !prepared.ok())
        return prepared;
    image = views::RenderTrend(beats.path(), views::kSourceEcg, BeatAt(beats.path(), request.atSeconds),
                               request.size, looks.trend);
    return base::Status::Ok();
}

} // namespace

StripLooks StoredLooks(bool languageLoaded)
{
    StripLooks looks;
    looks.detection = AnalysisSettingsFrom(g_Settings).ecg;
    looks.smooth = g_SmoothLines;
    const views::SpOWaveStyle english;
    const views::TrendStyle englishTrend;
    looks.spo = views::CurrentSpOWaveStyle();
    looks.trend = views::CurrentTrendStyle();
    if (!languageLoaded) {
        looks.spo.spo2Label = english.spo2Label;
        looks.spo.pulseLabel = english.pulseLabel;
        looks.spo.title = english.title;
        looks.trend.ecgTitle = englishTrend.ecgTitle;
        looks.trend.spo2Title = englishTrend.spo2Title;
    }
    return looks;
}

base::Status RenderStrip(const StripRequest& request, const StripLooks& looks, QImage& image)
{
    std::error_code error;
    if (!std::filesystem::is_directory(request.caseFolder, error))
        return base::Status::Error(std::string("no such folder"));
    switch (request.view) {
    case View::Ecg: return RenderEcg(request, looks, image);
    case View::SpO2: return RenderSpO2(request, looks, image);
    case View::Trend: return RenderTrend(request, looks, image);
    }
    return base::Status::Error("unknown view");
}

base::Status WritePng(const QImage& image, const std::filesystem::path& file)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return base::Status::Error("the image could not be encoded as PNG");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.constData());
    return base::ReplaceFile(file, {bytes, static_cast<std::size_t>(png.size())});
}

} // namespace strip
