#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class CMainFrame;
class CWaveBackVw;
class CSpOWaveView;

// The application object: starts the program and holds the state the windows
// share. One instance, theApp, lives for the whole program; the windows read
// and write its members directly, always from the user-interface thread or,
// for m_bSampling, from the one side that owns live sampling at that time.
class CMoss03App : public QObject {
    Q_OBJECT
public:
    CMoss03App();
    ~CMoss03App() override;

    // Start-up on the user-interface thread (the start directory is already
    // current): fixes the archive root, loads the settings and the language,
    // creates and shows the main frame, with the review window on
    // `reviewCase` when one is given. Returns false when there is no frame.
    bool InitInstance(const QString& reviewCase = {});
    // Destroys the main frame; called before the QApplication goes.
    void ExitInstance();

    QString m_strArchivePath;         // start directory + "/Archive"
    QString m_strCurrentCase;         // case shared by the case, review and report windows
    int m_bSampling = 0;              // 1 while live sampling runs
    int m_bReviewMode = 0;            // 1 after the review command
    int m_bStartScreen = 1;           // 1 while the start picture shows and the review area is hidden
    int m_bFromStartScreen = -1;      // 1: review left the start screen; 0: case management ran
    int m_nDisplayMode = 0;           // 0 ECG, 1 SpO2, 2 both
    CWaveBackVw* m_pReviewWnd = nullptr;    // registered by the review window
    CSpOWaveView* m_pSpOWaveView = nullptr; // registered by the SpO2 wave view
    CMainFrame* m_pMainWnd = nullptr;       // the main frame while it exists

    // Stops live sampling; returns whether the sampler was running. Set by the
    // window that owns the sampler; the frame calls it when it closes.
    std::function<bool()> m_fnStopSampling;

signals:
    // The case table changed (1) or a case may have been added (2); the
    // review window re-counts and re-lists its query.
    void caseTableChanged(int reason);
    // The review command asks the review window to list its cases and open the newest.
    void reviewActivated();
    // The settings dialog changed the language: windows re-read their texts.
    void languageChanged();
    // MinSpo2, MaxSpo2 or the pulse-rate or SpO2 alarm limits changed.
    void spo2RangesChanged();
    // The heart-rate alarm limits changed.
    void heartRateLimitsChanged();

private:
    std::unique_ptr<CMainFrame> m_frame;
};

extern CMoss03App theApp;
