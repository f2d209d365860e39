#include "views/ecg_wave_view.h"

#include "archive/sample_streams.h"
#include "settings/analysis_settings.h"
#include "settings/system_settings.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <vector>

using namespace views::ecg;

namespace {

constexpr int kScrollLineSamples = 10; // also what the scroll bar's end keys move
constexpr int kWheelDistancePerSample = 20;
constexpr int kHeartRateAlarmItem = 0;

int ToScrollValue(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

bool HeartRateAlarm(int bpm)
{
    const auto item = static_cast<std::size_t>(kHeartRateAlarmItem);
    return bpm > 0 && (bpm < g_Settings.AlarmLow[item] || bpm > g_Settings.AlarmUp[item]);
}

} // namespace

CECGWaveView::CECGWaveView(QWidget* parent) : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Horizontal, this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_scrollBar->setObjectName(QStringLiteral("ecgScrollBar"));
    m_scrollBar->setSingleStep(kScrollLineSamples);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        SetPosition(value);
        RedrawPage();
    });
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &CECGWaveView::OnScrollAction);
    Relayout();
}

CECGWaveView::~CECGWaveView() = default;

void CECGWaveView::StartLive()
{
    (void)m_liveSamples.Take(); // what came before belongs to no sweep
    m_liveRate = -1;
    QMetaObject::invokeMethod(this, &CECGWaveView::BeginLive, Qt::QueuedConnection);
}

void CECGWaveView::AddLiveSamples(std::span<const std::uint16_t> samples)
{
    if (m_liveSamples.Push(samples))
        QMetaObject::invokeMethod(this, &CECGWaveView::DrainLiveSamples, Qt::QueuedConnection);
}

void CECGWaveView::SetHeartRate(int bpm)
{
    m_liveRate = std::max(bpm, 0);
    QMetaObject::invokeMethod(this, &CECGWaveView::ShowHeartRate, Qt::QueuedConnection);
}

int CECGWaveView::LiveBlockSize() const
{
    return views::ecg::LiveBlockSize(m_speedIndex);
}

CECGWaveView::PageParams CECGWaveView::GetPageParams() const
{
    return {m_position, kSpeedMmPerS[static_cast<std::size_t>(m_speedIndex.load())],
            kGainMmPerMv[static_cast<std::size_t>(m_gainIndex.load())]};
}

void CECGWaveView::openCase(const views::ViewCase& shownCase)
{
    m_detection.reset();
    const int generation = ++m_generation;
    m_live = false;
    m_case = shownCase;
    m_sampleCount = m_case.isOpen() ? archive::EcgSampleCount(m_case.ecgData()) : 0;
    m_selectedBeat = 0;
    m_position = 0;
    if (m_case.isOpen()) {
        m_detection = std::make_unique<views::BeatDetectionRun>(
            m_case.folder, AnalysisSettingsFrom(g_Settings).ecg, this,
            [this](int percent) { emit detectionProgress(percent); },
            [this, generation] { FinishOpen(generation); });
    }
    m_scrollBar->setVisible(m_case.isOpen());
    Relayout();
    if (!m_case.isOpen())
        emit caseOpened();
}

void CECGWaveView::FinishOpen(int generation)
{
    if (generation != m_generation)
        return;
    m_detection.reset();
    RedrawPage();
    emit caseOpened();
}

void CECGWaveView::selectBeat(int beatIndex)
{
    if (m_live || !m_case.isOpen())
        return;
    const auto beat = ReadBeat(m_case.beatFile(), beatIndex);
    if (!beat)
        return;
    m_selectedBeat = beatIndex;
    const std::int64_t length = PageLength(m_speedIndex, m_layout.waveArea.width());
    const std::int64_t peak = beat->Peak;
    if (length > 0 && (peak < m_position || peak >= m_position + length))
        SetPosition(PageStartShowing(peak, length, m_speedIndex));
    RedrawPage();
}

void CECGWaveView::scrollBySteps(int wheelDelta)
{
    if (m_live)
        return;
    SetPosition(m_position + wheelDelta / kWheelDistancePerSample);
    RedrawPage();
}

void CECGWaveView::settingsChanged()
{
    if (m_live) {
        m_shownRate = -1;
        ShowHeartRate();
    } else {
        RedrawPage();
    }
}

void CECGWaveView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect() & m_buffer.rect();
    painter.drawImage(exposed, m_buffer, exposed);
}

void CECGWaveView::resizeEvent(QResizeEvent*)
{
    Relayout();
}

void CECGWaveView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_layout.gainLabel.contains(event->position().toPoint()))
        CycleGain();
    else if (m_layout.speedLabel.contains(event->position().toPoint()))
        CycleSpeed();
}

void CECGWaveView::mouseMoveEvent(QMouseEvent* event)
{
    if (OnLabel(event->position().toPoint()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CECGWaveView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first click of the pair has already cycled a label; the second
    // does nothing there.
    if (event->button() == Qt::LeftButton && !OnLabel(event->position().toPoint()) && (m_live || !m_case.isOpen()))
        emit doubleClicked();
}

void CECGWaveView::BeginLive()
{
    m_detection.reset();
    ++m_generation;
    m_live = true;
    m_scrollBar->hide();
    Relayout();
}

void CECGWaveView::DrainLiveSamples()
{
    const std::vector<std::uint16_t> samples = m_liveSamples.Take();
    if (m_live)
        update(m_sweep.AddSamples(m_buffer, m_layout.waveArea, samples, m_speedIndex, m_gainIndex, g_SmoothLines));
}

void CECGWaveView::ShowHeartRate()
{
    const int rate = m_liveRate;
    const bool alarm = HeartRateAlarm(rate);
    if (!m_live || rate < 0 || (rate == m_shownRate && alarm == m_shownAlarm))
        return;
    m_shownRate = rate;
    m_shownAlarm = alarm;
    update(DrawHeartRate(m_buffer, m_layout, rate, alarm));
}

void CECGWaveView::Relayout()
{
    const int scrollHeight = m_scrollBar->isVisibleTo(this) ? m_scrollBar->sizeHint().height() : 0;
    const QSize canvas(std::max(width(), 1), std::max(height() - scrollHeight, 1));
    m_scrollBar->setGeometry(0, height() - scrollHeight, width(), scrollHeight);
    if (m_buffer.size() != canvas)
        m_buffer = QImage(canvas, QImage::Format_RGB32);
    m_layout = ComputeLayout(canvas, m_live);
    if (m_live) {
        RedrawLive();
    } else {
        UpdateScrollRange();
        RedrawPage();
    }
}

void CECGWaveView::UpdateScrollRange()
{
    const std::int64_t length = PageLength(m_speedIndex, m_layout.waveArea.width());
    const QSignalBlocker blocker(m_scrollBar);
    m_scrollBar->setRange(0, ToScrollValue(ScrollMaximum(m_sampleCount, length)));
    m_scrollBar->setPageStep(ToScrollValue(std::max<std::int64_t>(length, 1)));
    SetPosition(m_position);
}

void CECGWaveView::SetPosition(std::int64_t position)
{
    m_position = AlignPageStart(std::clamp<std::int64_t>(position, 0, m_scrollBar->maximum()), m_speedIndex);
    const QSignalBlocker blocker(m_scrollBar);
    m_scrollBar->setValue(ToScrollValue(m_position));
}

void CECGWaveView::RedrawPage()
{
    if (m_live)
        return;
    EcgPage page;
    page.shownCase = m_case;
    page.position = m_position;
    page.speedIndex = m_speedIndex;
    page.gainIndex = m_gainIndex;
    page.selectedBeat = m_selectedBeat;
    page.smooth = g_SmoothLines;
    DrawPage(m_buffer, page);
    update();
}

void CECGWaveView::RedrawLive()
{
    m_buffer.fill(kBackground);
    DrawGrid(m_buffer, m_layout.waveArea, m_layout.waveArea.left(), m_layout.waveArea.left() + m_layout.waveArea.width());
    DrawLivePanel(m_buffer, m_layout);
    RedrawLabels();
    m_sweep.Restart();
    m_shownRate = -1;
    ShowHeartRate();
    update();
}

void CECGWaveView::RedrawLabels()
{
    DrawLabels(m_buffer, m_layout, m_speedIndex, m_gainIndex, QString());
    update(m_layout.gainLabel | m_layout.speedLabel);
}

void CECGWaveView::CycleSpeed()
{
    m_speedIndex = (m_speedIndex + 1) % static_cast<int>(kSpeedMmPerS.size());
    if (m_live) {
        m_sweep.Restart();
        RedrawLabels();
    } else {
        UpdateScrollRange();
        RedrawPage();
    }
}

void CECGWaveView::CycleGain()
{
    m_gainIndex = (m_gainIndex + 1) % static_cast<int>(kGainMmPerMv.size());
    if (m_live)
        RedrawLabels();
    else
        RedrawPage();
}

void CECGWaveView::OnScrollAction(int action)
{
    // The scroll bar's end keys step by a line like the arrows; the new
    // position is taken up by valueChanged.
    if (action == QAbstractSlider::SliderToMinimum)
        m_scrollBar->setSliderPosition(m_scrollBar->value() - kScrollLineSamples);
    else if (action == QAbstractSlider::SliderToMaximum)
        m_scrollBar->setSliderPosition(m_scrollBar->value() + kScrollLineSamples);
}

bool CECGWaveView::OnLabel(QPoint point) const
{
    return m_layout.gainLabel.contains(point) || m_layout.speedLabel.contains(point);
}
