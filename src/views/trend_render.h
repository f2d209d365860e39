#pragma once

#include "views/live_sweep.h"
#include "views/trend_window.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <vector>

// The pictures of the trend view, drawn into an off-screen image without a
// widget: the rate trend of a case folder and the live sweep. The view and
// the command-line renderer both draw through these functions.
namespace views {

// The beat rate of an R-R interval of `rrSamples` at 200 samples per second,
// rounded; kNoValue for 0, which has no rate.
int RateOfRRInterval(int rrSamples);

// "qrs.ecg" (source 0) or "data.spo" (source 1) of the case folder.
std::filesystem::path TrendFile(const std::filesystem::path& caseFolder, int source);
std::int64_t CountTrendPoints(const std::filesystem::path& caseFolder, int source);
// The rates of up to `count` points from `first` on (fewer at the end of the
// file): beat rates of "qrs.ecg", pulse rates of "data.spo".
std::vector<int> ReadTrendPoints(const std::filesystem::path& caseFolder, int source, std::int64_t first,
                                 std::int64_t count);

// What the drawing reads from the settings and the language.
struct TrendStyle {
    bool smooth = false;
    QString ecgTitle = QStringLiteral("Heart Rate (bpm)");
    QString spo2Title = QStringLiteral("Pulse Rate (bpm)");

    bool operator==(const TrendStyle&) const = default;
};
TrendStyle CurrentTrendStyle();

// The plot (one point per pixel column, 30 to 240 bpm) under a title line,
// right of a column of rate labels.
struct TrendLayout {
    QRect title;
    QRect plot;
    int labelsLeft = 0;
};
TrendLayout LayoutTrend(QSize size, const TrendStyle& style);

// Review page: the window's points of the source's file as a line broken at
// beats without a rate, and the cursor line while a case is open (`caseFolder`
// not empty).
void DrawTrendReview(QImage& image, const TrendStyle& style, const std::filesystem::path& caseFolder,
                     const TrendWindow& window);

// The live sweep; `frame` redraws title and labels as well. Returns the
// rectangle drawn.
QRect DrawTrendLive(QImage& image, const TrendStyle& style, int source, const LiveSweep& sweep, bool frame);

// The trend of a case folder as the view shows it, the window (and cursor)
// at point `start` of `source`, in an image of `size`.
QImage RenderTrend(const std::filesystem::path& caseFolder, int source, std::int64_t start, QSize size,
                   const TrendStyle& style = CurrentTrendStyle());

} // namespace views
