#pragma once

#include "app/command_id.h"

#include <QToolBar>
#include <map>

class QAction;

// The frame's only command bar: one button per command with its picture and
// its text from the language file (text under the picture), separators after
// the system settings and after the help button.
class CMainToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CMainToolBar(QWidget* parent);

    // Sets the button texts from the loaded language (empty when a key is missing).
    void ApplyTexts();
    // Enables or disables the buttons from the shared application state.
    void UpdateCommandStates();

    QAction* action(CommandId id) const;

signals:
    void commandTriggered(CommandId id);

private:
    std::map<CommandId, QAction*> m_actions;
};
