#pragma once

#include "db/case_paging.h"
#include "db/case_query.h"
#include "db/case_record.h"
#include "review/review_list_controls.h"

#include <QItemSelection>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace review {

// What the review window needs to show a case: its row (start time in
// SampleTime, sample type in CaseStyle) and its folder. The empty record,
// with no folder, closes the case.
struct OpenCaseRequest {
    db::CaseRecord record;
    QString folder;
};

} // namespace review

// The case browser on the first tab page of the review window: the search
// fields, the case list of the current query one page of 100 rows at a time,
// the fields of the selected case with Save, and the stepping of the open
// case through the query's rows (the window's Pre and Next buttons call
// PreCase and NextCase). Opening a case means telling the window through
// caseOpenRequested; the list never shows waves itself.
//
// Database failures are shown in a message box with the driver's text and
// leave the list usable: a count that fails lists nothing, a row that is gone
// when it is opened or saved is reported and the page read again.
class CReviewCaseList : public QWidget {
    Q_OBJECT
public:
    // `currentCase` is the case id the program's windows share (the
    // application's current case); the list reads it and sets it whenever it
    // opens a case. Case folders lie in `archiveRoot`.
    CReviewCaseList(QWidget* parent, QString& currentCase, const QString& archiveRoot);
    // Stores the case list's column layout.
    ~CReviewCaseList() override;

    // The review command and the case management window's Open: counts the
    // query, lists its last page and opens the current case, or with none
    // the newest case of the page (the empty record when there is none).
    void ActivateReview();
    // Live sampling has added `liveCase` and made it the current case: it
    // becomes the open case and its fields are shown; nothing is listed.
    void ActivateForSampling(const db::CaseRecord& liveCase);
    // Empties the search fields without running a query.
    void ClearSearchFields();
    // The review was closed: the next listing uses the query of all cases.
    void ResetQuery();

    const db::CaseRecord& OpenCaseRecord() const { return m_openCase; }
    const QString& OpenCaseId() const { return m_strOpenCase; }
    const QString& SelectedCaseId() const { return m_strSelCase; }
    // The case ids of the listed rows in the query's order.
    const QStringList& CaseIds() const { return m_caseIds; }
    const db::CasePager& Pager() const { return m_pager; }
    bool CanPrev() const { return m_bCanPrev; }
    bool CanNext() const { return m_bCanNext; }
    const review::ReviewListControls& Controls() const { return m_ui; }

public slots:
    // The case table changed (kind 1) or a case may have been added (kind 2):
    // counts and lists the query's last page again; other kinds are ignored.
    void RefreshCases(int kind);
    // The open case steps to the previous or next row of the query, across
    // pages; true when it moved.
    bool PreCase();
    bool NextCase();
    // The language changed: texts, drop lists and column titles anew.
    void ReloadTexts();

signals:
    // Show this case in the wave panes.
    void caseOpenRequested(const review::OpenCaseRequest& request);
    // New enable state of the window's Pre and Next buttons.
    void preNextChanged(bool canPrev, bool canNext);
    // New text of the window's status line (name, gender and age of the open case).
    void statusLineChanged(const QString& text);

private:
    enum class Loaded { Yes, Gone, Failed };

    void SetUpColumns();
    void RunSearch();
    void ClearSearch();
    void NewQuery(const db::CaseQuery& query, int mode);
    bool Count();
    bool FillCasePage(int mode, bool takeNewest = false);
    void TurnPage(int mode);
    void ShowPageLabel();
    void UpdatePager();
    void OnPageTextChanged();
    void OnPageTimer();
    void OnPageBoxLeft();
    void OnRowSelected(const QItemSelection& selected);
    void OnRowDoubleClicked(const QModelIndex& index);
    void OnColumnToggled();
    bool Step(bool forward);
    bool OpenRow(int row);
    Loaded LoadCase(const QString& caseId, bool reportGone);
    void ReloadPage();
    void OpenCase();
    void ShowCaseInfo();
    void ClearCaseInfo();
    bool SelectCaseRow(const QString& caseId);
    void UpdatePreNext();
    void EmitPreNext();
    bool CheckAge();
    void OnAgeEdited();
    void OnSave();
    void ShowError(const db::DbError& error);
    void ShowWarning(const char* key, const QString& detail = {});

    QString& m_strCurrentCase;
    QString m_strArchiveRoot;
    review::ReviewListControls m_ui;
    db::CaseQuery m_query;
    db::CasePager m_pager;
    QStringList m_caseIds;
    QString m_strOpenCase;
    QString m_strSelCase;
    int m_nSelRow = 0;
    db::CaseRecord m_openCase;
    bool m_bCanPrev = false;
    bool m_bCanNext = false;
    QTimer m_pageTimer;
};
