#include "transfer/progress_dlg.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

QPointer<CProgressDlg> g_openProgress;

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent), m_text(new QLabel(this)), m_bar(new QProgressBar(this))
{
    setObjectName("progressDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_text->setObjectName("progressText");
    m_text->setMinimumWidth(320);
    m_bar->setObjectName("progressBar");
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
}

CProgressDlg::~CProgressDlg()
{
    if (g_openProgress == this)
        g_openProgress = nullptr;
}

CProgressDlg* CProgressDlg::Open(QWidget* parent)
{
    ProgressClose();
    auto* dialog = new CProgressDlg(parent);   // owned by its parent, deleted on close
    g_openProgress = dialog;
    dialog->adjustSize();
    if (parent) {
        const QWidget* window = parent->window();
        dialog->move(window->geometry().center() - dialog->rect().center());
    }
    dialog->show();
    return dialog;
}

CProgressDlg* CProgressDlg::Current()
{
    return g_openProgress.data();
}

void CProgressDlg::SetText(const QString& caption, const QString& message)
{
    setWindowTitle(caption);
    m_text->setText(message);
}

void CProgressDlg::SetPos(int percent)
{
    if (percent >= 0 && percent <= 100)
        m_bar->setValue(percent);
}

QString CProgressDlg::text() const
{
    return m_text->text();
}

int CProgressDlg::pos() const
{
    return m_bar->value();
}

void ProgressSetText(const QString& caption, const QString& message)
{
    if (CProgressDlg* dialog = CProgressDlg::Current())
        dialog->SetText(caption, message);
}

void ProgressSetPos(int percent)
{
    if (CProgressDlg* dialog = CProgressDlg::Current())
        dialog->SetPos(percent);
}

void ProgressClose()
{
    if (CProgressDlg* dialog = g_openProgress.data()) {
        g_openProgress = nullptr;
        dialog->close();
    }
}
