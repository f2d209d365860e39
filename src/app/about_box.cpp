#include "app/about_box.h"

#include <QMessageBox>
#include <QString>
#include <QtGlobal>

namespace {
const char* const kProgramName = "TAVO_Vezi";
}

void ShowAboutBox(QWidget* parent)
{
    const QString text =
        QStringLiteral("<h3>%1 %2</h3>"
                       "<p>Companion program for the wearable ECG and pulse-oximetry recorder.</p>"
                       "<p>Built with Qt %3 (running on Qt %4).</p>"
                       "<p>Licence: GNU General Public License, version 3 or later "
                       "(GPL-3.0-or-later).</p>")
            .arg(QLatin1String(kProgramName), QLatin1String(TAVO_VERSION),
                 QLatin1String(QT_VERSION_STR), QLatin1String(qVersion()));
    QMessageBox::about(parent, QStringLiteral("About %1").arg(QLatin1String(kProgramName)), text);
}
