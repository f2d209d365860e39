#pragma once

#include "views/live_sweep.h"
#include "views/spo_wave_render.h"
#include "views/spo_wave_window.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace views {
struct ViewCase;
}

// The oximetry pane of the review window. In review it shows the SpO2 and
// pulse-rate trends of the open case at one pixel per second with the
// desaturation events, a cursor and its read-out; in live sampling it sweeps
// SpO2, pulse rate and pleth as they arrive. Everything is drawn into an
// off-screen image (spo_wave_render.h) that paintEvent copies to the screen.
class CSpOWaveView : public QWidget {
    Q_OBJECT
public:
    explicit CSpOWaveView(QWidget* parent = nullptr);

    // Live entry points, called by the serial thread: they only queue the
    // value; the view draws it on its own thread. StartLive enters live mode.
    void StartLive();
    void AddLiveSpo2(int spo2Percent);
    void AddLivePulseRate(int pulseBpm);
    void AddLivePleth(int plethWord);
    void AddLivePulseBar(int barWord);

    const views::SpOWaveCase& OpenCase() const { return m_case; }
    const views::SpOWaveWindow& Window() const { return m_window; }
    int SelectedEvent() const { return m_selectedEvent; }
    int HeartRateSource() const { return m_heartRateSource; }
    bool IsLive() const { return m_live; }
    // The off-screen picture, brought up to date.
    const QImage& Picture();

public slots:
    // Shows a case (or none): window and cursor at its first second, events
    // from its "ana.spo".
    void openCase(const views::ViewCase& viewCase);
    // "ana.spo" was written again.
    void reloadAnalysis();
    // An event chosen in the event list: selected and scrolled into view.
    void selectEvent(int index);
    // The trend view moved the window and cursor.
    void setWindow(qint64 start, qint64 cursor);
    // The mouse wheel over the wave panes (wheel distance, 120 per notch).
    void scrollBySteps(int wheelDelta);
    // The trend view's source: the cursor follows the mouse only while it is
    // the oximetry (not 0).
    void setHeartRateSource(int source);

signals:
    // The window or cursor moved here; the trend view follows.
    void cursorMoved(qint64 start, qint64 cursor);
    // A click put the cursor on an event.
    void eventSelected(int index);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct LiveItem {
        enum Kind { Start, Spo2, Pulse, Pleth, PulseBar } kind;
        int value;
    };

    void Queue(LiveItem item);
    void TakeLive();
    void HideBeatMark();
    void Relayout(views::SpOWaveStyle style);
    void Redraw();
    void PlaceCursor(QPoint position);
    void NotifyCursor() { emit cursorMoved(m_window.Start(), m_window.Cursor()); }

    QImage m_image;
    bool m_reviewStale = true; // the review page must be drawn again before it shows
    views::SpOWaveStyle m_style;
    views::SpOWaveLayout m_layout;

    views::SpOWaveCase m_case;
    views::SpOWaveWindow m_window;
    int m_selectedEvent = -1;
    int m_heartRateSource = 0;

    bool m_live = false;
    views::SpOLiveState m_liveState;
    views::LiveFeed<LiveItem> m_feed;
    QTimer m_beatMarkTimer;
};
