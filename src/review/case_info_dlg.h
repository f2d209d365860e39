#pragma once

#include "db/case_record.h"
#include "review/control_texts.h"

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace review {

class CPlainTextLimit;

// The personal data of a case, as the case information dialog holds it.
struct CaseInfoFields {
    QString name;
    QString age;
    QString height; // centimetres
    QString caseNo;
    QString remark;
    QString physician;
    QString telephone;
    QString weight; // kilograms
    QString address;
    int sex = 0;        // 0 male, 1 female
    int sampleType = 0; // not shown; carried through for Modify

    bool operator==(const CaseInfoFields&) const = default;
};

// The fields of a case row (for Modify).
CaseInfoFields CaseInfoOf(const db::CaseRecord& record);
// Writes the columns Modify changes: case number, sample type, name, sex,
// age, height, weight, telephone, address, physician and remark.
void ApplyCaseInfo(const CaseInfoFields& fields, db::CaseRecord& record);

} // namespace review

// "Please input case information": the personal data of a case, typed in
// before live sampling (the new-case flag: the entries become the record of
// the case to add) or to modify a stored case (the caller writes the fields
// back). Each field refuses a keystroke that would take it past its length or
// put in a character it does not take. The dialog never touches the database.
class CCaseInfoDlg : public QDialog {
    Q_OBJECT
public:
    // The record starts empty, sampled at this moment, female, not deleted.
    explicit CCaseInfoDlg(QWidget* parent, bool newCase = false);

    // Shows these fields (before the dialog runs); they are not checked.
    void SetFields(const review::CaseInfoFields& fields);
    // After OK: the entries.
    const review::CaseInfoFields& Fields() const { return m_fields; }
    // After OK with the new-case flag: the record of the case to add.
    const db::CaseRecord& Record() const { return m_record; }
    const review::ControlTable& Controls() const { return m_controls; }

    // Instant sampling: the record of the new case, or nothing on Cancel.
    static std::optional<db::CaseRecord> AskNewCase(QWidget* parent);
    // Modify: the fields of `row` as edited, or nothing on Cancel.
    static std::optional<review::CaseInfoFields> AskModify(QWidget* parent, const db::CaseRecord& row);

protected:
    void accept() override;

private:
    void BuildControls();

    bool m_bNewCase;
    review::CaseInfoFields m_fields;
    db::CaseRecord m_record;
    review::ControlTable m_controls;

    QLineEdit* m_name;
    QComboBox* m_sex;
    QLineEdit* m_height;
    QLineEdit* m_telephone;
    QLineEdit* m_age;
    QLineEdit* m_weight;
    QLineEdit* m_caseNo;
    QComboBox* m_physician;
    QPlainTextEdit* m_address;
    QPlainTextEdit* m_remark;
    review::CPlainTextLimit* m_addressLimit;
    review::CPlainTextLimit* m_remarkLimit;
};
