#include "app/application.h"
#include "app/start_directory.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (const auto error = EnterStartDirectory()) {
        std::fprintf(stderr, "tavo-vezi: %s\n", qPrintable(*error));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVO_Vezi"));
    QApplication::setOrganizationName(QStringLiteral("Halvik"));
    if (!theApp.InitInstance())
        return 1;
    const int result = QApplication::exec();
    theApp.ExitInstance();
    return result;
}
