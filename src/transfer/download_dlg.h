#pragma once

#include "transfer/import_engine.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>

class DownloadWorker;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// Takes recordings off the recorder's card: lists the archives of the picked
// device files, marks those already in the case table, downloads the chosen
// ones into case folders and deletes archives from the card. Downloads and
// deletes run on a DownloadWorker; the dialog only shows their progress.
class CDownloadDlg : public QDialog {
    Q_OBJECT
public:
    // Case folders go below `startDirectory`/Archive, card copies to
    // `startDirectory`/TempData; the default is the current directory.
    explicit CDownloadDlg(QWidget* parent, const QString& startDirectory = {});
    ~CDownloadDlg() override;

    // Asks for the card's device files, reads them and runs the dialog.
    // Ends at once (Rejected) when the file dialog is cancelled.
    int DoModal();

    // Reads the card from these device files and fills the list; gives the
    // number of files walked (0 for none).
    int LoadCard(const QStringList& files);

    // Run state: 0 idle, 1 download running, -1 delete running.
    int runState() const { return m_nRunState; }
    const std::vector<ArchiveEntry>& archives() const { return m_engine.entries(); }

signals:
    // The dialog was left with Exit: a case may have been added.
    void casesMayHaveChanged();
    // A run has ended and the list shows its result.
    void runEnded();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ApplyTexts();
    QStringList PickCardFiles();
    void FillList();
    // Every title and value fits its column.
    void FitColumns();
    void OnFilterChanged();
    void OnAllToggled(bool checked);
    void UntickAll();
    void OnSelectionChanged();
    void OnDownload();
    void OnDelete();
    void OnReplaceAsked(const QString& archiveName);
    void OnArchiveHandled(const QString& archiveName, int status, const QString& caseId, const QString& message,
                          int handled, int selected);
    void OnWorkerFinished(int end, const QString& message);
    void SetRunning(int state);
    void ShowCounter(int handled);
    std::vector<std::string> SelectedNames() const;
    // The selected names; with none, tells the user to select rows first.
    std::vector<std::string> SelectedNamesOrTip();
    void ShowProblems(const QString& intro, const QStringList& lines);

    std::filesystem::path m_startDirectory;
    std::filesystem::path m_scratchDirectory;
    ImportEngine m_engine;
    std::unique_ptr<DownloadWorker> m_worker;   // goes before the engine it runs on
    int m_nRunState = 0;
    int m_nSelected = 0;
    QStringList m_runProblems;

    QTableWidget* m_list;
    QCheckBox* m_all;
    QLabel* m_loadLabel;
    QComboBox* m_loadFilter;
    QLabel* m_typeLabel;
    QComboBox* m_typeFilter;
    QCheckBox* m_deleteAfter;
    QPushButton* m_download;
    QPushButton* m_delete;
    QPushButton* m_exit;
    QProgressBar* m_bar;
    QLabel* m_counter;
};
