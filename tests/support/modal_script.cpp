#include "modal_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace testsupport {

ModalScript::ModalScript()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::Poll);
    m_timer.start(10);
}

ModalScript::~ModalScript()
{
    EXPECT_TRUE(m_steps.empty()) << m_steps.size() << " modal windows never appeared";
}

ModalScript::Step ModalScript::Press(int standardButton, QString* text)
{
    return [standardButton, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "expected a message box, got " << modal->metaObject()->className();
        if (text)
            *text = box->text();
        QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
        ASSERT_NE(button, nullptr) << "no such button on the box \"" << box->text().toStdString() << '"';
        button->click();
    };
}

void ModalScript::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_last.data() || !modal->isVisible())
        return;
    // A progress box closes by itself; there is nothing to answer.
    if (modal->objectName() == QLatin1String("progressDialog"))
        return;
    m_last = modal;
    ++m_answered;
    if (m_steps.empty()) {
        ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className() << ": "
                      << modal->windowTitle().toStdString();
        modal->close();
        return;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(modal);
    // A step that failed must not leave the test hanging in the modal loop.
    if (m_last && m_last->isVisible())
        m_last->close();
}

} // namespace testsupport
