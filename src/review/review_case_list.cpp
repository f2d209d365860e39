#include "review/review_case_list.h"

#include "archive/archive_paths.h"
#include "db/case_list_row.h"
#include "lang/language.h"
#include "lang/text_format.h"
#include "review/case_fields.h"
#include "review/case_steps.h"
#include "widgets/column_list_ctrl.h"
#include "widgets/image_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalBlocker>

using review::OpenCaseRequest;

namespace {

constexpr const char* kSection = "IDD_DLG_WAVEBACK";
constexpr int kPageTimerMs = 1000; // typing several digits loads one page
constexpr int kMaxAge = 300;
constexpr int kColumnWidth = 73;
const QString kLayoutKey = QStringLiteral("Favorite\\ReviewListColumn");

// Header text keys of the 12 columns; name, sample time and remark are shown
// until the user chooses otherwise.
constexpr const char* kColumnKeys[CColumnListCtrl::kColumnCount] = {
    "IDS_STR_SN",   "IDS_STR_CASENO", "IDS_STR_NAME",   "IDS_STR_SEX",     "IDS_STR_AGE",       "IDS_STR_WEIGHT",
    "IDS_STR_HEIGHT", "IDS_STR_TEL",  "IDS_STR_ADDR",   "IDS_STR_PHYNAME", "IDS_STR_CHECKDATA", "IDS_STR_REMARK"};
constexpr bool kShownAtFirst[CColumnListCtrl::kColumnCount] = {false, false, true,  false, false, false,
                                                               false, false, false, false, true,  true};

QString Text(const char* key)
{
    return g_Language.GetString(key);
}

db::CaseQuery AllCasesQuery()
{
    db::CaseQuery query;
    query.filter.deleted = db::DeletedChoice::NotDeleted;
    return query;
}

// No case: texts empty, sampled now, female, not deleted.
db::CaseRecord EmptyRecord()
{
    db::CaseRecord record;
    record.SampleTime = db::SystemTime::FromDateTime(QDateTime::currentDateTime());
    record.CaseSex = 1;
    return record;
}

void Tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

CReviewCaseList::CReviewCaseList(QWidget* parent, QString& currentCase, const QString& archiveRoot)
    : QWidget(parent), m_strCurrentCase(currentCase), m_strArchiveRoot(archiveRoot), m_query(AllCasesQuery()),
      m_openCase(EmptyRecord())
{
    setObjectName(QStringLiteral("reviewCaseList"));
    m_ui.Build(this);
    review::ApplyControlTexts(nullptr, kSection, m_ui.Table());
    m_ui.FillDropLists();
    SetUpColumns();
    {
        const QSignalBlocker blocker(m_ui.pageBox);
        m_ui.pageBox->setText(QStringLiteral("1"));
    }
    UpdatePager();
    m_pageTimer.setSingleShot(true);
    m_pageTimer.setInterval(kPageTimerMs);

    connect(m_ui.search, &QPushButton::clicked, this, &CReviewCaseList::RunSearch);
    connect(m_ui.clear, &QPushButton::clicked, this, &CReviewCaseList::ClearSearch);
    connect(m_ui.firstPage, &QPushButton::clicked, this, [this] { TurnPage(db::PageFirst); });
    connect(m_ui.previousPage, &QPushButton::clicked, this, [this] { TurnPage(db::PagePrevious); });
    connect(m_ui.nextPage, &QPushButton::clicked, this, [this] { TurnPage(db::PageNext); });
    connect(m_ui.lastPage, &QPushButton::clicked, this, [this] { TurnPage(db::PageLast); });
    connect(m_ui.pageBox, &QLineEdit::textChanged, this, &CReviewCaseList::OnPageTextChanged);
    connect(m_ui.pageBox, &QLineEdit::editingFinished, this, &CReviewCaseList::OnPageBoxLeft);
    connect(&m_pageTimer, &QTimer::timeout, this, &CReviewCaseList::OnPageTimer);
    connect(m_ui.list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CReviewCaseList::OnRowSelected);
    connect(m_ui.list, &QAbstractItemView::doubleClicked, this, &CReviewCaseList::OnRowDoubleClicked);
    connect(m_ui.list, &CColumnListCtrl::columnToggled, this, &CReviewCaseList::OnColumnToggled);
    connect(m_ui.age, &QLineEdit::editingFinished, this, &CReviewCaseList::OnAgeEdited);
    connect(m_ui.save, &QPushButton::clicked, this, &CReviewCaseList::OnSave);
}

CReviewCaseList::~CReviewCaseList()
{
    m_ui.list->SaveListLayout();
}

void CReviewCaseList::SetUpColumns()
{
    CColumnListCtrl* list = m_ui.list;
    list->SetRegistryKey(kLayoutKey);
    for (int column = 0; column < CColumnListCtrl::kColumnCount; ++column)
        list->Columns()[std::size_t(column)] = {kShownAtFirst[column] ? column : -1, column, Text(kColumnKeys[column]),
                                                0, kColumnWidth};
    if (list->LoadListLayout() != -1)
        return;
    for (const ListColumn& entry : list->Columns()) {
        if (entry.shown != -1)
            list->InsertListColumn(list->ShownCount(), entry.text, entry.format, entry.width, entry.column);
    }
}

void CReviewCaseList::ActivateReview()
{
    Count();
    m_pager.m_nCurPage = m_pager.m_nPageCount;
    const bool listed = FillCasePage(db::PageCurrent, true);
    ShowPageLabel();
    UpdatePager();
    ClearSearchFields();
    if (!m_strCurrentCase.isEmpty() && LoadCase(m_strCurrentCase, false) == Loaded::Yes) {
        m_strOpenCase = m_strSelCase = m_strCurrentCase;
        SelectCaseRow(m_strCurrentCase);
        ShowCaseInfo();
        m_ui.save->setEnabled(true);
    } else if (listed) {
        // FillCasePage took the newest row of the page into the open record.
        m_strOpenCase = m_strSelCase = m_strCurrentCase = m_openCase.CaseID;
        SelectCaseRow(m_strOpenCase);
        ShowCaseInfo();
        m_ui.save->setEnabled(true);
    } else {
        m_openCase = EmptyRecord();
        m_strOpenCase.clear();
        m_strCurrentCase.clear();
        ClearCaseInfo();
        m_ui.save->setEnabled(false);
        emit statusLineChanged(QString());
    }
    UpdatePreNext();
    EmitPreNext();
    OpenCase();
}

void CReviewCaseList::ActivateForSampling(const db::CaseRecord& liveCase)
{
    m_openCase = liveCase;
    m_strOpenCase = m_strCurrentCase = liveCase.CaseID;
    ShowCaseInfo();
}

void CReviewCaseList::ClearSearchFields()
{
    m_ui.searchName->clear();
    m_ui.searchCaseNo->clear();
    m_ui.searchRemark->clear();
    m_ui.ageCheck->setChecked(false);
    m_ui.dateCheck->setChecked(false);
    m_ui.searchGender->setCurrentIndex(-1);
    m_ui.searchType->setCurrentIndex(-1);
}

void CReviewCaseList::ResetQuery()
{
    m_query = AllCasesQuery();
}

void CReviewCaseList::RunSearch()
{
    NewQuery(db::BuildReviewQuery(m_ui.SearchFields()), db::PageLast);
    m_bCanPrev = m_bCanNext = false;
    EmitPreNext();
}

void CReviewCaseList::ClearSearch()
{
    ClearSearchFields();
    NewQuery(AllCasesQuery(), db::PageCurrent);
    UpdatePreNext();
    EmitPreNext();
}

// Lists the last page of a new query and selects the open case's row there.
void CReviewCaseList::NewQuery(const db::CaseQuery& query, int mode)
{
    m_query = query;
    Count();
    m_pager.m_nCurPage = m_pager.m_nPageCount;
    FillCasePage(mode);
    ShowPageLabel();
    UpdatePager();
    if (m_strOpenCase.isEmpty()) {
        ClearCaseInfo();
        m_ui.save->setEnabled(false);
    } else {
        SelectCaseRow(m_strOpenCase);
    }
}

bool CReviewCaseList::Count()
{
    if (const db::DbStatus counted = m_pager.Count(m_query); !counted) {
        ShowError(counted.error());
        return false;
    }
    return true;
}

// Lists the page `mode` leads to; false (and an empty list) when it has no
// rows or cannot be read. With takeNewest the page's last row becomes the
// open record.
bool CReviewCaseList::FillCasePage(int mode, bool takeNewest)
{
    const auto rows = m_pager.Fill(m_query, mode);
    const QString female = Text("IDS_STR_FEMALE");
    const QString male = Text("IDS_STR_MALE");
    std::vector<CColumnListCtrl::Row> listRows;
    m_caseIds.clear();
    if (rows) {
        for (const db::CaseRecord& record : *rows) {
            listRows.push_back({db::MakeCaseListRow(record, female, male).texts, record.CaseID});
            m_caseIds << record.CaseID;
        }
        if (takeNewest && !rows->empty())
            m_openCase = rows->back();
    }
    m_ui.list->SetRows(listRows);
    return !m_caseIds.isEmpty();
}

void CReviewCaseList::TurnPage(int mode)
{
    FillCasePage(mode);
    UpdatePager();
    ShowPageLabel();
    SelectCaseRow(m_strOpenCase);
    UpdatePreNext();
    EmitPreNext();
}

void CReviewCaseList::ShowPageLabel()
{
    m_pageTimer.stop();
    m_ui.pageLabel->setText(FormatText(Text("IDS_STR_PAGE"), {static_cast<long long>(m_pager.m_nPageCount)}));
    const QSignalBlocker blocker(m_ui.pageBox);
    m_ui.pageBox->setText(QString::number(m_pager.m_nCurPage));
}

void CReviewCaseList::UpdatePager()
{
    const db::PagerButtons buttons = m_pager.Buttons();
    m_ui.firstPage->setEnabled(buttons.first);
    m_ui.previousPage->setEnabled(buttons.previous);
    m_ui.nextPage->setEnabled(buttons.next);
    m_ui.lastPage->setEnabled(buttons.last);
}

void CReviewCaseList::OnPageTextChanged()
{
    m_pageTimer.stop();
    const QString text = m_ui.pageBox->text();
    if (text.isEmpty())
        return;
    const int page = text.toInt();
    const int lowest = m_pager.m_nPageCount > 0 ? 1 : 0;
    if (page >= lowest && page <= m_pager.m_nPageCount) {
        if (page != m_pager.m_nCurPage)
            m_pageTimer.start();
        return;
    }
    const QSignalBlocker blocker(m_ui.pageBox);
    m_ui.pageBox->setText(QString::number(m_pager.m_nCurPage));
}

void CReviewCaseList::OnPageTimer()
{
    bool isNumber = false;
    const int page = m_ui.pageBox->text().toInt(&isNumber);
    if (!isNumber)
        return;
    m_pager.m_nCurPage = page;
    FillCasePage(db::PageCurrent);
    UpdatePager();
    m_bCanPrev = m_bCanNext = false;
    EmitPreNext();
}

void CReviewCaseList::OnPageBoxLeft()
{
    if (!m_ui.pageBox->text().isEmpty())
        return;
    const QSignalBlocker blocker(m_ui.pageBox);
    m_ui.pageBox->setText(QString::number(m_pager.m_nCurPage));
}

// The fields show the row just selected, read anew; a row that cannot be
// read leaves them as they are.
void CReviewCaseList::OnRowSelected(const QItemSelection& selected)
{
    if (selected.isEmpty())
        return;
    m_strSelCase = m_ui.list->CaseIdAt(selected.indexes().front().row());
    const auto read = review::ReadCase(m_strSelCase);
    if (!read || !*read)
        return;
    m_ui.ShowCase(**read);
    m_ui.save->setEnabled(true);
}

void CReviewCaseList::OnRowDoubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        OpenRow(int(m_caseIds.indexOf(m_ui.list->CaseIdAt(index.row()))));
}

void CReviewCaseList::OnColumnToggled()
{
    if (m_pager.m_nPageCount > 0)
        FillCasePage(db::PageCurrent);
    SelectCaseRow(m_strOpenCase);
}

bool CReviewCaseList::PreCase()
{
    return Step(false);
}

bool CReviewCaseList::NextCase()
{
    return Step(true);
}

bool CReviewCaseList::Step(bool forward)
{
    const auto step = forward ? review::NextStep(m_caseIds, m_strOpenCase, m_pager.m_nCurPage, m_pager.m_nPageCount)
                              : review::PreStep(m_caseIds, m_strOpenCase, m_pager.m_nCurPage);
    if (!step)
        return false;
    int row = step->row;
    if (step->pageDelta != 0) {
        const bool listed = FillCasePage(forward ? db::PageNext : db::PagePrevious);
        ShowPageLabel();
        UpdatePager();
        if (!listed) {
            UpdatePreNext();
            EmitPreNext();
            return false;
        }
        row = forward ? 0 : int(m_caseIds.size()) - 1;
    }
    return OpenRow(row);
}

// Opens the case of a listed row; a case that is gone by now is reported
// and the page read again.
bool CReviewCaseList::OpenRow(int row)
{
    if (row < 0 || row >= m_caseIds.size())
        return false;
    const QString caseId = m_caseIds[row];
    if (LoadCase(caseId, true) != Loaded::Yes)
        return false;
    m_nSelRow = row;
    m_strOpenCase = m_strCurrentCase = m_strSelCase = caseId;
    ShowCaseInfo();
    SelectCaseRow(caseId);
    m_ui.save->setEnabled(true);
    UpdatePreNext();
    EmitPreNext();
    OpenCase();
    return true;
}

// Reads a case into the open record. A row marked deleted counts as gone.
// With `report`, a failure or a gone case is shown (and a gone one makes the
// page be read again).
CReviewCaseList::Loaded CReviewCaseList::LoadCase(const QString& caseId, bool report)
{
    const auto read = review::ReadCase(caseId);
    if (!read) {
        if (report)
            ShowError(read.error());
        return Loaded::Failed;
    }
    if (!*read || (*read)->BeDelete != 0) {
        if (report) {
            ShowWarning("IDS_STR_CASEGONE", caseId);
            ReloadPage();
        }
        return Loaded::Gone;
    }
    m_openCase = **read;
    return Loaded::Yes;
}

void CReviewCaseList::ReloadPage()
{
    Count();
    m_pager.m_nCurPage = std::min(m_pager.m_nCurPage, m_pager.m_nPageCount);
    FillCasePage(db::PageCurrent);
    ShowPageLabel();
    UpdatePager();
    SelectCaseRow(m_strOpenCase);
    UpdatePreNext();
    EmitPreNext();
}

void CReviewCaseList::OpenCase()
{
    OpenCaseRequest request{m_openCase, QString()};
    if (!m_openCase.CaseID.isEmpty()) {
        const auto folder = archive::CaseFolderPath(m_strArchiveRoot.toStdString(), m_openCase.CaseID.toStdString());
        request.folder = folder ? QString::fromStdString(*folder) : QString();
        if (request.folder.isEmpty() || !QFileInfo(request.folder).isDir())
            ShowWarning("IDS_STR_111", request.folder.isEmpty() ? m_openCase.CaseID : request.folder);
    }
    emit caseOpenRequested(request);
}

void CReviewCaseList::ShowCaseInfo()
{
    m_ui.ShowCase(m_openCase);
    const QString gender = Text(m_openCase.CaseSex != 0 ? "IDS_STR_FEMALE" : "IDS_STR_MALE");
    emit statusLineChanged(FormatText(Text("IDS_STR_CASEMSG"), {m_openCase.CaseName, gender, m_openCase.CaseAge}));
}

void CReviewCaseList::ClearCaseInfo()
{
    m_ui.ClearCase();
    m_strSelCase.clear();
}

// Selects the row of a case (which shows its fields) and scrolls to it;
// false when the page does not list it.
bool CReviewCaseList::SelectCaseRow(const QString& caseId)
{
    if (caseId.isEmpty())
        return false;
    CColumnListCtrl* list = m_ui.list;
    for (int row = 0; row < list->RowCount(); ++row) {
        if (list->CaseIdAt(row) != caseId)
            continue;
        m_nSelRow = int(m_caseIds.indexOf(caseId));
        const QModelIndex index = list->model()->index(row, 0);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                           | QItemSelectionModel::Rows);
        list->scrollTo(index);
        list->horizontalScrollBar()->setValue(0); // the row's first column stays in sight
        return true;
    }
    return false;
}

void CReviewCaseList::UpdatePreNext()
{
    const review::PreNext flags = review::PreNextFor(m_caseIds, m_strOpenCase, m_pager.m_nCurPage,
                                                     m_pager.m_nPageCount, m_pager.m_nRecordCount);
    m_bCanPrev = flags.canPrev;
    m_bCanNext = flags.canNext;
}

void CReviewCaseList::EmitPreNext()
{
    emit preNextChanged(m_bCanPrev, m_bCanNext);
}

// An age from 0 to 300, or none; anything else empties the field, says so
// and keeps the focus there.
bool CReviewCaseList::CheckAge()
{
    const QString age = m_ui.age->text();
    if (age.isEmpty() || age.toInt() <= kMaxAge)
        return true;
    m_ui.age->clear();
    Tell(this, QMessageBox::NoIcon, QString(), Text("IDS_STR_AGETIP"));
    m_ui.age->setFocus();
    return false;
}

// The message box must not open inside the focus change that ended the edit.
void CReviewCaseList::OnAgeEdited()
{
    QTimer::singleShot(0, this, [this] { CheckAge(); });
}

void CReviewCaseList::OnSave()
{
    if (m_strSelCase.isEmpty()) {
        m_ui.save->setEnabled(false);
        return;
    }
    if (!CheckAge())
        return;
    if (QMessageBox::question(this, QString(), Text("IDS_STR_MDFTIP"), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QString saved = m_strSelCase;
    const review::CaseEdits edits{m_ui.name->text(), std::max(0, m_ui.gender->currentIndex()), m_ui.age->text(),
                                  m_ui.caseNo->text(), m_ui.remark->text()};
    const auto written = review::WriteCaseEdits(saved, edits);
    if (!written) {
        ShowError(written.error());
        return;
    }
    if (!*written) {
        ShowWarning("IDS_STR_CASEGONE", saved);
        ReloadPage();
        return;
    }
    if (m_strOpenCase == saved) {
        m_openCase.CaseName = edits.name;
        m_openCase.CaseSex = edits.sex;
        m_openCase.CaseAge = edits.age;
        m_openCase.CaseHisID = edits.caseNo;
        m_openCase.Mark = edits.remark;
        ShowCaseInfo();
    }
    // The page shows what the table holds now; the saved case stays selected.
    FillCasePage(db::PageCurrent);
    SelectCaseRow(saved);
}

void CReviewCaseList::RefreshCases(int kind)
{
    if (kind != 1 && kind != 2)
        return;
    const bool counted = Count();
    m_pager.m_nCurPage = m_pager.m_nPageCount;
    if (kind == 2 || !counted || m_pager.m_nRecordCount > 0) {
        FillCasePage(db::PageCurrent, kind == 1 && m_strOpenCase.isEmpty());
        ShowPageLabel();
        if (kind == 2 && !m_caseIds.isEmpty()) {
            m_nSelRow = int(m_caseIds.size()) - 1;
            if (m_strCurrentCase.isEmpty())
                m_strOpenCase = m_strSelCase = m_strCurrentCase = m_caseIds.back();
        }
        const QString& caseId = kind == 2 ? m_strCurrentCase : m_strOpenCase;
        if (!caseId.isEmpty() && LoadCase(caseId, false) == Loaded::Yes) {
            ShowCaseInfo();
            SelectCaseRow(m_strOpenCase);
            m_strSelCase = m_strOpenCase;
            m_ui.save->setEnabled(true);
        }
    } else {
        ClearSearch();
    }
    UpdatePager();
    UpdatePreNext();
    EmitPreNext();
}

void CReviewCaseList::ReloadTexts()
{
    review::ApplyControlTexts(nullptr, kSection, m_ui.Table());
    m_ui.FillDropLists();
    for (int column = 0; column < CColumnListCtrl::kColumnCount; ++column)
        m_ui.list->SetColumnText(column, Text(kColumnKeys[column]));
    if (m_pager.m_nPageCount > 0)
        FillCasePage(db::PageCurrent);
    ShowPageLabel();
    if (!m_strOpenCase.isEmpty() && LoadCase(m_strOpenCase, false) == Loaded::Yes) {
        ShowCaseInfo();
        SelectCaseRow(m_strOpenCase);
        m_strSelCase = m_strOpenCase;
        m_ui.save->setEnabled(true);
    }
    UpdatePreNext();
    EmitPreNext();
}

void CReviewCaseList::ShowError(const db::DbError& error)
{
    Tell(this, QMessageBox::Warning, Text("IDS_STR_WARNING"), error.text);
}

void CReviewCaseList::ShowWarning(const char* key, const QString& detail)
{
    const QString text = detail.isEmpty() ? Text(key) : Text(key) + QLatin1Char('\n') + detail;
    Tell(this, QMessageBox::Warning, Text("IDS_STR_WARNING"), text);
}
