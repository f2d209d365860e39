#pragma once

#include "db/case_record.h"
#include "review/control_texts.h"
#include "review/review_case_list.h"
#include "views/view_case.h"

#include <QString>
#include <QWidget>

class CECGWaveView;
class CReviewButton;
class CSpOWaveView;
class CTrendView;
class QFrame;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QSplitter;
class QTabWidget;

namespace review {

class CEventList;

// The application state the review window reads and writes; the members of
// the application object, which outlives the window.
struct ReviewAppState {
    QString& currentCase; // case shared with the case management window and the reports
    int& startScreen;     // 1 while the start picture shows
    int& reviewMode;      // 1 after the review command
    int& displayMode;     // 0 ECG, 1 SpO2, 2 both, read by the views and live sampling
    QString archiveRoot;
};

// Which report a print of the open case asks for.
enum class ReportKind { Ecg = 0, Spo2 = 1 };

} // namespace review

// The working window: on the left the three wave panes (ECG, SpO2, rate
// trend) in a splitter, on the right a 260-pixel panel with two tab pages
// (the case browser, the SpO2 events of the open case), along the top Pre,
// Next and the status line, at the bottom right Print, Print preview and
// Close. Opening a case runs its beat detection off this thread behind the
// progress box and its SpO2 analysis when "ana.spo" is missing or the user
// asks for it again.
class CWaveBackVw : public QWidget {
    Q_OBJECT
public:
    CWaveBackVw(QWidget* parent, review::ReviewAppState state);
    ~CWaveBackVw() override;

    // The review command (and the case management window's Open): lists the
    // query and opens the current case, or the newest one.
    void ActivateReview();
    // Shows a case in the panes; the empty record closes the open one. The
    // end (beats detected, analysis decided, events listed) is caseShown.
    void OpenCase(const review::OpenCaseRequest& request);
    // Lays the panes out for a display mode (0 ECG, 1 SpO2, 2 both); the open
    // case's sample type overrides it unless the case holds both.
    void LayoutWaveViews(int mode);
    void ShowTab(int page);
    // Shows or hides the right panel, Pre, Next and the print buttons; Stop
    // shows exactly while they are hidden.
    void ShowControls(bool show);

    CReviewCaseList* CaseList() const { return m_pCaseList; }
    CECGWaveView* EcgView() const { return m_pEcgView; }
    CSpOWaveView* SpoView() const { return m_pSpoView; }
    CTrendView* TrendView() const { return m_pTrendView; }
    const db::CaseRecord& OpenCaseRecord() const { return m_openCase; }
    const QString& OpenCaseId() const { return m_openCase.CaseID; }
    bool IsOpening() const { return m_bOpening; }
    int WaveMode() const { return m_nWaveMode; }
    int ActiveWave() const { return m_nActiveWave; }
    const review::ControlTable& Controls() const { return m_controls; }

public slots:
    // The case table changed (1) or a case may have been added (2).
    void RefreshCases(int kind);
    // The language changed.
    void ReloadTexts();

signals:
    // The open case is shown in all panes and its events are listed.
    void caseShown();
    // Close was clicked; the window has reset the review state and the
    // review area goes away.
    void reviewClosed();
    // Stop of live sampling.
    void stopRequested();
    // Print or preview the open case; the reports connect here.
    void printRequested(const db::CaseRecord& record, review::ReportKind kind, bool preview);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void ConnectPanes();
    void SetupTabs();
    void OnEcgOpened();
    void DecideSpoAnalysis();
    void AnalyseSpo();
    void OnClose();
    void OnPrint(bool preview);
    void UpdatePrintButtons();
    bool HandleKey(QObject* watched, const QKeyEvent* key);

    void Warn(const QString& text);

    review::ReviewAppState m_state;
    review::ControlTable m_controls;

    QFrame* m_pWaveFrame = nullptr;
    QSplitter* m_pSplitter = nullptr;
    CECGWaveView* m_pEcgView = nullptr;
    CSpOWaveView* m_pSpoView = nullptr;
    CTrendView* m_pTrendView = nullptr;

    QWidget* m_pPanel = nullptr;
    QTabWidget* m_pTabs = nullptr;
    CReviewCaseList* m_pCaseList = nullptr;
    QGroupBox* m_pEventGroup = nullptr;
    review::CEventList* m_pEventList = nullptr;
    CReviewButton* m_pPre = nullptr;
    CReviewButton* m_pNext = nullptr;
    CReviewButton* m_pStop = nullptr;
    QLabel* m_pStatus = nullptr;
    CReviewButton* m_pPrint = nullptr;
    CReviewButton* m_pPreview = nullptr;
    CReviewButton* m_pClose = nullptr;

    db::CaseRecord m_openCase;
    views::ViewCase m_viewCase;
    bool m_bOpening = false;
    int m_nWaveMode = 2;
    int m_nActiveWave = 0;
    int m_nCurTab = 0;
};
