#include "app/application.h"
#include "app/start_directory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

namespace {

void DescribeOptions(QCommandLineParser& parser, const QCommandLineOption& review)
{
    parser.setApplicationDescription(QStringLiteral(
        "Reviews ECG and SpO2 recordings of the wearable recorder.\n"
        "The start folder is the current folder, or TAVO_VEZI_HOME when set."));
    parser.addHelpOption();
    parser.addOption(review);
}

} // namespace

int main(int argc, char** argv)
{
    const QCommandLineOption review(QStringLiteral("review"),
                                    QStringLiteral("Start in the review window on case <CASE_ID>."),
                                    QStringLiteral("CASE_ID"));
    {
        // Help needs no display, so it is answered before the window system starts.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser early;
        DescribeOptions(early, review);
        early.parse(arguments);
        if (early.isSet(QStringLiteral("help"))) {
            std::fputs(qPrintable(early.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("tavo-vezi"))), stdout);
            return 0;
        }
    }
    if (const auto error = EnterStartDirectory()) {
        std::fprintf(stderr, "tavo-vezi: %s\n", qPrintable(*error));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVO_Vezi"));
    QApplication::setOrganizationName(QStringLiteral("Halvik"));
    QCommandLineParser parser;
    DescribeOptions(parser, review);
    parser.process(app); // Qt's own options are gone by now; anything else unknown ends here
    if (!theApp.InitInstance(parser.value(review)))
        return 1;
    const int result = QApplication::exec();
    theApp.ExitInstance();
    return result;
}
