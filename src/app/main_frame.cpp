#include "app/main_frame.h"

#include "app/about_box.h"
#include "app/application.h"
#include "app/frame_size.h"
#include "app/main_toolbar.h"
#include "app/main_view.h"
#include "app/placeholder_dialog.h"
#include "app/start_directory.h"
#include "lang/language.h"
#include "lang/text_format.h"
#include "review/review_window.h"
#include "settings/system_settings.h"
#include "transfer/download_dlg.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <array>

namespace {

constexpr int kCommandStateRefreshMs = 200;
constexpr unsigned long kSamplerStopWaitMs = 150;
constexpr int kReasonCaseTableChanged = 1;
constexpr int kReasonCaseMayBeAdded = 2;

// The settings a confirmed settings dialog may change that other windows
// must follow.
struct WatchedSettings {
    QString language;
    int minSpo2;
    int maxSpo2;
    std::array<int, kAlarmItems> alarmUp;
    std::array<int, kAlarmItems> alarmLow;

    static WatchedSettings Current()
    {
        return {g_Settings.Language, g_Settings.MinSpo2, g_Settings.MaxSpo2, g_Settings.AlarmUp,
                g_Settings.AlarmLow};
    }
    bool AlarmChanged(const WatchedSettings& other, int item) const
    {
        return alarmUp[item] != other.alarmUp[item] || alarmLow[item] != other.alarmLow[item];
    }
};

QSize ScreenSize(const QWidget* widget)
{
    if (const QScreen* screen = widget->screen())
        return screen->size();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->size();
    return {};
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent)
    , m_pToolBar(new CMainToolBar(this))
    , m_pView(new CMoss03View(this))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("TAVO_Vezi"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavo-vezi.png")));
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    setCentralWidget(m_pView);
    CreateReviewWindow();

    m_fixedSize = MainFrameSize(ScreenSize(this));
    RestoreFixedSize();
    if (const QScreen* screen = this->screen()) {
        QRect placed(QPoint(), m_fixedSize);
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }

    connect(m_pToolBar, &CMainToolBar::commandTriggered, this, &CMainFrame::RunCommand);
    connect(&m_commandStateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_commandStateTimer.start(kCommandStateRefreshMs);
    theApp.m_pMainWnd = this;
}

CMainFrame::~CMainFrame()
{
    if (theApp.m_pMainWnd == this)
        theApp.m_pMainWnd = nullptr;
    theApp.m_pReviewWnd = nullptr;
    theApp.m_pSpOWaveView = nullptr;
}

void CMainFrame::CreateReviewWindow()
{
    auto* review = new CWaveBackVw(
        nullptr, {theApp.m_strCurrentCase, theApp.m_bStartScreen, theApp.m_bReviewMode, theApp.m_nDisplayMode,
                  theApp.m_strArchivePath});
    m_pView->SetReviewWindow(review);
    theApp.m_pReviewWnd = review;
    theApp.m_pSpOWaveView = review->SpoView();
    connect(&theApp, &CMoss03App::reviewActivated, review, &CWaveBackVw::ActivateReview);
    connect(&theApp, &CMoss03App::caseTableChanged, review, &CWaveBackVw::RefreshCases);
    connect(&theApp, &CMoss03App::languageChanged, review, &CWaveBackVw::ReloadTexts);
    connect(review, &CWaveBackVw::reviewClosed, this, &CMainFrame::ReturnToStartScreen);
}

void CMainFrame::StartReviewOn(const QString& caseId)
{
    theApp.m_bFromStartScreen = 1;
    m_pView->ShowReviewArea();
    theApp.m_bStartScreen = 0;
    theApp.m_strCurrentCase = caseId;
    theApp.m_bReviewMode = 1;
    emit theApp.reviewActivated();
    UpdateCommandStates();
    if (theApp.m_pReviewWnd->OpenCaseId() == caseId)
        return;
    QMessageBox box(QMessageBox::Warning, g_Language.GetString("IDS_STR_WARNING"),
                    FormatText(g_Language.GetString("IDS_STR_NOCASE"), {caseId}), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("unknownCase"));
    box.exec();
}

void CMainFrame::UpdateCommandStates()
{
    m_pToolBar->UpdateCommandStates();
}

void CMainFrame::RunCommand(CommandId id)
{
    switch (id) {
    case CommandId::DownLoad: OnDownLoad(); break;
    case CommandId::InstantSampling: OnInstantSampling(); break;
    case CommandId::WaveBackView: OnWaveBackView(); break;
    case CommandId::CaseManage: OnCaseManage(); break;
    case CommandId::SysSetting: OnSysSetting(); break;
    case CommandId::Help: OnHelp(); break;
    case CommandId::AppAbout: OnAppAbout(); break;
    case CommandId::AppExit: OnAppExit(); break;
    }
    UpdateCommandStates();
}

void CMainFrame::OnDownLoad()
{
    CDownloadDlg dialog(this);
    if (dialog.DoModal() != QDialog::Accepted)
        emit theApp.caseTableChanged(theApp.m_bStartScreen == 1 ? kReasonCaseMayBeAdded
                                                                : kReasonCaseTableChanged);
}

void CMainFrame::OnInstantSampling()
{
    // The case information dialog collects the patient; the review window
    // then starts live sampling and calls EnterLiveSampling() on success.
    CPlaceholderDialog dialog(this, "IDD_CASE_INFO");
    dialog.exec();
}

void CMainFrame::EnterLiveSampling()
{
    if (theApp.m_bStartScreen == 1) {
        m_pView->ShowReviewArea();
        theApp.m_bStartScreen = 0;
    }
    theApp.m_bReviewMode = 0;
    UpdateCommandStates();
}

void CMainFrame::OnWaveBackView()
{
    if (theApp.m_bStartScreen == 1) {
        theApp.m_bFromStartScreen = 1;
        m_pView->ShowReviewArea();
        theApp.m_bStartScreen = 0;
        theApp.m_strCurrentCase.clear();
    }
    theApp.m_bReviewMode = 1;
    emit theApp.reviewActivated();
}

void CMainFrame::ReturnToStartScreen()
{
    m_pView->ShowStartScreen();
    theApp.m_bStartScreen = 1;
    UpdateCommandStates();
}

void CMainFrame::OnCaseManage()
{
    theApp.m_bFromStartScreen = 0;
    CPlaceholderDialog dialog(this, "IDD_CASEMANAGE");
    dialog.exec();
    if (theApp.m_bStartScreen == 0 && theApp.m_bSampling == 0) {
        // Posted: the review window re-lists after this command has finished.
        QMetaObject::invokeMethod(
            &theApp, [] { emit theApp.caseTableChanged(kReasonCaseMayBeAdded); },
            Qt::QueuedConnection);
    }
}

void CMainFrame::OnSysSetting()
{
    const WatchedSettings before = WatchedSettings::Current();
    CPlaceholderDialog dialog(this, "IDD_SETTING_SYSTEM");
    dialog.exec();
    const WatchedSettings after = WatchedSettings::Current();

    if (after.language.toUtf8() != before.language.toUtf8()) {
        m_pToolBar->ApplyTexts();
        emit theApp.languageChanged();
    }
    if (after.minSpo2 != before.minSpo2 || after.maxSpo2 != before.maxSpo2
        || after.AlarmChanged(before, 1) || after.AlarmChanged(before, 2))
        emit theApp.spo2RangesChanged();
    if (after.AlarmChanged(before, 0))
        emit theApp.heartRateLimitsChanged();
}

void CMainFrame::OnHelp()
{
    const QString path = HelpFilePath(g_Language.GetString("IDS_HELP_TITLE"));
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CMainFrame::OnAppAbout()
{
    ShowAboutBox(this);
}

void CMainFrame::OnAppExit()
{
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (theApp.m_bSampling == 1) {
        const auto answer = QMessageBox::warning(this, g_Language.GetString("IDS_STR_WARNING"),
                                                 g_Language.GetString("IDS_STR_110"),
                                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        // The sampler's thread notices the stop request within its 10 ms read cycle.
        if (theApp.m_fnStopSampling && theApp.m_fnStopSampling())
            QThread::msleep(kSamplerStopWaitMs);
    }
    m_commandStateTimer.stop();
    event->accept();
}

bool CMainFrame::WindowStateChangeAllowed() const
{
    return theApp.m_bStartScreen == 1 || (theApp.m_bSampling == 0 && theApp.m_bReviewMode == 1);
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates oldState = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    const Qt::WindowStates sizeStates = Qt::WindowMinimized | Qt::WindowMaximized;
    if ((oldState & sizeStates) == (windowState() & sizeStates))
        return;
    if (!WindowStateChangeAllowed()) {
        // Undone once the window system has finished the change it reported.
        QTimer::singleShot(0, this, [this, oldState] { setWindowState(oldState); });
        return;
    }
    if (windowState() & Qt::WindowMaximized) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        RestoreFixedSize();
    }
}

void CMainFrame::RestoreFixedSize()
{
    setFixedSize(m_fixedSize);
}

QMenu* CMainFrame::createPopupMenu()
{
    return nullptr; // the toolbar cannot be hidden
}
