#pragma once

#include "app/command_id.h"

#include <QMainWindow>
#include <QTimer>

class CMainToolBar;
class CMoss03View;

// The main window: title "TAVO_Vezi", a fixed size from the screen size, the
// command toolbar and the main view; no menu bar, no status bar. Each command
// has its own slot so that the windows it opens plug in there.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMainToolBar* ToolBar() const { return m_pToolBar; }
    CMoss03View* View() const { return m_pView; }

    // Re-reads the shared state into the toolbar's enabled states; also runs
    // on a short timer, so state written anywhere shows up promptly.
    void UpdateCommandStates();

    // Live sampling started: the review area replaces the start screen and
    // review mode ends.
    void EnterLiveSampling();
    // No menu for showing or hiding the toolbar.
    QMenu* createPopupMenu() override;
    // The review window closed: back to the start screen.
    void ReturnToStartScreen();
    // Leaves the start screen for the review window with `caseId` open; an
    // unknown case is reported and the newest case opened instead.
    void StartReviewOn(const QString& caseId);

public slots:
    void OnDownLoad();
    void OnInstantSampling();
    void OnWaveBackView();
    void OnCaseManage();
    void OnSysSetting();
    void OnHelp();
    void OnAppAbout();
    void OnAppExit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateReviewWindow();
    void RunCommand(CommandId id);
    bool WindowStateChangeAllowed() const;
    void RestoreFixedSize();

    CMainToolBar* m_pToolBar;
    CMoss03View* m_pView;
    QTimer m_commandStateTimer;
    QSize m_fixedSize;
};
