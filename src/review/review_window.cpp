#include "review/review_window.h"

#include "lang/language.h"
#include "lang/text_format.h"
#include "review/case_recording.h"
#include "review/event_list.h"
#include "settings/analysis_settings.h"
#include "settings/system_settings.h"
#include "signal/spo_analysis.h"
#include "transfer/progress_dlg.h"
#include "views/ecg_wave_view.h"
#include "views/spo_wave_view.h"
#include "views/trend_view.h"
#include "widgets/image_button.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>

using review::ReportKind;

namespace {

constexpr const char* kSection = "IDD_DLG_WAVEBACK";
constexpr int kPanelWidth = 260;
constexpr int kPaneGap = 3;
constexpr int kEdge = 5;

// Shares of the wave area per display mode (ECG, SpO2, trend), in quarters.
constexpr std::array<std::array<int, 3>, 3> kPaneQuarters{{{3, 0, 1}, {0, 3, 1}, {1, 2, 1}}};

QString Text(const char* key)
{
    return g_Language.GetString(key);
}

CReviewButton* Button(QWidget* parent, const char* name)
{
    auto* button = new CReviewButton(QString(), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

// Fields where the arrow and page keys edit text rather than move the panes.
bool IsEditable(const QWidget* widget)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
        || qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

bool IsNavigationKey(int key)
{
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home
        || key == Qt::Key_Left || key == Qt::Key_Right;
}

// The SpO2 analysis reports to the open progress box.
class ProgressToBox final : public AnalysisProgress {
public:
    void SetText(std::string_view captionKey, std::string_view messageKey) override
    {
        ProgressSetText(g_Language.GetString(captionKey), g_Language.GetString(messageKey));
    }
    void SetPos(int percent) override { ProgressSetPos(percent); }
};

// The progress box over the window, blocking its input while it shows.
void OpenProgress(QWidget* parent, const char* messageKey)
{
    CProgressDlg* box = CProgressDlg::Open(parent);
    box->hide(); // modality can only change while hidden
    box->setWindowModality(Qt::WindowModal);
    box->SetText(Text("IDS_STR_ANALYZE"), Text(messageKey));
    box->show();
}

} // namespace

CWaveBackVw::CWaveBackVw(QWidget* parent, review::ReviewAppState state) : QWidget(parent), m_state(std::move(state))
{
    setObjectName(QStringLiteral("reviewWindow"));
    BuildControls();
    ConnectPanes();
    review::ApplyControlTexts(nullptr, kSection, m_controls);
    SetupTabs();
    ShowControls(m_state.reviewMode == 1);
    UpdatePrintButtons();
    qApp->installEventFilter(this);
}

CWaveBackVw::~CWaveBackVw()
{
    qApp->removeEventFilter(this);
    ProgressClose();
}

void CWaveBackVw::BuildControls()
{
    m_pPre = Button(this, "preButton");
    m_pStop = Button(this, "stopButton");
    m_pNext = Button(this, "nextButton");
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("statusLine"));
    m_pPre->setEnabled(false);
    m_pNext->setEnabled(false);
    auto* top = new QHBoxLayout;
    top->addWidget(m_pPre);
    top->addWidget(m_pStop);
    top->addWidget(m_pNext);
    top->addSpacing(2 * kEdge);
    top->addWidget(m_pStatus, 1);

    m_pWaveFrame = new QFrame(this);
    m_pWaveFrame->setObjectName(QStringLiteral("waveFrame"));
    m_pSplitter = new QSplitter(Qt::Vertical, m_pWaveFrame);
    m_pSplitter->setObjectName(QStringLiteral("waveSplitter"));
    m_pSplitter->setHandleWidth(kPaneGap);
    m_pSplitter->setChildrenCollapsible(true);
    m_pEcgView = new CECGWaveView(m_pSplitter);
    m_pEcgView->setObjectName(QStringLiteral("ecgView"));
    m_pSpoView = new CSpOWaveView(m_pSplitter);
    m_pSpoView->setObjectName(QStringLiteral("spoView"));
    m_pTrendView = new CTrendView(m_pSplitter);
    m_pTrendView->setObjectName(QStringLiteral("trendView"));
    auto* frameLayout = new QVBoxLayout(m_pWaveFrame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->addWidget(m_pSplitter);

    m_pPanel = new QWidget(this);
    m_pPanel->setObjectName(QStringLiteral("reviewPanel"));
    m_pPanel->setFixedWidth(kPanelWidth);
    m_pTabs = new QTabWidget(m_pPanel);
    m_pTabs->setObjectName(QStringLiteral("reviewTabs"));
    m_pCaseList = new CReviewCaseList(nullptr, m_state.currentCase, m_state.archiveRoot);
    m_pTabs->addTab(m_pCaseList, QString());
    auto* eventPage = new QWidget;
    m_pEventGroup = new QGroupBox(eventPage);
    m_pEventGroup->setObjectName(QStringLiteral("eventGroup"));
    m_pEventList = new review::CEventList(m_pEventGroup);
    (new QVBoxLayout(m_pEventGroup))->addWidget(m_pEventList);
    (new QVBoxLayout(eventPage))->addWidget(m_pEventGroup);
    m_pTabs->addTab(eventPage, QString());
    m_pPrint = Button(m_pPanel, "printButton");
    m_pPreview = Button(m_pPanel, "previewButton");
    m_pClose = Button(m_pPanel, "closeButton");
    auto* panelLayout = new QVBoxLayout(m_pPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_pTabs, 1);
    for (QPushButton* button : {m_pPrint, m_pPreview, m_pClose})
        panelLayout->addWidget(button, 0, Qt::AlignHCenter);

    auto* body = new QHBoxLayout;
    body->addWidget(m_pWaveFrame, 1);
    body->addWidget(m_pPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kEdge, 0, 0, kEdge);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    m_controls = {{0, m_pWaveFrame}, {45, m_pPrint},   {46, m_pPreview}, {47, m_pPre},        {48, m_pNext},
                  {49, m_pStatus},   {51, m_pClose},   {52, m_pStop},    {53, m_pTabs},       {54, m_pEventList},
                  {55, m_pEventGroup}};
    const review::ControlTable listControls = m_pCaseList->Controls().Table();
    m_controls.insert(listControls.begin(), listControls.end());
}

void CWaveBackVw::ConnectPanes()
{
    connect(m_pCaseList, &CReviewCaseList::caseOpenRequested, this, &CWaveBackVw::OpenCase);
    connect(m_pCaseList, &CReviewCaseList::preNextChanged, this, [this](bool canPrev, bool canNext) {
        m_pPre->setEnabled(canPrev);
        m_pNext->setEnabled(canNext);
    });
    connect(m_pCaseList, &CReviewCaseList::statusLineChanged, m_pStatus, &QLabel::setText);
    connect(m_pPre, &QPushButton::clicked, m_pCaseList, &CReviewCaseList::PreCase);
    connect(m_pNext, &QPushButton::clicked, m_pCaseList, &CReviewCaseList::NextCase);
    connect(m_pStop, &QPushButton::clicked, this, &CWaveBackVw::stopRequested);
    connect(m_pClose, &QPushButton::clicked, this, &CWaveBackVw::OnClose);
    connect(m_pPrint, &QPushButton::clicked, this, [this] { OnPrint(false); });
    connect(m_pPreview, &QPushButton::clicked, this, [this] { OnPrint(true); });
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int page) {
        m_nCurTab = page;
        ShowTab(page);
    });

    connect(m_pEcgView, &CECGWaveView::detectionProgress, this, [](int percent) { ProgressSetPos(percent); });
    connect(m_pEcgView, &CECGWaveView::caseOpened, this, &CWaveBackVw::OnEcgOpened);
    connect(m_pTrendView, &CTrendView::ecgBeatRequested, m_pEcgView,
            [this](qint64 beat) { m_pEcgView->selectBeat(int(beat)); });
    connect(m_pTrendView, &CTrendView::spoWindowRequested, m_pSpoView, &CSpOWaveView::setWindow);
    connect(m_pSpoView, &CSpOWaveView::cursorMoved, m_pTrendView, &CTrendView::spoWindowChanged);
    connect(m_pTrendView, &CTrendView::heartRateSourceAnnounced, this, [this](int source) {
        if (source == 0 || source == 1)
            m_nActiveWave = source;
        m_pSpoView->setHeartRateSource(source);
    });

    connect(m_pEventList, &QTableWidget::itemSelectionChanged, this, [this] {
        const int row = m_pEventList->currentRow();
        if (row >= 0 && m_pEventList->item(row, 0) && m_pEventList->item(row, 0)->isSelected())
            m_pSpoView->selectEvent(row);
    });
    connect(m_pSpoView, &CSpOWaveView::eventSelected, this, [this](int index) {
        if (index < 0 || index >= m_pEventList->rowCount())
            return;
        // The view has the event already; do not send it back.
        const QSignalBlocker blocker(m_pEventList);
        m_pEventList->selectRow(index);
        m_pEventList->scrollToItem(m_pEventList->item(index, 0));
        m_pEventList->viewport()->update();
    });
}

void CWaveBackVw::ActivateReview()
{
    ShowControls(true);
    m_pCaseList->ActivateReview();
    m_state.displayMode = m_nWaveMode;
    LayoutWaveViews(m_nWaveMode);
    ShowTab(m_nCurTab);
}

void CWaveBackVw::RefreshCases(int kind)
{
    m_pCaseList->RefreshCases(kind);
}

void CWaveBackVw::ReloadTexts()
{
    m_pCaseList->ReloadTexts();
    review::ApplyControlTexts(nullptr, kSection, m_controls);
    SetupTabs();
    m_pEventList->ApplyTexts();
}

void CWaveBackVw::SetupTabs()
{
    const QSignalBlocker blocker(m_pTabs);
    m_pTabs->setTabText(0, Text("IDS_STR_TAB1"));
    m_pTabs->setTabText(1, Text("IDS_STR_TAB2"));
    const bool events = !m_openCase.CaseID.isEmpty() && m_openCase.CaseStyle != 0;
    m_pTabs->setTabVisible(1, events);
    if (!events)
        m_nCurTab = 0;
    ShowTab(m_nCurTab);
}

void CWaveBackVw::ShowTab(int page)
{
    const QSignalBlocker blocker(m_pTabs);
    m_pTabs->setCurrentIndex(page);
}

void CWaveBackVw::ShowControls(bool show)
{
    m_pPanel->setVisible(show);
    m_pPre->setVisible(show);
    m_pNext->setVisible(show);
    m_pStop->setVisible(!show);
    m_pWaveFrame->setFrameShape(show ? QFrame::Box : QFrame::NoFrame);
}

void CWaveBackVw::LayoutWaveViews(int mode)
{
    const bool open = !m_openCase.CaseID.isEmpty();
    const int effective = (!open || m_openCase.CaseStyle == 2) ? mode : m_openCase.CaseStyle;
    if (effective < 0 || effective >= int(kPaneQuarters.size()))
        return;
    const int height = std::max(m_pSplitter->height(), 4);
    const auto& quarters = kPaneQuarters[std::size_t(effective)];
    QList<int> sizes;
    for (const int share : quarters)
        sizes << height * share / 4;
    m_pSplitter->setSizes(sizes);
}

void CWaveBackVw::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutWaveViews(m_nWaveMode);
}

void CWaveBackVw::OpenCase(const review::OpenCaseRequest& request)
{
    m_openCase = request.record;
    m_viewCase = views::ViewCaseOf(m_openCase, m_state.archiveRoot.toStdString());
    SetupTabs();
    if (m_state.reviewMode == 0)
        ShowControls(false);
    m_nWaveMode = m_state.displayMode = m_openCase.CaseStyle;
    LayoutWaveViews(m_nWaveMode);
    m_pEventList->Fill({}, {});
    m_bOpening = true;
    UpdatePrintButtons();
    if (m_viewCase.isOpen())
        OpenProgress(this, "IDS_STR_ANA_ECG");
    // The detection runs on its own thread; OnEcgOpened continues. A run
    // still going for the case before is waited for here.
    m_pEcgView->openCase(m_viewCase);
}

void CWaveBackVw::OnEcgOpened()
{
    if (!m_bOpening)
        return;
    m_bOpening = false;
    ProgressClose();
    m_pSpoView->openCase(m_viewCase);
    m_pTrendView->openCase(m_viewCase);
    if (const QString problem = review::RecordingProblem(m_viewCase); !problem.isEmpty())
        Warn(problem);
    if (m_state.startScreen != 1 && m_viewCase.isOpen())
        DecideSpoAnalysis();
    m_pEventList->Fill(m_viewCase.isOpen() ? m_viewCase.spo2Result() : std::filesystem::path(),
                       m_viewCase.startTime);
    UpdatePrintButtons();
    emit caseShown();
}

void CWaveBackVw::DecideSpoAnalysis()
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_viewCase.spo2Data(), error))
        return;
    if (std::filesystem::exists(m_viewCase.spo2Result(), error)) {
        QMessageBox ask(QMessageBox::Question, Text("IDS_STR_TIP"), Text("IDS_STR_REANALYSE"),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName(QStringLiteral("reanalyseQuestion"));
        if (ask.exec() != QMessageBox::Yes)
            return;
    }
    AnalyseSpo();
}

void CWaveBackVw::AnalyseSpo()
{
    OpenProgress(this, "IDS_STR_ANA_SPO");
    ProgressToBox progress;
    CSpOAnalysis analysis(AnalysisSettingsFrom(g_Settings).spo, &progress);
    const base::Status status = analysis.AnalyseAndSave(m_viewCase.spo2Data(), m_viewCase.spo2Result());
    ProgressClose();
    if (!status.ok()) {
        Warn(FormatText(Text("IDS_STR_ANAFAIL"), {QString::fromStdString(status.error())}));
        return;
    }
    m_pSpoView->reloadAnalysis();
}

void CWaveBackVw::OnClose()
{
    m_state.startScreen = 1;
    m_state.reviewMode = 0;
    m_state.currentCase.clear();
    m_pCaseList->ResetQuery();
    emit reviewClosed();
}

void CWaveBackVw::UpdatePrintButtons()
{
    const bool printable = !m_bOpening && !m_openCase.CaseID.isEmpty();
    m_pPrint->setEnabled(printable);
    m_pPreview->setEnabled(printable);
}

void CWaveBackVw::OnPrint(bool preview)
{
    if (m_openCase.CaseID.isEmpty())
        return;
    if (!isSignalConnected(QMetaMethod::fromSignal(&CWaveBackVw::printRequested))) {
        Warn(Text("IDS_STR_NOPRINT"));
        return;
    }
    ReportKind kind = m_state.displayMode == 1 ? ReportKind::Spo2 : ReportKind::Ecg;
    if (m_state.displayMode == 2) {
        QMessageBox ask(QMessageBox::Question, Text("IDS_STR_TIP"), Text("IDS_STR_WHICHREPORT"),
                        QMessageBox::Cancel, this);
        ask.setObjectName(QStringLiteral("reportQuestion"));
        QAbstractButton* ecg = ask.addButton(Text("IDS_STR_ECG"), QMessageBox::AcceptRole);
        QAbstractButton* spo = ask.addButton(Text("IDS_STR_SPO"), QMessageBox::AcceptRole);
        ask.exec();
        if (ask.clickedButton() != ecg && ask.clickedButton() != spo)
            return;
        kind = ask.clickedButton() == spo ? ReportKind::Spo2 : ReportKind::Ecg;
    }
    emit printRequested(m_openCase, kind, preview);
}

void CWaveBackVw::Warn(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, Text("IDS_STR_WARNING"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("reviewWarning"));
    box.exec();
}

// Keys and the wheel are looked at before the widget under them gets them:
// navigation keys also move the trend pane, the wheel over any pane scrolls
// the active wave pane.
bool CWaveBackVw::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !isVisible() || !isAncestorOf(widget))
        return false;
    if (type == QEvent::KeyPress)
        return HandleKey(watched, static_cast<QKeyEvent*>(event));
    if (!m_pSplitter->isAncestorOf(widget))
        return false;
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (m_nActiveWave == 0)
        m_pEcgView->scrollBySteps(delta);
    else
        m_pSpoView->scrollBySteps(delta);
    return true;
}

bool CWaveBackVw::HandleKey(QObject* watched, const QKeyEvent* key)
{
    // A key travels up the parents while they ignore it; act on it once.
    if (watched != QApplication::focusWidget())
        return false;
    if (key->key() == Qt::Key_Escape && m_openCase.CaseStyle == 2 && !m_openCase.CaseID.isEmpty()) {
        m_nWaveMode = m_state.displayMode = 2;
        LayoutWaveViews(m_nWaveMode);
    } else if (IsNavigationKey(key->key()) && !IsEditable(QApplication::focusWidget())) {
        m_pTrendView->navigationKey(key->key());
    }
    return false;
}
