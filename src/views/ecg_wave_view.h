#pragma once

#include "views/beat_detection_run.h"
#include "views/ecg_live.h"
#include "views/ecg_page.h"
#include "views/live_sweep.h"
#include "views/view_case.h"

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

class QScrollBar;

// The ECG pane of the review window: a paper-recorder strip of the open
// case's "data.ecg" with the selected beat marked, or, while a live
// recording runs, a sweeping monitor with a heart-rate panel. Everything is
// drawn into an off-screen image (views::ecg draws it) and copied to the
// screen. Clicking the gain or speed label cycles it.
class CECGWaveView : public QWidget {
    Q_OBJECT
public:
    struct PageParams {
        std::int64_t position = 0; // first sample of the page
        double speedMmPerS = 0;
        int gainMmPerMv = 0;
    };

    explicit CECGWaveView(QWidget* parent = nullptr);
    ~CECGWaveView() override;

    // Live entry points, callable from any thread (the serial receive
    // thread): they only hand values over; the drawing follows on the
    // window's thread. The caller stops calling before the view goes.
    void StartLive();
    void AddLiveSamples(std::span<const std::uint16_t> samples);
    void SetHeartRate(int bpm);
    // Samples per hand-over: 5 at 20 mm/s, else 4.
    int LiveBlockSize() const;
    // The page the window shows, for printing the same strip.
    PageParams GetPageParams() const;

    bool isLive() const { return m_live; }
    bool isDetecting() const { return m_detection != nullptr; }
    std::int64_t sampleCount() const { return m_sampleCount; }
    int selectedBeat() const { return m_selectedBeat; }
    const views::ecg::EcgLayout& stripLayout() const { return m_layout; }

public slots:
    // Shows the case (a case that is not open closes the current one) and
    // reruns its beat detection on a thread of its own; caseOpened follows.
    // A detection still running for an earlier case is waited for first.
    void openCase(const views::ViewCase& shownCase);
    // Marks beat `beatIndex` of "qrs.ecg", moving the page to it when it lies
    // outside; an index without a record is ignored.
    void selectBeat(int beatIndex);
    // Mouse wheel distance: the page moves by distance / 20 samples.
    void scrollBySteps(int wheelDelta);
    // The "smooth lines" setting or the heart-rate alarm limits changed.
    void settingsChanged();

signals:
    void detectionProgress(int percent);
    // The case is shown with its new beats (at once when there was nothing
    // to detect).
    void caseOpened();
    // A double click outside the labels, live or with no case open.
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void FinishOpen(int generation);
    void BeginLive();
    void DrainLiveSamples();
    void ShowHeartRate();
    void Relayout();
    void UpdateScrollRange();
    void SetPosition(std::int64_t position);
    void RedrawPage();
    void RedrawLive();
    void RedrawLabels();
    void CycleSpeed();
    void CycleGain();
    void OnScrollAction(int action);
    bool OnLabel(QPoint point) const;

    QScrollBar* m_scrollBar;
    QImage m_buffer;
    views::ecg::EcgLayout m_layout;
    views::ViewCase m_case;
    std::int64_t m_sampleCount = 0;
    int m_selectedBeat = 0;
    bool m_live = false;
    // Read by GetPageParams and LiveBlockSize from other threads.
    std::atomic<std::int64_t> m_position{0};
    std::atomic<int> m_speedIndex{views::ecg::kDefaultSpeedIndex};
    std::atomic<int> m_gainIndex{views::ecg::kDefaultGainIndex};

    // Live: samples handed over and not yet drawn.
    views::LiveFeed<std::uint16_t> m_liveSamples;
    std::atomic<int> m_liveRate{-1}; // -1: no rate since the start
    int m_shownRate = -1;            // -1: the panel shows no digits
    bool m_shownAlarm = false;
    views::ecg::EcgSweep m_sweep;

    int m_generation = 0; // of the latest openCase, so a late end of an older run is ignored
    std::unique_ptr<views::BeatDetectionRun> m_detection;
};
