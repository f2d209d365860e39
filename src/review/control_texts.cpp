#include "review/control_texts.h"

#include "lang/language.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

#include <string>

namespace review {

void ApplyControlTexts(QWidget* window, std::string_view section, const ControlTable& controls)
{
    std::string value;
    if (window) {
        g_Language.GetValue(section, "CAPTION", value);
        window->setWindowTitle(QString::fromStdString(value));
    }
    for (const auto& [number, control] : controls) {
        g_Language.GetValue(section, "IDC" + std::to_string(number), value);
        const QString text = QString::fromStdString(value);
        if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            group->setTitle(text);
    }
}

} // namespace review
