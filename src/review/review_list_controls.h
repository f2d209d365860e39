#pragma once

#include "db/case_record.h"
#include "db/query_builders.h"
#include "review/control_texts.h"

class CColumnListCtrl;
class CReviewButton;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace review {

// The controls of the review case list: the search group with the paged case
// list, and the fields of the selected case. Each has an object name (tests
// and the review window find them by it) and its number in the review
// window's language section, in Table().
struct ReviewListControls {
    // Creates the controls as children of `panel` and lays them out in it.
    void Build(QWidget* panel);

    ControlTable Table() const;
    // The search fields as the query builder takes them.
    db::ReviewSearchFields SearchFields() const;
    // The items of the three drop lists in the language's texts; each keeps
    // its choice.
    void FillDropLists();
    // The fields of a case; ClearCase empties them (no gender chosen).
    void ShowCase(const db::CaseRecord& record);
    void ClearCase();

    QGroupBox* searchGroup = nullptr;
    QLabel* searchNameLabel = nullptr;
    QLineEdit* searchName = nullptr;
    QLabel* searchTypeLabel = nullptr;
    QComboBox* searchType = nullptr; // ECG, SpO2, all, empty item
    QLabel* searchGenderLabel = nullptr;
    QComboBox* searchGender = nullptr; // male, female, empty item
    QLabel* searchCaseNoLabel = nullptr;
    QLineEdit* searchCaseNo = nullptr;
    QCheckBox* ageCheck = nullptr;
    QSpinBox* ageFrom = nullptr;
    QLabel* ageDash = nullptr;
    QSpinBox* ageTo = nullptr;
    QCheckBox* dateCheck = nullptr;
    QDateEdit* dateFrom = nullptr;
    QLabel* dateDash = nullptr;
    QDateEdit* dateTo = nullptr;
    QLabel* searchRemarkLabel = nullptr;
    QLineEdit* searchRemark = nullptr;
    CReviewButton* search = nullptr;
    CReviewButton* clear = nullptr;
    QFrame* separator = nullptr;
    CColumnListCtrl* list = nullptr;
    CReviewButton* firstPage = nullptr;
    CReviewButton* previousPage = nullptr;
    QLineEdit* pageBox = nullptr;
    QLabel* pageLabel = nullptr;
    CReviewButton* nextPage = nullptr;
    CReviewButton* lastPage = nullptr;

    QGroupBox* infoGroup = nullptr;
    QLabel* nameLabel = nullptr;
    QLineEdit* name = nullptr;
    QLabel* genderLabel = nullptr;
    QComboBox* gender = nullptr; // male, female
    QLabel* ageLabel = nullptr;
    QLineEdit* age = nullptr;
    QLabel* caseNoLabel = nullptr;
    QLineEdit* caseNo = nullptr;
    QLabel* dateLabel = nullptr;
    QLineEdit* date = nullptr; // sample time, never editable
    QLabel* remarkLabel = nullptr;
    QLineEdit* remark = nullptr;
    CReviewButton* save = nullptr;
};

} // namespace review
