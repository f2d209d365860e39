#pragma once

#include "base/status.h"
#include "signal/ecg_settings.h"
#include "views/ecg_scale.h"
#include "views/spo_wave_render.h"
#include "views/trend_render.h"

#include <QImage>
#include <QSize>
#include <QTime>

#include <filesystem>

// One pane of a case folder drawn into an image as the review window draws
// it, without a window: the ECG page, the SpO2 page or the rate trend at a
// time of the recording. tavo-strip is a thin shell over these functions.
namespace strip {

enum class View { Ecg, SpO2, Trend };

struct StripRequest {
    std::filesystem::path caseFolder;
    View view = View::Ecg;
    double atSeconds = 0; // from the recording's start
    int speedIndex = views::ecg::kDefaultSpeedIndex;
    int gainIndex = views::ecg::kDefaultGainIndex;
    QSize size{1600, 400};
    QTime startTime{0, 0}; // the time of day the recording began, for the time labels
};

// What the window takes from the stored settings and the language.
struct StripLooks {
    EcgSettings detection;
    bool smooth = true;
    views::SpOWaveStyle spo;
    views::TrendStyle trend;
};

// From g_Settings, and the labels from g_Language when a language file was
// loaded (otherwise the English labels the styles start with).
StripLooks StoredLooks(bool languageLoaded);

// Draws the view at the requested time; a time in the last part of the
// recording gives the last page the window scrolls to. The beats (the ECG
// page's marked beat 0, the heart-rate trend) come from the case's "qrs.ecg"
// when it holds a beat; otherwise they are detected with `looks.detection`
// into a temporary folder, so the case folder is only ever read. Fails, with
// a line for the user, for a missing folder, a recording without data for
// the view, a time past its end or a failed detection.
base::Status RenderStrip(const StripRequest& request, const StripLooks& looks, QImage& image);

// The image as a PNG file, replacing any file of that name.
base::Status WritePng(const QImage& image, const std::filesystem::path& file);

} // namespace strip
