#pragma once

#include "views/live_sweep.h"
#include "views/trend_render.h"
#include "views/trend_window.h"

#include <QImage>
#include <QWidget>

#include <filesystem>

class QMenu;
class QScrollBar;

namespace views {
struct ViewCase;
}

// The rate trend pane of the review window: the heart rate beat by beat from
// "qrs.ecg" or the pulse rate second by second from "data.spo" (the HR
// source), one point per pixel column, with a cursor linked to the ECG view
// (a beat) or the SpO2 view (a second). In live sampling it sweeps the rates
// as they arrive. Drawn into an off-screen image (trend_render.h) above a
// horizontal scroll bar.
class CTrendView : public QWidget {
    Q_OBJECT
public:
    explicit CTrendView(QWidget* parent = nullptr);

    // Live entry points, called by the serial thread: they only queue the
    // rate; the view draws it on its own thread. StartLive enters live mode.
    void StartLive();
    void AddLiveHeartRate(int bpm);
    void AddLivePulseRate(int bpm);

    const views::TrendWindow& Window() const { return m_window; }
    bool IsCaseOpen() const { return !m_folder.empty(); }
    bool IsLive() const { return m_live; }
    // The right button's menu, its items checked and enabled for the open case.
    QMenu* SourceMenu();
    // The off-screen picture, brought up to date.
    const QImage& Picture();

public slots:
    // Shows a case (or none): both places back to the start, the source
    // chosen by the sample type (oximetry only: pulse rate) and announced.
    void openCase(const views::ViewCase& viewCase);
    // The ECG side's cursor is on this beat.
    void ecgCursorChanged(qint64 beat);
    // The SpO2 view's window and cursor.
    void spoWindowChanged(qint64 start, qint64 cursor);
    // Page Up, Page Down, Left or Right (Qt key codes) move the window or the
    // cursor; the linked pane follows.
    void navigationKey(int key);
    // The HR source chosen from the menu (0 ECG, 1 SpO2).
    void chooseHeartRateSource(int source);

signals:
    void heartRateSourceAnnounced(int source);
    // The cursor moved here: the ECG view selects this beat ...
    void ecgBeatRequested(qint64 beat);
    // ... or the SpO2 view takes this window and cursor.
    void spoWindowRequested(qint64 start, qint64 cursor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct LiveRate {
        bool start;
        int bpm;
    };

    void Queue(LiveRate rate);
    void TakeLive();
    void Recount();
    void Relayout(views::TrendStyle style);
    void UpdateScrollBar();
    void OnScroll(int value);
    void Moved();
    void Redraw();

    QScrollBar* m_scrollBar;
    QMenu* m_sourceMenu;
    QImage m_image;
    bool m_reviewStale = true;
    views::TrendStyle m_style;
    views::TrendLayout m_layout;

    std::filesystem::path m_folder; // empty: no case open
    int m_sampleType = 0;
    views::TrendWindow m_window;

    bool m_live = false;
    views::LiveSweep m_sweep;
    views::LiveFeed<LiveRate> m_feed;
};
