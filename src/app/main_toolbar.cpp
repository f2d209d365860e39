#include "app/main_toolbar.h"

#include "app/application.h"
#include "lang/language.h"

#include <QAction>
#include <QIcon>
#include <QToolButton>
#include <array>
#include <string_view>

namespace {

constexpr int kIconSide = 32;
constexpr int kMinButtonWidth = 80;
constexpr int kMaxButtonWidth = 150;

struct ToolbarButton {
    CommandId id;
    std::string_view textKey;
    int image; // index of toolbar-N.png
    bool separatorAfter;
};

// Download comes first so that the download dialog can be reached at all.
constexpr std::array kButtons{
    ToolbarButton{CommandId::DownLoad, "IDS_TXT_010", 1, false},
    ToolbarButton{CommandId::InstantSampling, "IDS_TXT_009", 0, false},
    ToolbarButton{CommandId::WaveBackView, "IDS_TXT_011", 2, false},
    ToolbarButton{CommandId::CaseManage, "IDS_TXT_012", 3, false},
    ToolbarButton{CommandId::SysSetting, "IDS_TXT_013", 4, true},
    ToolbarButton{CommandId::Help, "IDS_TXT_014", 6, true},
    ToolbarButton{CommandId::AppExit, "IDS_TXT_015", 8, false},
};

QString ObjectName(CommandId id)
{
    return QStringLiteral("command%1").arg(static_cast<int>(id));
}

} // namespace

CMainToolBar::CMainToolBar(QWidget* parent)
    : QToolBar(parent)
{
    setObjectName(QStringLiteral("mainToolBar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(kIconSide, kIconSide));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setContextMenuPolicy(Qt::PreventContextMenu);

    for (const ToolbarButton& button : kButtons) {
        const QIcon icon(QStringLiteral(":/icons/toolbar-%1.png").arg(button.image));
        QAction* action = addAction(icon, QString());
        action->setObjectName(ObjectName(button.id));
        const CommandId id = button.id;
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        m_actions.emplace(id, action);
        if (QWidget* widget = widgetForAction(action)) {
            widget->setObjectName(ObjectName(id) + QStringLiteral("Button"));
            widget->setMinimumWidth(kMinButtonWidth);
            widget->setMaximumWidth(kMaxButtonWidth);
        }
        if (button.separatorAfter)
            addSeparator();
    }
    ApplyTexts();
    UpdateCommandStates();
}

void CMainToolBar::ApplyTexts()
{
    for (const ToolbarButton& button : kButtons)
        m_actions.at(button.id)->setText(g_Language.GetString(button.textKey));
}

void CMainToolBar::UpdateCommandStates()
{
    const bool sampling = theApp.m_bSampling != 0;
    const bool reviewing = theApp.m_bReviewMode != 0;
    action(CommandId::DownLoad)->setEnabled(!sampling);
    action(CommandId::InstantSampling)->setEnabled(!sampling);
    action(CommandId::CaseManage)->setEnabled(!sampling);
    action(CommandId::WaveBackView)->setEnabled(!sampling && !reviewing);
}

QAction* CMainToolBar::action(CommandId id) const
{
    return m_actions.at(id);
}
