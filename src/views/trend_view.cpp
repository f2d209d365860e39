#include "views/trend_view.h"

#include "views/view_case.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// [CaseStyle] values: a case with one signal offers only its own source.
constexpr int kEcgOnly = 0;
constexpr int kSpO2Only = 1;

views::TrendWindow::Key KeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_PageUp:
        return views::TrendWindow::Key::PageUp;
    case Qt::Key_PageDown:
        return views::TrendWindow::Key::PageDown;
    case Qt::Key_Left:
        return views::TrendWindow::Key::Left;
    case Qt::Key_Right:
        return views::TrendWindow::Key::Right;
    default:
        return views::TrendWindow::Key::Other;
    }
}

} // namespace

CTrendView::CTrendView(QWidget* parent)
    : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Horizontal, this)), m_sourceMenu(new QMenu(this)),
      m_style(views::CurrentTrendStyle())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scrollBar->setObjectName(QStringLiteral("trendScrollBar"));
    m_scrollBar->setSingleStep(1);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &CTrendView::OnScroll);
    // Items in source order: SourceMenu() finds them by index.
    for (int source : {views::kSourceEcg, views::kSourceSpO2}) {
        const bool ecg = source == views::kSourceEcg;
        QAction* item = m_sourceMenu->addAction(ecg ? QStringLiteral("&ECG") : QStringLiteral("&SPO"));
        item->setObjectName(ecg ? QStringLiteral("hrSourceEcg") : QStringLiteral("hrSourceSpo"));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, source] { chooseHeartRateSource(source); });
    }
    UpdateScrollBar();
}

void CTrendView::openCase(const views::ViewCase& viewCase)
{
    m_live = false;
    m_window.ResetPlaces();
    m_folder = viewCase.folder;
    m_sampleType = viewCase.sampleType;
    if (IsCaseOpen()) {
        m_window.SetSource(m_sampleType == kSpO2Only ? views::kSourceSpO2 : views::kSourceEcg);
        emit heartRateSourceAnnounced(m_window.Source());
    }
    Recount();
    UpdateScrollBar();
    Redraw();
}

void CTrendView::ecgCursorChanged(qint64 beat)
{
    m_window.FollowEcg(beat);
    UpdateScrollBar();
    Redraw();
}

void CTrendView::spoWindowChanged(qint64 start, qint64 cursor)
{
    m_window.FollowSpO2(start, cursor);
    UpdateScrollBar();
    Redraw();
}

void CTrendView::navigationKey(int key)
{
    if (m_live || m_window.Points() == 0)
        return;
    m_window.Press(KeyOf(key));
    Moved();
}

void CTrendView::chooseHeartRateSource(int source)
{
    if (source != views::kSourceEcg && source != views::kSourceSpO2)
        return;
    m_window.SetSource(source);
    emit heartRateSourceAnnounced(source);
    Recount();
    m_window.ChooseSource(source);
    UpdateScrollBar();
    Redraw();
}

QMenu* CTrendView::SourceMenu()
{
    const QList<QAction*> items = m_sourceMenu->actions();
    items[views::kSourceEcg]->setChecked(m_window.Source() == views::kSourceEcg);
    items[views::kSourceSpO2]->setChecked(m_window.Source() == views::kSourceSpO2);
    items[views::kSourceEcg]->setEnabled(m_sampleType != kSpO2Only);
    items[views::kSourceSpO2]->setEnabled(m_sampleType != kEcgOnly);
    return m_sourceMenu;
}

const QImage& CTrendView::Picture()
{
    views::TrendStyle style = views::CurrentTrendStyle();
    const QSize pictureSize(std::max(1, width()), std::max(1, height() - m_scrollBar->height()));
    if (m_image.size() != pictureSize || !(style == m_style))
        Relayout(std::move(style));
    if (!m_live && m_reviewStale) {
        m_reviewStale = false;
        views::DrawTrendReview(m_image, m_style, m_folder, m_window);
    }
    return m_image;
}

void CTrendView::Relayout(views::TrendStyle style)
{
    const QSize pictureSize(std::max(1, width()), std::max(1, height() - m_scrollBar->height()));
    if (m_image.size() != pictureSize)
        m_image = QImage(pictureSize, QImage::Format_RGB32);
    m_style = std::move(style);
    m_layout = views::LayoutTrend(pictureSize, m_style);
    m_window.SetWidth(m_layout.plot.width());
    m_sweep.Resize(m_layout.plot.width());
    UpdateScrollBar();
    m_reviewStale = true;
    if (m_live)
        views::DrawTrendLive(m_image, m_style, m_window.Source(), m_sweep, true);
}

void CTrendView::Recount()
{
    for (int source : {views::kSourceEcg, views::kSourceSpO2})
        m_window.SetPoints(source, views::CountTrendPoints(m_folder, source));
}

void CTrendView::UpdateScrollBar()
{
    const QSignalBlocker blocker(m_scrollBar);
    const bool review = !m_live && IsCaseOpen();
    m_scrollBar->setRange(0, review ? static_cast<int>(std::min<qint64>(m_window.LargestStart(), INT_MAX)) : 0);
    m_scrollBar->setPageStep(std::max(1, m_window.Width()));
    m_scrollBar->setValue(static_cast<int>(std::min<qint64>(m_window.Start(), INT_MAX)));
}

void CTrendView::OnScroll(int value)
{
    if (m_live || m_window.Points() == 0)
        return;
    m_window.ScrollTo(value);
    Moved();
}

// After a move made here: scroll bar, picture and the linked pane follow.
void CTrendView::Moved()
{
    UpdateScrollBar();
    Redraw();
    if (m_window.Source() == views::kSourceEcg)
        emit ecgBeatRequested(m_window.Cursor());
    else
        emit spoWindowRequested(m_window.Start(), m_window.Cursor());
}

void CTrendView::Redraw()
{
    m_reviewStale = true;
    update();
}

void CTrendView::paintEvent(QPaintEvent* event)
{
    const QImage& picture = Picture();
    QPainter painter(this);
    painter.drawImage(event->rect(), picture, event->rect());
}

void CTrendView::resizeEvent(QResizeEvent*)
{
    const int barHeight = m_scrollBar->sizeHint().height();
    m_scrollBar->setGeometry(0, std::max(0, height() - barHeight), width(), barHeight);
    Picture();
}

void CTrendView::mousePressEvent(QMouseEvent* event)
{
    if (m_live || !IsCaseOpen())
        return;
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        SourceMenu()->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton && m_layout.plot.contains(position)
        && m_window.Click(position.x() - m_layout.plot.left()))
        Moved();
}

void CTrendView::StartLive() { Queue({true, 0}); }
void CTrendView::AddLiveHeartRate(int bpm) { Queue({false, bpm}); }
void CTrendView::AddLivePulseRate(int bpm) { Queue({false, bpm}); }

void CTrendView::Queue(LiveRate rate)
{
    if (m_feed.Push(rate))
        QMetaObject::invokeMethod(this, &CTrendView::TakeLive, Qt::QueuedConnection);
}

void CTrendView::TakeLive()
{
    Picture();
    bool frame = false;
    bool drawn = false;
    for (const LiveRate& rate : m_feed.Take()) {
        if (rate.start) {
            m_live = frame = drawn = true;
            m_sweep.Reset(m_layout.plot.width());
            UpdateScrollBar();
        } else if (m_live) {
            m_sweep.Add(std::clamp(rate.bpm, views::kLowestRate, views::kHighestRate));
            drawn = true;
        }
    }
    if (drawn)
        update(views::DrawTrendLive(m_image, m_style, m_window.Source(), m_sweep, frame));
}
