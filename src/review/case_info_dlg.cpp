#include "review/case_info_dlg.h"

#include "lang/language.h"
#include "review/text_limits.h"
#include "settings/system_settings.h"
#include "widgets/image_button.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using review::Allowed;
using review::CaseInfoFields;

namespace {

// Longest texts, in characters.
constexpr int kNameChars = 48;
constexpr int kNumberDigits = 3; // age, height, weight
constexpr int kTelephoneChars = 30;
constexpr int kCaseNoChars = 18;
constexpr int kPhysicianChars = 48;
constexpr int kAddressChars = 126;
constexpr int kRemarkChars = 126;
// The physician slots offered in the list (the settings keep one more).
constexpr int kOfferedPhysicians = 10;

QLineEdit* Edit(QWidget* parent, const char* name, int maxChars, Allowed allowed)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setValidator(new review::CLimitValidator(maxChars, allowed, edit));
    return edit;
}

QPlainTextEdit* MultiLine(QWidget* parent, const char* name)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setTabChangesFocus(true);
    edit->setMaximumHeight(60);
    return edit;
}

} // namespace

namespace review {

CaseInfoFields CaseInfoOf(const db::CaseRecord& record)
{
    CaseInfoFields fields;
    fields.name = record.CaseName;
    fields.age = record.CaseAge;
    fields.height = record.CaseHeight;
    fields.caseNo = record.CaseHisID;
    fields.remark = record.Mark;
    fields.physician = record.PhysicName;
    fields.telephone = record.CaseTel;
    fields.weight = record.CaseWeight;
    fields.address = record.CaseAddr;
    fields.sex = record.CaseSex != 0 ? 1 : 0;
    fields.sampleType = record.CaseStyle;
    return fields;
}

void ApplyCaseInfo(const CaseInfoFields& fields, db::CaseRecord& record)
{
    record.CaseHisID = fields.caseNo;
    record.CaseStyle = fields.sampleType;
    record.CaseName = fields.name;
    record.CaseSex = fields.sex;
    record.CaseAge = fields.age;
    record.CaseHeight = fields.height;
    record.CaseWeight = fields.weight;
    record.CaseTel = fields.telephone;
    record.CaseAddr = fields.address;
    record.PhysicName = fields.physician;
    record.Mark = fields.remark;
}

} // namespace review

CCaseInfoDlg::CCaseInfoDlg(QWidget* parent, bool newCase) : QDialog(parent), m_bNewCase(newCase)
{
    setObjectName(QStringLiteral("caseInfoDialog"));
    m_record.SampleTime = db::SystemTime::FromDateTime(QDateTime::currentDateTime());
    m_record.CaseSex = 1;
    BuildControls();
    review::ApplyControlTexts(this, "IDD_CASE_INFO", m_controls);

    m_sex->addItems({g_Language.GetString("IDS_STR_MALE"), g_Language.GetString("IDS_STR_FEMALE")});
    QStringList physicians;
    for (int slot = 0; slot < kOfferedPhysicians; ++slot) {
        if (!g_Settings.PhysicianName[std::size_t(slot)].isEmpty())
            physicians << g_Settings.PhysicianName[std::size_t(slot)];
    }
    physicians.sort(Qt::CaseInsensitive);
    m_physician->addItems(physicians);
    SetFields(m_fields);
}

void CCaseInfoDlg::BuildControls()
{
    // Numbered as in the language section: the fields, the buttons, the labels.
    m_name = Edit(this, "name", kNameChars, Allowed::Any);
    m_sex = new QComboBox(this);
    m_sex->setObjectName(QStringLiteral("sex"));
    m_height = Edit(this, "height", kNumberDigits, Allowed::Digits);
    m_telephone = Edit(this, "telephone", kTelephoneChars, Allowed::Phone);
    m_age = Edit(this, "age", kNumberDigits, Allowed::Digits);
    m_weight = Edit(this, "weight", kNumberDigits, Allowed::Digits);
    m_caseNo = Edit(this, "caseNo", kCaseNoChars, Allowed::Any);
    m_physician = new QComboBox(this);
    m_physician->setObjectName(QStringLiteral("physician"));
    m_physician->setEditable(true);
    m_physician->setInsertPolicy(QComboBox::NoInsert);
    m_physician->setValidator(new review::CLimitValidator(kPhysicianChars, Allowed::Any, m_physician));
    m_address = MultiLine(this, "address");
    m_remark = MultiLine(this, "remark");
    m_addressLimit = new review::CPlainTextLimit(m_address, kAddressChars);
    m_remarkLimit = new review::CPlainTextLimit(m_remark, kRemarkChars);
    auto* ok = new CImageButton(QString(), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &CCaseInfoDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CCaseInfoDlg::reject);

    QWidget* const fields[] = {m_name, m_sex, m_height, m_telephone, m_age, m_weight, m_caseNo, m_physician,
                               m_address, m_remark, ok, cancel};
    for (int number = 0; number < int(std::size(fields)); ++number)
        m_controls[number] = fields[number];
    std::array<QLabel*, 12> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i] = new QLabel(this);
        m_controls[int(std::size(fields) + i)] = labels[i];
    }
    const auto [nameL, sexL, heightL, cmL, telL, ageL, weightL, kgL, caseNoL, phyL, addrL, remarkL] = labels;

    auto* grid = new QGridLayout;
    grid->addWidget(nameL, 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(sexL, 0, 3);
    grid->addWidget(m_sex, 0, 4);
    grid->addWidget(heightL, 1, 0);
    grid->addWidget(m_height, 1, 1);
    grid->addWidget(cmL, 1, 2);
    grid->addWidget(telL, 1, 3);
    grid->addWidget(m_telephone, 1, 4);
    grid->addWidget(ageL, 2, 0);
    grid->addWidget(m_age, 2, 1);
    grid->addWidget(weightL, 2, 3);
    grid->addWidget(m_weight, 2, 4);
    grid->addWidget(kgL, 2, 5);
    grid->addWidget(caseNoL, 3, 0);
    grid->addWidget(m_caseNo, 3, 1);
    grid->addWidget(phyL, 3, 3);
    grid->addWidget(m_physician, 3, 4);
    grid->addWidget(addrL, 4, 0);
    grid->addWidget(m_address, 4, 1, 1, 5);
    grid->addWidget(remarkL, 5, 0);
    grid->addWidget(m_remark, 5, 1, 1, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void CCaseInfoDlg::SetFields(const CaseInfoFields& fields)
{
    m_fields = fields;
    m_name->setText(fields.name);
    m_sex->setCurrentIndex(fields.sex);
    m_height->setText(fields.height);
    m_telephone->setText(fields.telephone);
    m_age->setText(fields.age);
    m_weight->setText(fields.weight);
    m_caseNo->setText(fields.caseNo);
    m_physician->setCurrentIndex(-1);
    m_physician->setEditText(fields.physician);
    m_addressLimit->SetText(fields.address);
    m_remarkLimit->SetText(fields.remark);
}

void CCaseInfoDlg::accept()
{
    m_fields.name = m_name->text();
    m_fields.sex = std::max(0, m_sex->currentIndex());
    m_fields.height = m_height->text();
    m_fields.telephone = m_telephone->text();
    m_fields.age = m_age->text();
    m_fields.weight = m_weight->text();
    m_fields.caseNo = m_caseNo->text();
    m_fields.physician = m_physician->currentText();
    m_fields.address = m_address->toPlainText();
    m_fields.remark = m_remark->toPlainText();
    if (m_bNewCase) {
        const int sampleType = m_record.CaseStyle; // set by live sampling, not here
        review::ApplyCaseInfo(m_fields, m_record);
        m_record.CaseStyle = sampleType;
        m_record.BeDelete = 0;
    }
    QDialog::accept();
}

std::optional<db::CaseRecord> CCaseInfoDlg::AskNewCase(QWidget* parent)
{
    CCaseInfoDlg dialog(parent, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Record();
}

std::optional<CaseInfoFields> CCaseInfoDlg::AskModify(QWidget* parent, const db::CaseRecord& row)
{
    CCaseInfoDlg dialog(parent);
    dialog.SetFields(review::CaseInfoOf(row));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Fields();
}
