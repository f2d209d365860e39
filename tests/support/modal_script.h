#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

namespace testsupport {

// Answers the modal windows (message boxes, the replace question) that open
// while a test waits, one step per window, in the order they appear.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget* modal)>;

    ModalScript();
    ~ModalScript() override;

    void Then(Step step) { m_steps.push_back(std::move(step)); }
    int answered() const { return m_answered; }
    bool done() const { return m_steps.empty(); }

    // Steps for a QMessageBox: press the button of that standard role and
    // remember the box's text.
    Step Press(int standardButton, QString* text = nullptr);

private:
    void Poll();

    QTimer m_timer;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_last;
    int m_answered = 0;
};

} // namespace testsupport
