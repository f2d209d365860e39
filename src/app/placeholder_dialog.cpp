#include "app/placeholder_dialog.h"

#include "lang/language.h"

#include <QString>

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 320;
}

CPlaceholderDialog::CPlaceholderDialog(QWidget* parent, std::string_view section)
    : QDialog(parent)
{
    setObjectName(QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())));
    resize(kWidth, kHeight);
    g_Language.SetDialogText(this, section);
}
