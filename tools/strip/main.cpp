// tavo-strip: draws one pane of a case folder into a PNG file as the review
// window shows it.

#include "strip_options.h"
#include "strip_render.h"

#include "lang/language.h"
#include "settings/system_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

// The labels come from the language file of the program's start folder,
// which LoadLanguage looks for under the current folder.
bool LoadStartFolderLanguage()
{
    const QString home = qEnvironmentVariable("TAVO_VEZI_HOME");
    if (!home.isEmpty() && !QDir::setCurrent(home))
        return false;
    if (!QFileInfo::exists(CLanguage::LanguageFolder() + g_Settings.Language + QStringLiteral(".ini")))
        return false;
    return g_Language.LoadLanguage(g_Settings.Language) > 0;
}

// Qt's notes (the platform, a missing runtime folder) are of no use to the
// tool's user; its errors still show.
void QtErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tavo-strip: %s\n", qPrintable(message));
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "tavo-strip: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto parsed = ParseStripCommand({argv + 1, argv + argc});
    if (const auto* stop = std::get_if<cli::Stop>(&parsed))
        return cli::Report(*stop, "tavo-strip", StripHelpText());
    StripCommand command = std::get<StripCommand>(parsed);
    std::error_code error;
    command.request.caseFolder = std::filesystem::absolute(command.request.caseFolder, error);
    command.output = std::filesystem::absolute(command.output, error);

    // Fonts need a GUI application; the offscreen platform needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QtErrorsOnly);
    int qtArgc = 1; // Qt sees none of the tool's arguments
    QGuiApplication application(qtArgc, argv);

    LoadSettings();
    ApplySmoothLines();
    const strip::StripLooks looks = strip::StoredLooks(LoadStartFolderLanguage());
    QImage image;
    if (const auto rendered = strip::RenderStrip(command.request, looks, image); !rendered.ok())
        return Fail(command.request.caseFolder.string() + ": " + rendered.error());
    if (const auto written = strip::WritePng(image, command.output); !written.ok())
        return Fail(written.error());
    return 0;
}
