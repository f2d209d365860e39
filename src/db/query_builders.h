#pragma once

#include "db/case_query.h"

#include <QDate>
#include <QString>

namespace db {

// The search fields of the review window's case list, as read from it.
struct ReviewSearchFields {
    QString name;
    int genderIndex = -1; // 0 male, 1 female, 2 empty item, -1 no selection
    QString caseNo;
    bool ageOn = false;
    QString ageFrom;
    QString ageTo;
    bool dateOn = false;
    QDate dateFrom;
    QDate dateTo;
    QString remark;
    int sampleTypeIndex = -1; // 0 ECG, 1 SpO2, 2 all, 3 empty item, -1 no selection
};

// The search fields of the case management window.
struct ManageSearchFields {
    QString name;
    int genderIndex = -1; // 0 male, 1 female, 2 empty item, -1 no selection
    QString caseNo;
    QString doctor;
    bool ageOn = false;
    QString ageFrom;
    QString ageTo;
    bool dateOn = false;
    QDate dateFrom;
    QDate dateTo;
    QString remark;
    int caseStyle = 0;  // 0 undeleted, 1 deleted, 2 all
    int sampleType = 0; // 0 ECG, 1 SpO2, 2 ECG&SpO2
};

CaseQuery BuildReviewQuery(const ReviewSearchFields& fields);
CaseQuery BuildManageQuery(const ManageSearchFields& fields);

// An age bound as typed: a whole number of at most nine digits, blanks around
// allowed; anything else is no bound.
std::optional<int> ParseAgeBound(const QString& text);

} // namespace db
