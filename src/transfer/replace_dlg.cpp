#include "transfer/replace_dlg.h"

#include "lang/language.h"
#include "lang/text_format.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CReplaceDlg::CReplaceDlg(QWidget* parent, const QString& archiveName)
    : QDialog(parent)
{
    setObjectName("replaceDialog");
    setWindowTitle("Replace");
    // Creation order numbers the controls for the language section.
    m_text = new QLabel(this);
    auto* yes = new QPushButton("&Yes", this);
    auto* no = new QPushButton("&No", this);
    auto* cancel = new QPushButton("&Cancel", this);
    m_sameOperation = new QCheckBox("&Same Operation", this);
    m_text->setObjectName("replaceText");
    yes->setObjectName("yesButton");
    no->setObjectName("noButton");
    cancel->setObjectName("cancelButton");
    m_sameOperation->setObjectName("sameOperationCheck");
    yes->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    layout->addWidget(m_sameOperation);

    g_Language.SetDialogText(this, "IDD_DLG_CASEDISPLACE");
    const QString name = archiveName.isEmpty() ? QStringLiteral("unkown") : archiveName;
    m_text->setText(FormatText(g_Language.GetString("IDS_STR_REPLACE_CFM"), {name}));

    connect(yes, &QPushButton::clicked, this, [this] { Answer(kYes); });
    connect(no, &QPushButton::clicked, this, [this] { Answer(kNo); });
    connect(cancel, &QPushButton::clicked, this, [this] { Answer(kCancel); });
}

void CReplaceDlg::Answer(int button)
{
    done(button | ((m_sameOperation->isChecked() ? 1 : 0) << 16));
}

void CReplaceDlg::reject()
{
    Answer(kCancel);
}
