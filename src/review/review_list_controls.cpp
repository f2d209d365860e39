#include "review/review_list_controls.h"

#include "lang/language.h"
#include "review/text_limits.h"
#include "widgets/column_list_ctrl.h"
#include "widgets/image_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace review {

namespace {

// Text limits of the fields, in characters.
constexpr int kNameChars = 38;
constexpr int kCaseNoChars = 18;
constexpr int kRemarkChars = 253;
constexpr int kAgeDigits = 3;
constexpr int kPageDigits = 9;
constexpr int kMaxAge = 300;

template <typename T, typename... Args>
T* Make(QWidget* parent, const char* name, Args&&... args)
{
    T* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* LimitedEdit(QWidget* parent, const char* name, int maxChars, Allowed allowed)
{
    auto* edit = Make<QLineEdit>(parent, name);
    edit->setValidator(new CLimitValidator(maxChars, allowed, edit));
    return edit;
}

QSpinBox* AgeBox(QWidget* parent, const char* name, int value)
{
    auto* box = Make<QSpinBox>(parent, name);
    box->setRange(0, kMaxAge);
    box->setValue(value);
    box->setEnabled(false);
    return box;
}

QDateEdit* DateBox(QWidget* parent, const char* name)
{
    auto* box = Make<QDateEdit>(parent, name, QDate::currentDate());
    box->setCalendarPopup(true);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setEnabled(false);
    return box;
}

void SetItems(QComboBox* list, const QStringList& texts)
{
    const QSignalBlocker blocker(list);
    const int chosen = list->currentIndex();
    list->clear();
    list->addItems(texts);
    list->setCurrentIndex(chosen);
}

} // namespace

void ReviewListControls::Build(QWidget* panel)
{
    searchGroup = Make<QGroupBox>(panel, "searchGroup");
    QWidget* s = searchGroup;
    searchNameLabel = Make<QLabel>(s, "searchNameLabel");
    searchName = LimitedEdit(s, "searchName", kNameChars, Allowed::Any);
    searchTypeLabel = Make<QLabel>(s, "searchTypeLabel");
    searchType = Make<QComboBox>(s, "searchType");
    searchGenderLabel = Make<QLabel>(s, "searchGenderLabel");
    searchGender = Make<QComboBox>(s, "searchGender");
    searchCaseNoLabel = Make<QLabel>(s, "searchCaseNoLabel");
    searchCaseNo = LimitedEdit(s, "searchCaseNo", kCaseNoChars, Allowed::Any);
    ageCheck = Make<QCheckBox>(s, "ageCheck");
    ageFrom = AgeBox(s, "ageFrom", 40);
    ageDash = Make<QLabel>(s, "ageDash");
    ageTo = AgeBox(s, "ageTo", 50);
    dateCheck = Make<QCheckBox>(s, "dateCheck");
    dateFrom = DateBox(s, "dateFrom");
    dateDash = Make<QLabel>(s, "dateDash");
    dateTo = DateBox(s, "dateTo");
    searchRemarkLabel = Make<QLabel>(s, "searchRemarkLabel");
    searchRemark = LimitedEdit(s, "searchRemark", kRemarkChars, Allowed::Any);
    search = Make<CReviewButton>(s, "searchButton", QString());
    clear = Make<CReviewButton>(s, "clearButton", QString());
    separator = Make<QFrame>(s, "separator");
    separator->setFrameShape(QFrame::HLine);
    list = Make<CColumnListCtrl>(s, "caseList");
    firstPage = Make<CReviewButton>(s, "firstPageButton", QString());
    previousPage = Make<CReviewButton>(s, "previousPageButton", QString());
    pageBox = LimitedEdit(s, "pageBox", kPageDigits, Allowed::Digits);
    pageLabel = Make<QLabel>(s, "pageLabel");
    nextPage = Make<CReviewButton>(s, "nextPageButton", QString());
    lastPage = Make<CReviewButton>(s, "lastPageButton", QString());

    infoGroup = Make<QGroupBox>(panel, "infoGroup");
    QWidget* i = infoGroup;
    nameLabel = Make<QLabel>(i, "nameLabel");
    name = LimitedEdit(i, "caseName", kNameChars, Allowed::Any);
    genderLabel = Make<QLabel>(i, "genderLabel");
    gender = Make<QComboBox>(i, "caseGender");
    ageLabel = Make<QLabel>(i, "ageLabel");
    age = LimitedEdit(i, "caseAge", kAgeDigits, Allowed::Digits);
    caseNoLabel = Make<QLabel>(i, "caseNoLabel");
    caseNo = LimitedEdit(i, "caseNo", kCaseNoChars, Allowed::Any);
    dateLabel = Make<QLabel>(i, "dateLabel");
    date = Make<QLineEdit>(i, "caseDate");
    date->setEnabled(false);
    remarkLabel = Make<QLabel>(i, "remarkLabel");
    remark = LimitedEdit(i, "caseRemark", kRemarkChars, Allowed::Any);
    save = Make<CReviewButton>(i, "saveButton", QString());
    save->setEnabled(false);

    auto* fields = new QGridLayout;
    fields->addWidget(searchNameLabel, 0, 0);
    fields->addWidget(searchName, 0, 1);
    fields->addWidget(searchTypeLabel, 0, 2);
    fields->addWidget(searchType, 0, 3);
    fields->addWidget(searchGenderLabel, 1, 0);
    fields->addWidget(searchGender, 1, 1);
    fields->addWidget(searchCaseNoLabel, 1, 2);
    fields->addWidget(searchCaseNo, 1, 3);
    fields->addWidget(ageCheck, 2, 0);
    fields->addWidget(ageFrom, 2, 1);
    fields->addWidget(ageDash, 2, 2, Qt::AlignCenter);
    fields->addWidget(ageTo, 2, 3);
    fields->addWidget(dateCheck, 3, 0);
    fields->addWidget(dateFrom, 3, 1);
    fields->addWidget(dateDash, 3, 2, Qt::AlignCenter);
    fields->addWidget(dateTo, 3, 3);
    fields->addWidget(searchRemarkLabel, 4, 0);
    fields->addWidget(searchRemark, 4, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(search);
    buttons->addWidget(clear);
    auto* pager = new QHBoxLayout;
    pager->addStretch();
    for (QWidget* part : {static_cast<QWidget*>(firstPage), static_cast<QWidget*>(previousPage),
                          static_cast<QWidget*>(pageBox), static_cast<QWidget*>(pageLabel),
                          static_cast<QWidget*>(nextPage), static_cast<QWidget*>(lastPage)})
        pager->addWidget(part);
    pageBox->setMaximumWidth(48);
    auto* searchLayout = new QVBoxLayout(searchGroup);
    searchLayout->addLayout(fields);
    searchLayout->addLayout(buttons);
    searchLayout->addWidget(separator);
    searchLayout->addWidget(list, 1);
    searchLayout->addLayout(pager);

    auto* info = new QGridLayout(infoGroup);
    info->addWidget(nameLabel, 0, 0);
    info->addWidget(name, 0, 1);
    info->addWidget(genderLabel, 0, 2);
    info->addWidget(gender, 0, 3);
    info->addWidget(ageLabel, 1, 0);
    info->addWidget(age, 1, 1);
    info->addWidget(caseNoLabel, 1, 2);
    info->addWidget(caseNo, 1, 3);
    info->addWidget(dateLabel, 2, 0);
    info->addWidget(date, 2, 1, 1, 3);
    info->addWidget(remarkLabel, 3, 0);
    info->addWidget(remark, 3, 1, 1, 3);
    info->addWidget(save, 4, 3, Qt::AlignRight);

    // The switches enable their fields; each age bound limits the other's arrows.
    QObject::connect(ageCheck, &QCheckBox::toggled, panel, [this](bool on) {
        ageFrom->setEnabled(on);
        ageTo->setEnabled(on);
    });
    QObject::connect(dateCheck, &QCheckBox::toggled, panel, [this](bool on) {
        dateFrom->setEnabled(on);
        dateTo->setEnabled(on);
    });
    QObject::connect(ageFrom, &QSpinBox::editingFinished, panel,
                     [this] { ageTo->setRange(ageFrom->value(), kMaxAge); });
    QObject::connect(ageTo, &QSpinBox::editingFinished, panel, [this] { ageFrom->setRange(0, ageTo->value()); });

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(searchGroup, 1);
    layout->addWidget(infoGroup);
}

ControlTable ReviewListControls::Table() const
{
    return {{1, searchGroup},        {2, infoGroup},     {3, searchNameLabel}, {4, searchName},
            {5, searchTypeLabel},    {6, searchType},    {7, searchGenderLabel}, {8, searchGender},
            {9, searchCaseNoLabel},  {10, searchCaseNo}, {11, ageCheck},       {12, ageFrom},
            {14, ageDash},           {15, ageTo},        {17, dateCheck},      {18, dateFrom},
            {19, dateDash},          {20, dateTo},       {21, searchRemarkLabel}, {22, searchRemark},
            {23, search},            {24, clear},        {25, list},           {26, firstPage},
            {27, previousPage},      {28, pageBox},      {29, pageLabel},      {30, nextPage},
            {31, lastPage},          {32, nameLabel},    {33, name},           {34, genderLabel},
            {35, gender},            {36, ageLabel},     {37, age},            {38, caseNoLabel},
            {39, caseNo},            {40, dateLabel},    {41, date},           {42, remarkLabel},
            {43, remark},            {44, save},         {50, separator}};
}

db::ReviewSearchFields ReviewListControls::SearchFields() const
{
    db::ReviewSearchFields fields;
    fields.name = searchName->text();
    fields.genderIndex = searchGender->currentIndex();
    fields.caseNo = searchCaseNo->text();
    fields.ageOn = ageCheck->isChecked();
    fields.ageFrom = QString::number(ageFrom->value());
    fields.ageTo = QString::number(ageTo->value());
    fields.dateOn = dateCheck->isChecked();
    fields.dateFrom = dateFrom->date();
    fields.dateTo = dateTo->date();
    fields.remark = searchRemark->text();
    fields.sampleTypeIndex = searchType->currentIndex();
    return fields;
}

void ReviewListControls::FillDropLists()
{
    const QString male = g_Language.GetString("IDS_STR_MALE");
    const QString female = g_Language.GetString("IDS_STR_FEMALE");
    SetItems(searchType, {g_Language.GetString("IDS_STR_ECG"), g_Language.GetString("IDS_STR_SPO"),
                          g_Language.GetString("IDS_STR_ALL"), QString()});
    SetItems(searchGender, {male, female, QString()});
    SetItems(gender, {male, female});
}

void ReviewListControls::ShowCase(const db::CaseRecord& record)
{
    const db::SystemTime& time = record.SampleTime;
    name->setText(record.CaseName);
    gender->setCurrentIndex(record.CaseSex != 0 ? 1 : 0);
    age->setText(record.CaseAge);
    caseNo->setText(record.CaseHisID);
    date->setText(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                                    time.minute, time.second));
    remark->setText(record.Mark);
}

void ReviewListControls::ClearCase()
{
    for (QLineEdit* field : {name, age, caseNo, date, remark})
        field->clear();
    gender->setCurrentIndex(-1);
}

} // namespace review
