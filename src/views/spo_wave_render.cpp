#include "views/spo_wave_render.h"

#include "archive/recording_format.h"
#include "archive/sample_streams.h"
#include "lang/language.h"
#include "views/heart_rate_digits.h"
#include "views/view_font.h"
#include "settings/system_settings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace views {
namespace {

constexpr int kPanelWidth = 130;
constexpr int kGap = 4;
// Dotted grid lines every 10 % SpO2, 30 bpm and a quarter of the pleth range.
constexpr int kSpo2GridStep = 10;
constexpr int kPlethGridStep = 25;
// The pulse bar right of the pleth area and the beat mark beside it.
constexpr int kBarLeft = 2;
constexpr int kBarWidth = 20;
constexpr int kBarPixelsPerLevel = 6;
constexpr int kBeatMarkLeft = 40;
constexpr int kBeatMarkSize = 16;
const QColor kBarOutline(128, 128, 128);
const QColor kBarFill(0, 0, 255);
const QColor kBeatMarkColour(255, 40, 40);

// Three rows of the plot: SpO2 takes two fifths, pulse rate and pleth the rest.
constexpr int kSpo2Share = 40;
constexpr int kPulseShare = 30;

// A value as digit images, right-aligned in `box` and centred on its height.
void DrawDigits(QPainter& painter, const QRect& box, int value, bool alarm)
{
    const QString text = QString::number(value);
    const QPoint topLeft(box.right() + 1 - DigitTextWidth(text), box.top() + (box.height() - kDigitHeightPx) / 2);
    DrawDigitImages(painter, topLeft, text, alarm);
}

bool InAlarm(int value, int low, int up) { return value != 0 && (value < low || value > up); }

void DrawRowLabels(QPainter& painter, const SpOWaveLayout& layout, const QRect& row, const QString& label,
                   int lo, int hi)
{
    const QFontMetrics metrics(painter.font());
    if (row.height() < metrics.height())
        return;
    const QRect column(layout.labelsLeft, row.top(), row.left() - 1 - kGap - layout.labelsLeft, row.height());
    painter.drawText(column, Qt::AlignLeft | Qt::AlignVCenter, label);
    if (row.height() < 3 * metrics.height() || lo >= hi)
        return;
    painter.drawText(column, Qt::AlignRight | Qt::AlignTop, QString::number(hi));
    painter.drawText(column, Qt::AlignRight | Qt::AlignBottom, QString::number(lo));
}

void DrawFrame(QImage& image, const SpOWaveStyle& style, const SpOWaveLayout& layout, QTime startTime,
               std::int64_t firstSecond)
{
    image.fill(kPlotBackground);
    QPainter painter(&image);
    painter.setFont(SerifFont(kLabelCellPx, QFont::Normal));
    painter.setPen(kTextColour);
    painter.drawText(layout.title, Qt::AlignCenter, style.title);
    DrawRowLabels(painter, layout, layout.spo2, style.spo2Label, style.minSpo2, style.maxSpo2);
    DrawRowLabels(painter, layout, layout.pulse, style.pulseLabel, kLowestRate, kHighestRate);
    DrawRowLabels(painter, layout, layout.pleth, style.plethLabel, 0, 0);
    DrawPlotArea(painter, layout.spo2, style.minSpo2, style.maxSpo2, kSpo2GridStep);
    DrawPlotArea(painter, layout.pulse, kLowestRate, kHighestRate, kRateGridStep);
    DrawPlotArea(painter, layout.pleth, 0, kPlethTop, kPlethGridStep);
    if (layout.pleth.height() > 0)
        DrawTimeAxis(painter, layout.spo2, layout.axisTop, startTime, firstSecond);
}

// The plot area cleared and its trace drawn again.
void DrawRow(QImage& image, const QRect& row, std::span<const int> values, int lo, int hi, int gridStep,
             const QColor& colour, bool smooth)
{
    {
        QPainter painter(&image);
        DrawPlotArea(painter, row, lo, hi, gridStep);
    }
    DrawValueTrace(image, row, values, lo, hi, colour, smooth);
}

void DrawEventMarks(QPainter& painter, const QRect& row, std::span<const SpOEvent> events,
                    const SpOWaveWindow& window, int selectedEvent)
{
    const std::int64_t start = window.Start();
    const std::int64_t last = start + row.width() - 1;
    const auto span = [&](const SpOEvent& event) -> std::optional<std::pair<int, int>> {
        const std::int64_t first = std::max<std::int64_t>(std::min(event.StartIndex, event.EndIndex), start);
        const std::int64_t end = std::min<std::int64_t>(std::max(event.StartIndex, event.EndIndex), last);
        if (first > end)
            return std::nullopt;
        return std::pair(row.left() + static_cast<int>(first - start), row.left() + static_cast<int>(end - start));
    };
    painter.setPen(QPen(kGridColour, 0));
    for (const SpOEvent& event : events)
        if (const auto columns = span(event))
            for (int above = 0; above < std::min(3, row.height()); ++above)
                painter.drawLine(columns->first, row.bottom() - above, columns->second, row.bottom() - above);
    if (selectedEvent < 0 || static_cast<std::size_t>(selectedEvent) >= events.size())
        return;
    if (const auto columns = span(events[static_cast<std::size_t>(selectedEvent)])) {
        painter.setPen(QPen(kGridColour, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(columns->first, row.top()), QPoint(columns->second, row.bottom()))
                             .adjusted(0, 0, -1, -1));
    }
}

void DrawPulseBar(QPainter& painter, const SpOWaveLayout& layout, const SpOLiveState& state)
{
    const QRect& pleth = layout.pleth;
    const int left = pleth.right() + 1 + kBarLeft;
    const int height = std::min(state.barLevel * kBarPixelsPerLevel, pleth.height());
    if (height > 0) {
        painter.setPen(QPen(kBarOutline, 0));
        painter.setBrush(kBarFill);
        painter.drawRect(left, pleth.bottom() - height + 1, kBarWidth - 1, height - 1);
    }
    if (!state.beatShown)
        return;
    // A small heart beside the bar while the beat shows.
    const QRectF box(pleth.right() + 1 + kBeatMarkLeft, pleth.top() + pleth.height() / 3 - 10, kBeatMarkSize,
                     kBeatMarkSize);
    QPainterPath heart;
    heart.moveTo(box.center().x(), box.bottom());
    heart.cubicTo(box.left(), box.center().y(), box.left(), box.top(), box.center().x(), box.top() + box.height() / 4);
    heart.cubicTo(box.right(), box.top(), box.right(), box.center().y(), box.center().x(), box.bottom());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBeatMarkColour);
    painter.drawPath(heart);
}

void DrawLivePanel(QImage& image, const SpOWaveStyle& style, const SpOWaveLayout& layout, const SpOLiveState& state)
{
    QPainter painter(&image);
    painter.fillRect(layout.panel, kPlotBackground);
    const auto digits = [&](const QRect& row, int value, int alarmLow, int alarmUp) {
        if (value >= 0 && row.height() > 0)
            DrawDigits(painter, QRect(layout.panel.left(), row.top(), layout.panel.width() - kGap, row.height()),
                       value, InAlarm(value, alarmLow, alarmUp));
    };
    digits(layout.spo2, state.spo2Value, style.spo2AlarmLow, style.spo2AlarmUp);
    digits(layout.pulse, state.pulseValue, style.pulseAlarmLow, style.pulseAlarmUp);
    DrawPulseBar(painter, layout, state);
}

} // namespace

SpOWaveStyle CurrentSpOWaveStyle()
{
    SpOWaveStyle style;
    style.minSpo2 = g_Settings.MinSpo2;
    style.maxSpo2 = g_Settings.MaxSpo2;
    style.pulseAlarmLow = g_Settings.AlarmLow[1];
    style.pulseAlarmUp = g_Settings.AlarmUp[1];
    style.spo2AlarmLow = g_Settings.AlarmLow[2];
    style.spo2AlarmUp = g_Settings.AlarmUp[2];
    style.smooth = g_SmoothLines;
    style.spo2Label = g_Language.GetString("IDS_STR_SPO") + QStringLiteral("(%)");
    style.pulseLabel = g_Language.GetString("IDS_STR_PR") + QStringLiteral("(bpm)");
    style.title = g_Language.GetString("IDS_STR_SPOTREND");
    return style;
}

SpOWaveLayout LayoutSpOWave(QSize size, const SpOWaveStyle& style)
{
    const QFontMetrics metrics(SerifFont(kLabelCellPx, QFont::Normal));
    SpOWaveLayout layout;
    layout.labelsLeft = kGap;
    int labelWidth = metrics.horizontalAdvance(QStringLiteral("100"));
    for (const QString& label : {style.spo2Label, style.pulseLabel, style.plethLabel})
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    const int left = kGap + labelWidth + kGap + 1; // first column; the frame is one pixel left of it
    const int width = std::max(0, size.width() - left - 1 - kPanelWidth);
    layout.title = QRect(0, 0, std::max(0, size.width()), metrics.height() + 2);

    const int axisHeight = metrics.height() + 10;
    int y = layout.title.bottom() + 1; // first frame line
    // Three frames of two lines each and the gaps between them.
    const int inner = std::max(0, size.height() - axisHeight - y - 3 * 2 - 2 * kGap);
    const auto row = [&](int height) {
        const QRect area(left, y + 1, width, std::max(0, height));
        y += std::max(0, height) + 2 + kGap;
        return area;
    };
    const int spo2Height = inner * kSpo2Share / 100;
    const int pulseHeight = inner * kPulseShare / 100;
    layout.spo2 = row(spo2Height);
    layout.pulse = row(pulseHeight);
    layout.pleth = row(inner - spo2Height - pulseHeight);
    layout.axisTop = layout.pleth.bottom() + 2;
    const int panelLeft = left + width + 1;
    layout.panel = QRect(panelLeft, layout.spo2.top(), std::max(0, size.width() - panelLeft),
                         std::max(0, layout.pleth.bottom() - layout.spo2.top() + 1));
    return layout;
}

std::int64_t SpOWaveCase::CountSeconds() const
{
    return IsOpen() ? archive::SpO2RecordCount(folder / archive::kSpO2DataFile) : 0;
}

void SpOWaveCase::LoadAnalysis()
{
    if (!IsOpen() || !LoadSpOResult(folder / archive::kSpO2AnalysisFile, result, events).ok()) {
        result = SpOAnaResult{};
        events.clear();
    }
}

void DrawSpOReview(QImage& image, const SpOWaveStyle& style, const SpOWaveCase& spoCase,
                   const SpOWaveWindow& window, int selectedEvent)
{
    if (image.isNull())
        return;
    const SpOWaveLayout layout = LayoutSpOWave(image.size(), style);
    DrawFrame(image, style, layout, spoCase.startTime, window.Start());
    if (!spoCase.IsOpen())
        return;
    const std::vector<archive::SpO2Record> records =
        archive::ReadSpO2Records(spoCase.folder / archive::kSpO2DataFile, window.Start(), window.Width());
    std::vector<int> spo2(records.size());
    std::vector<int> pulse(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        spo2[i] = records[i].spo2Percent;
        pulse[i] = records[i].pulseBpm;
    }
    DrawValueTrace(image, layout.spo2, spo2, style.minSpo2, style.maxSpo2, kSpo2Colour, style.smooth);
    DrawValueTrace(image, layout.pulse, pulse, kLowestRate, kHighestRate, kRateColour, style.smooth);

    QPainter painter(&image);
    DrawEventMarks(painter, layout.spo2, spoCase.events, window, selectedEvent);
    const std::int64_t column = window.Cursor() - window.Start();
    if (window.Seconds() == 0 || column < 0 || static_cast<std::size_t>(column) >= records.size())
        return;
    DrawCursorLine(painter, layout.spo2, column);
    DrawCursorLine(painter, layout.pulse, column);
    const archive::SpO2Record& atCursor = records[static_cast<std::size_t>(column)];
    painter.setFont(SerifFont(kLabelCellPx, QFont::Normal));
    painter.setPen(kTextColour);
    const auto readOut = [&](const QRect& row, const QString& text) {
        painter.drawText(QRect(layout.panel.left() + kGap, row.top(), layout.panel.width() - kGap, row.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    readOut(layout.spo2, QStringLiteral("SpO2:%1").arg(atCursor.spo2Percent));
    readOut(layout.pulse, QStringLiteral("PR:%1").arg(atCursor.pulseBpm));
    readOut(layout.pleth, ClockText(spoCase.startTime, window.Cursor()));
}

void SpOLiveState::Reset(int columns)
{
    for (LiveSweep* sweep : {&spo2, &pulse, &pleth})
        sweep->Reset(columns);
    firstSecond = 0;
    spo2Value = pulseValue = -1;
    barLevel = lastBarHeight = 0;
    beatShown = barRising = false;
}

bool SpOLiveState::AddBarLevel(int level)
{
    barLevel = level;
    const int height = level * kBarPixelsPerLevel;
    if (height > lastBarHeight) {
        lastBarHeight = height;
        barRising = true;
        return false;
    }
    // The first bar after a rise that is not higher, at a level of 6 or more.
    constexpr int kPeakLevel = 6;
    if (!barRising || level < kPeakLevel) {
        lastBarHeight = height;
        return false;
    }
    barRising = false;
    return true;
}

QRect DrawSpOLive(QImage& image, const SpOWaveStyle& style, const SpOLiveState& state, unsigned parts)
{
    if (image.isNull())
        return {};
    const SpOWaveLayout layout = LayoutSpOWave(image.size(), style);
    if (parts & kLiveFrame) {
        DrawFrame(image, style, layout, state.startTime, state.firstSecond);
        parts = ~0u;
    }
    QRect drawn = (parts & kLiveFrame) ? image.rect() : QRect();
    const auto row = [&](unsigned part, const QRect& area, const LiveSweep& sweep, int lo, int hi, int gridStep,
                         const QColor& colour) {
        if (parts & part) {
            DrawRow(image, area, sweep.Values(), lo, hi, gridStep, colour, style.smooth);
            drawn |= area.adjusted(-1, -1, 1, 1);
        }
    };
    row(kLiveSpo2, layout.spo2, state.spo2, style.minSpo2, style.maxSpo2, kSpo2GridStep, kSpo2Colour);
    row(kLivePulse, layout.pulse, state.pulse, kLowestRate, kHighestRate, kRateGridStep, kRateColour);
    row(kLivePleth, layout.pleth, state.pleth, 0, kPlethTop, kPlethGridStep, kPlethColour);
    if (parts & kLivePanel) {
        DrawLivePanel(image, style, layout, state);
        drawn |= layout.panel;
    }
    return drawn;
}

QImage RenderSpOWave(const std::filesystem::path& caseFolder, std::int64_t startSecond, QSize size,
                     QTime startTime, const SpOWaveStyle& style)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    SpOWaveCase spoCase{caseFolder, startTime, {}, {}};
    spoCase.LoadAnalysis();
    SpOWaveWindow window;
    window.SetWidth(LayoutSpOWave(image.size(), style).spo2.width());
    window.SetSeconds(spoCase.CountSeconds());
    window.Set(startSecond, startSecond);
    DrawSpOReview(image, style, spoCase, window, -1);
    return image;
}

} // namespace views
