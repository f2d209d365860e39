#include "views/spo_wave_view.h"

#include "views/view_case.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

// A wheel distance of 30 moves the window by one second.
constexpr int kWheelPerSecond = 30;
// How long the beat mark shows beside the pulse bar.
constexpr int kBeatMarkMs = 20;
// The pleth is the low 7 bits of its word, at most 100; the bar level the low 4 bits.
constexpr int kPlethBits = 0x7F;
constexpr int kBarLevelBits = 0x0F;

} // namespace

CSpOWaveView::CSpOWaveView(QWidget* parent) : QWidget(parent), m_style(views::CurrentSpOWaveStyle())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_beatMarkTimer.setSingleShot(true);
    connect(&m_beatMarkTimer, &QTimer::timeout, this, &CSpOWaveView::HideBeatMark);
}

void CSpOWaveView::openCase(const views::ViewCase& viewCase)
{
    m_live = false;
    m_case = views::SpOWaveCase{viewCase.folder,
                                viewCase.startTime.isValid() ? viewCase.startTime.time() : QTime::currentTime(),
                                {},
                                {}};
    m_case.LoadAnalysis();
    m_window.SetSeconds(m_case.CountSeconds());
    m_window.Set(0, 0);
    m_selectedEvent = -1;
    Redraw();
}

void CSpOWaveView::reloadAnalysis()
{
    m_case.LoadAnalysis();
    m_selectedEvent = -1;
    Redraw();
}

void CSpOWaveView::selectEvent(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_case.events.size())
        return;
    m_selectedEvent = index;
    m_window.Show(m_case.events[static_cast<std::size_t>(index)]);
    NotifyCursor();
    Redraw();
}

void CSpOWaveView::setWindow(qint64 start, qint64 cursor)
{
    m_window.Set(start, cursor);
    Redraw();
}

void CSpOWaveView::scrollBySteps(int wheelDelta)
{
    if (m_live || !m_case.IsOpen())
        return;
    m_window.ScrollBy(wheelDelta / kWheelPerSecond);
    NotifyCursor();
    Redraw();
}

void CSpOWaveView::setHeartRateSource(int source)
{
    m_heartRateSource = source;
}

const QImage& CSpOWaveView::Picture()
{
    // Settings and language are read at each paint.
    views::SpOWaveStyle style = views::CurrentSpOWaveStyle();
    if (m_image.size() != size().expandedTo(QSize(1, 1)) || !(style == m_style))
        Relayout(std::move(style));
    if (!m_live && m_reviewStale) {
        m_reviewStale = false;
        views::DrawSpOReview(m_image, m_style, m_case, m_window, m_selectedEvent);
    }
    return m_image;
}

void CSpOWaveView::Relayout(views::SpOWaveStyle style)
{
    const QSize pictureSize = size().expandedTo(QSize(1, 1));
    if (m_image.size() != pictureSize)
        m_image = QImage(pictureSize, QImage::Format_RGB32);
    m_style = std::move(style);
    m_layout = views::LayoutSpOWave(pictureSize, m_style);
    const int columns = m_layout.spo2.width();
    m_window.SetWidth(columns);
    for (views::LiveSweep* sweep : {&m_liveState.spo2, &m_liveState.pulse, &m_liveState.pleth})
        sweep->Resize(columns);
    m_reviewStale = true;
    if (m_live)
        views::DrawSpOLive(m_image, m_style, m_liveState, views::kLiveFrame);
}

void CSpOWaveView::Redraw()
{
    m_reviewStale = true;
    update();
}

void CSpOWaveView::paintEvent(QPaintEvent* event)
{
    const QImage& picture = Picture();
    QPainter painter(this);
    painter.drawImage(event->rect(), picture, event->rect());
}

void CSpOWaveView::resizeEvent(QResizeEvent*)
{
    Picture();
}

void CSpOWaveView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PlaceCursor(event->position().toPoint());
}

void CSpOWaveView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        PlaceCursor(event->position().toPoint());
}

void CSpOWaveView::mouseDoubleClickEvent(QMouseEvent*)
{
    emit doubleClicked();
}

void CSpOWaveView::PlaceCursor(QPoint position)
{
    if (m_live || m_heartRateSource == 0 || !m_layout.TrendArea().contains(position))
        return;
    const auto second = m_window.SecondAt(position.x() - m_layout.spo2.left());
    if (!second)
        return;
    m_window.Set(m_window.Start(), *second);
    NotifyCursor();
    if (const auto event = views::SpOWaveWindow::EventAt(m_case.events, *second)) {
        m_selectedEvent = *event;
        emit eventSelected(*event);
    }
    Redraw();
}

void CSpOWaveView::StartLive() { Queue({LiveItem::Start, 0}); }
void CSpOWaveView::AddLiveSpo2(int spo2Percent) { Queue({LiveItem::Spo2, spo2Percent}); }
void CSpOWaveView::AddLivePulseRate(int pulseBpm) { Queue({LiveItem::Pulse, pulseBpm}); }
void CSpOWaveView::AddLivePleth(int plethWord) { Queue({LiveItem::Pleth, plethWord}); }
void CSpOWaveView::AddLivePulseBar(int barWord) { Queue({LiveItem::PulseBar, barWord}); }

void CSpOWaveView::Queue(LiveItem item)
{
    if (m_feed.Push(item))
        QMetaObject::invokeMethod(this, &CSpOWaveView::TakeLive, Qt::QueuedConnection);
}

void CSpOWaveView::TakeLive()
{
    Picture();
    views::SpOLiveState& live = m_liveState;
    const int columns = m_layout.spo2.width();
    unsigned parts = 0;
    bool beat = false;
    for (const LiveItem& item : m_feed.Take()) {
        if (item.kind == LiveItem::Start) {
            m_live = true;
            live.Reset(columns);
            live.startTime = m_case.startTime;
            parts |= views::kLiveFrame;
            continue;
        }
        if (!m_live)
            continue;
        switch (item.kind) {
        case LiveItem::Spo2:
            // A full sweep starts the trends afresh under a new time axis.
            if (live.spo2.Add(item.value)) {
                live.firstSecond += columns;
                live.spo2.Reset(columns);
                live.pulse.Reset(columns);
                live.spo2.Add(item.value);
                parts |= views::kLiveFrame;
            }
            parts |= views::kLiveSpo2 | (live.spo2Value != item.value ? views::kLivePanel : 0u);
            live.spo2Value = item.value;
            break;
        case LiveItem::Pulse:
            live.pulse.Add(item.value);
            parts |= views::kLivePulse | (live.pulseValue != item.value ? views::kLivePanel : 0u);
            live.pulseValue = item.value;
            break;
        case LiveItem::Pleth:
            live.pleth.Add(std::min(item.value & kPlethBits, views::kPlethTop));
            parts |= views::kLivePleth;
            break;
        case LiveItem::PulseBar:
            beat = live.AddBarLevel(item.value & kBarLevelBits) || beat;
            parts |= views::kLivePanel;
            break;
        case LiveItem::Start:
            break;
        }
    }
    if (beat) {
        live.beatShown = true;
        m_beatMarkTimer.start(kBeatMarkMs);
    }
    if (parts)
        update(views::DrawSpOLive(m_image, m_style, live, parts));
}

void CSpOWaveView::HideBeatMark()
{
    m_liveState.beatShown = false;
    if (m_live)
        update(views::DrawSpOLive(m_image, m_style, m_liveState, views::kLivePanel));
}
