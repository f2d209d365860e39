#include "transfer/download_dlg.h"

#include "archive/archive_paths.h"
#include "archive/file_utils.h"
#include "lang/language.h"
#include "transfer/card_reader.h"
#include "transfer/download_worker.h"
#include "transfer/progress_dlg.h"
#include "transfer/removable_media.h"
#include "transfer/replace_dlg.h"
#include "widgets/column_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { NameColumn = 0, TimeColumn, TypeColumn, LoadedColumn, ColumnCount };

QString Text(const char* key)
{
    return g_Language.GetString(key);
}

QString TimeText(const archive::DateTime& time)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                             time.minute, time.second);
}

QString TypeText(archive::SampleType type)
{
    switch (type) {
    case archive::SampleType::Ecg: return Text("IDS_STR_ECG");
    case archive::SampleType::SpO2: return Text("IDS_STR_SPO");
    case archive::SampleType::EcgAndSpO2: return Text("IDS_STR_ECGANDSPO");
    }
    return {};
}

} // namespace

CDownloadDlg::CDownloadDlg(QWidget* parent, const QString& startDirectory)
    : QDialog(parent),
      m_startDirectory(startDirectory.isEmpty() ? QDir::currentPath().toStdString() : startDirectory.toStdString()),
      m_scratchDirectory(archive::ScratchFolderFor(archive::ArchiveRootFor(m_startDirectory.string()))),
      m_engine(archive::ArchiveRootFor(m_startDirectory.string())),
      m_worker(std::make_unique<DownloadWorker>(m_engine))
{
    setObjectName("downloadDialog");
    BuildControls();
    ApplyTexts();

    connect(m_all, &QCheckBox::toggled, this, &CDownloadDlg::OnAllToggled);
    connect(m_loadFilter, &QComboBox::currentIndexChanged, this, &CDownloadDlg::OnFilterChanged);
    connect(m_typeFilter, &QComboBox::currentIndexChanged, this, &CDownloadDlg::OnFilterChanged);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CDownloadDlg::OnSelectionChanged);
    connect(m_list, &QTableWidget::pressed, this, &CDownloadDlg::UntickAll);
    m_list->installEventFilter(this);
    connect(m_download, &QPushButton::clicked, this, &CDownloadDlg::OnDownload);
    connect(m_delete, &QPushButton::clicked, this, &CDownloadDlg::OnDelete);
    connect(m_exit, &QPushButton::clicked, this, &CDownloadDlg::reject);
    connect(m_worker.get(), &DownloadWorker::replaceAsked, this, &CDownloadDlg::OnReplaceAsked);
    connect(m_worker.get(), &DownloadWorker::archiveHandled, this, &CDownloadDlg::OnArchiveHandled);
    connect(m_worker.get(), &DownloadWorker::finished, this, &CDownloadDlg::OnWorkerFinished);
    connect(m_worker.get(), &DownloadWorker::waitingForOtherImport, this,
            [this] { m_counter->setText(Text("IDS_STR_WAIT_IMPORT")); });
}

CDownloadDlg::~CDownloadDlg() = default;

void CDownloadDlg::BuildControls()
{
    // Creation order numbers the controls for the language section.
    m_list = new QTableWidget(0, ColumnCount, this);
    m_all = new QCheckBox("&All", this);
    m_loadLabel = new QLabel("Download:", this);
    m_loadFilter = new QComboBox(this);
    m_typeLabel = new QLabel("Sample Type:", this);
    m_typeFilter = new QComboBox(this);
    m_deleteAfter = new QCheckBox("Dele&te after downloading", this);
    m_download = new QPushButton("Down&load", this);
    m_delete = new QPushButton("&Delete", this);
    m_exit = new QPushButton("&Exit", this);
    m_bar = new QProgressBar(this);
    m_counter = new QLabel("100/100", this);

    m_list->setObjectName("archiveList");
    m_all->setObjectName("allCheck");
    m_loadFilter->setObjectName("loadFilter");
    m_typeFilter->setObjectName("typeFilter");
    m_deleteAfter->setObjectName("deleteAfterCheck");
    m_download->setObjectName("downloadButton");
    m_delete->setObjectName("deleteButton");
    m_exit->setObjectName("exitButton");
    m_bar->setObjectName("progressBar");
    m_counter->setObjectName("counterText");

    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->verticalHeader()->hide();
    const int widths[ColumnCount] = {80, 150, 80, 80};
    for (int column = 0; column < ColumnCount; ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_all);
    filters->addStretch();
    filters->addWidget(m_loadLabel);
    filters->addWidget(m_loadFilter);
    filters->addWidget(m_typeLabel);
    filters->addWidget(m_typeFilter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_deleteAfter);
    buttons->addStretch();
    buttons->addWidget(m_download);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_exit);
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_bar, 1);
    progress->addWidget(m_counter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_list, 1);
    layout->addLayout(progress);
    layout->addLayout(buttons);
    resize(520, 420);
}

void CDownloadDlg::ApplyTexts()
{
    g_Language.SetDialogText(this, "IDD_DLG_DOWNLOAD");
    const QSignalBlocker loadBlocker(m_loadFilter);
    const QSignalBlocker typeBlocker(m_typeFilter);
    m_loadFilter->clear();
    m_loadFilter->addItems({Text("IDS_STR_ALL"), Text("IDS_STR_NOTLOAD"), Text("IDS_STR_LOADED")});
    m_loadFilter->setCurrentIndex(static_cast<int>(LoadFilter::All));
    m_typeFilter->clear();
    m_typeFilter->addItems({Text("IDS_STR_ECG"), Text("IDS_STR_SPO"), Text("IDS_STR_ALL")});
    m_typeFilter->setCurrentIndex(static_cast<int>(TypeFilter::All));
    m_list->setHorizontalHeaderLabels(
        {Text("IDS_STR_SN"), Text("IDS_STR_CHECKTIME"), Text("IDS_STR_SMPTYPE"), Text("IDS_STR_BDLOAD")});
    FitColumns();
}

void CDownloadDlg::FitColumns()
{
    for (int column = 0; column < ColumnCount; ++column)
        widgets::WidenColumnToFit(*m_list, *m_list->horizontalHeader(), column);
}

int CDownloadDlg::DoModal()
{
    const QStringList files = PickCardFiles();
    if (files.isEmpty() || LoadCard(files) == 0)
        return QDialog::Rejected;
    return exec();
}

QStringList CDownloadDlg::PickCardFiles()
{
    const auto cards = RemovableMediaFinder::ForThisSystem().MountedCards();
    const QString initialFolder = cards.empty() ? QString() : QString::fromStdString(cards.front().string());
    return QFileDialog::getOpenFileNames(
        parentWidget(), Text("IDS_STR_SELSDCASE"), initialFolder,
        "All Data Files (*.ecg *.spo *.ECG *.SPO);;ECG File (*.ecg *.ECG);;SpO2 File (*.spo *.SPO)");
}

int CDownloadDlg::LoadCard(const QStringList& files)
{
    if (files.isEmpty())
        return 0;
    CProgressDlg::Open(this);
    ProgressSetText(QString(), Text("IDS_STR_WAIT"));

    QStringList problems;
    std::optional<std::filesystem::path> scratch = m_scratchDirectory;
    if (const base::Status prepared = archive::PrepareScratchFolder(m_scratchDirectory.string()); !prepared) {
        problems << QString::fromStdString(prepared.error());
        scratch.reset();
    }
    std::vector<std::filesystem::path> paths;
    for (const QString& file : files)
        paths.emplace_back(file.toStdString());
    CardListing listing = ReadCard(paths, scratch, [](int percent) { ProgressSetPos(percent); });
    for (const CardProblem& problem : listing.problems)
        problems << QString::fromStdString(problem.fileName + ": " + problem.reason);
    m_engine.SetEntries(std::move(listing.entries));
    const auto markError = m_engine.MarkLoaded([](int percent) { ProgressSetPos(percent); });
    ProgressClose();

    if (markError)
        QMessageBox::warning(this, Text("IDS_STR_WARNING"), markError->text);
    if (!problems.isEmpty())
        ShowProblems(QString(), problems);

    {
        const QSignalBlocker loadBlocker(m_loadFilter);
        const QSignalBlocker typeBlocker(m_typeFilter);
        m_loadFilter->setCurrentIndex(static_cast<int>(LoadFilter::All));
        m_typeFilter->setCurrentIndex(static_cast<int>(TypeFilter::All));
    }
    FillList();
    m_counter->setText("0/0");
    m_bar->setValue(0);
    m_all->setChecked(true);
    OnAllToggled(true);
    return static_cast<int>(files.size());
}

void CDownloadDlg::FillList()
{
    const auto type = static_cast<TypeFilter>(m_typeFilter->currentIndex());
    const auto load = static_cast<LoadFilter>(m_loadFilter->currentIndex());
    const QSignalBlocker blocker(m_list);
    m_list->clearContents();
    m_list->setRowCount(0);
    for (const ArchiveEntry& entry : m_engine.entries()) {
        if (!EntryPassesFilters(entry, type, load))
            continue;
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        auto* name = new QTableWidgetItem(QString::fromStdString(entry.Name));
        name->setTextAlignment(Qt::AlignCenter);
        m_list->setItem(row, NameColumn, name);
        m_list->setItem(row, TimeColumn, new QTableWidgetItem(TimeText(entry.StartTime)));
        m_list->setItem(row, TypeColumn, new QTableWidgetItem(TypeText(entry.Type)));
        m_list->setItem(row, LoadedColumn,
                        new QTableWidgetItem(Text(entry.Loaded == 1 ? "IDS_STR_YES" : "IDS_STR_NO")));
    }
    FitColumns();
    m_nSelected = 0;
}

void CDownloadDlg::OnFilterChanged()
{
    FillList();
    const QSignalBlocker blocker(m_all);
    m_all->setChecked(false);
    m_nSelected = 0;
    m_counter->setText("0/0");
}

void CDownloadDlg::OnAllToggled(bool checked)
{
    if (checked)
        m_list->selectAll();
    else
        m_list->clearSelection();
}

void CDownloadDlg::OnSelectionChanged()
{
    m_nSelected = static_cast<int>(m_list->selectionModel()->selectedRows().size());
    ShowCounter(0);
}

void CDownloadDlg::ShowCounter(int handled)
{
    m_counter->setText(QString::asprintf("%d/%d", handled, m_nSelected));
}

std::vector<std::string> CDownloadDlg::SelectedNames() const
{
    std::vector<std::string> names;
    for (int row = 0; row < m_list->rowCount(); ++row) {
        if (m_list->selectionModel()->isRowSelected(row, QModelIndex()))
            names.push_back(m_list->item(row, NameColumn)->text().toStdString());
    }
    return names;
}

std::vector<std::string> CDownloadDlg::SelectedNamesOrTip()
{
    auto names = SelectedNames();
    if (names.empty())
        QMessageBox::warning(this, Text("IDS_STR_TIP"), Text("IDS_STR_SELECT_TIP"));
    return names;
}

void CDownloadDlg::OnDownload()
{
    if (m_nRunState == 1) {
        m_worker->RequestStop();
        return;
    }
    if (m_nRunState != 0)
        return;
    const auto names = SelectedNamesOrTip();
    if (names.empty())
        return;
    if (m_deleteAfter->isChecked()
        && QMessageBox::question(this, Text("IDS_STR_TIP"), Text("IDS_STR_DELAFTERLOAD")) != QMessageBox::Yes)
        m_deleteAfter->setChecked(false);

    SetRunning(1);
    m_worker->StartDownload(names, ImportOptions{ReplaceMode::Ask, m_deleteAfter->isChecked()});
}

void CDownloadDlg::OnDelete()
{
    if (m_nRunState == -1) {
        m_worker->RequestStop();
        return;
    }
    if (m_nRunState != 0)
        return;
    const auto names = SelectedNamesOrTip();
    if (names.empty())
        return;
    if (QMessageBox::question(this, Text("IDS_STR_TIP"), Text("IDS_STR_DEL_CONFIRM")) != QMessageBox::Yes)
        return;
    SetRunning(-1);
    m_worker->StartDelete(names);
}

void CDownloadDlg::SetRunning(int state)
{
    m_nRunState = state;
    m_runProblems.clear();
    const bool idle = state == 0;
    for (QWidget* control : std::initializer_list<QWidget*>{m_list, m_all, m_loadFilter, m_typeFilter,
                                                           m_deleteAfter, m_exit})
        control->setEnabled(idle);
    m_download->setEnabled(idle || state == 1);
    m_delete->setEnabled(idle || state == -1);
    if (state == 1)
        m_download->setText(Text("IDS_STR_STOP"));
    else if (state == -1)
        m_delete->setText(Text("IDS_STR_STOP"));
    else {
        m_download->setText(Text("IDS_STR_DLOAD"));
        m_delete->setText(Text("IDS_STR_DELETE"));
    }
}

void CDownloadDlg::OnReplaceAsked(const QString& archiveName)
{
    CReplaceDlg question(this, archiveName);
    const int result = question.exec();
    const int button = CReplaceDlg::ButtonOf(result);
    ReplaceReply reply;
    reply.button = button == CReplaceDlg::kYes ? ReplaceReply::Yes
                   : button == CReplaceDlg::kNo ? ReplaceReply::No
                                                : ReplaceReply::Cancel;
    reply.sameOperation = CReplaceDlg::SameOperationOf(result);
    m_worker->AnswerReplace(reply);
}

void CDownloadDlg::OnArchiveHandled(const QString& archiveName, int status, const QString&, const QString& message,
                                    int handled, int selected)
{
    if (!message.isEmpty())
        m_runProblems << archiveName + ": " + message;
    if (static_cast<ArchiveStatus>(status) == ArchiveStatus::Failed)
        return;
    if (selected > 0)
        m_bar->setValue(100 * handled / selected);
    ShowCounter(handled);
}

void CDownloadDlg::OnWorkerFinished(int end, const QString& message)
{
    const auto runEnd = static_cast<RunEnd>(end);
    if (runEnd == RunEnd::DatabaseFailed || runEnd == RunEnd::NotStarted)
        QMessageBox::warning(this, Text("IDS_STR_WARNING"), message);
    const QString text = Text(runEnd == RunEnd::Completed ? "IDS_STR_DEALDONE" : "IDS_STR_DEALINTERMIT");
    if (m_runProblems.isEmpty())
        QMessageBox::information(this, QApplication::applicationDisplayName(), text);
    else
        ShowProblems(text, m_runProblems);

    // Back to idle: the list shows what the run changed.
    m_bar->setValue(0);
    SetRunning(0);
    FillList();
    UntickAll();   // the refilled list has nothing selected
    OnSelectionChanged();
    emit runEnded();
}

void CDownloadDlg::ShowProblems(const QString& intro, const QStringList& lines)
{
    QMessageBox box(QMessageBox::Warning, Text("IDS_STR_WARNING"),
                    intro.isEmpty() ? lines.join('\n') : intro + "\n\n" + lines.join('\n'), QMessageBox::Ok, this);
    box.setObjectName("problemBox");
    box.exec();
}

void CDownloadDlg::UntickAll()
{
    const QSignalBlocker blocker(m_all);
    m_all->setChecked(false);
}

bool CDownloadDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress)
        UntickAll();
    return QDialog::eventFilter(watched, event);
}

void CDownloadDlg::reject()
{
    if (m_nRunState != 0)
        return;
    archive::DeleteDirectoryTree(m_scratchDirectory.string());
    emit casesMayHaveChanged();
    QDialog::reject();
}

void CDownloadDlg::closeEvent(QCloseEvent* event)
{
    if (m_nRunState != 0) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
