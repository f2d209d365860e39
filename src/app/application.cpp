#include "app/application.h"

#include "app/main_frame.h"
#include "app/start_directory.h"
#include "db/case_data_source.h"
#include "lang/language.h"
#include "settings/system_settings.h"

#include <QDebug>

CMoss03App theApp;

CMoss03App::CMoss03App() = default;
CMoss03App::~CMoss03App() = default;

bool CMoss03App::InitInstance(const QString& reviewCase)
{
    m_strArchivePath = StartPath(QStringLiteral("Archive"));

    // A failed registration does not stop the start: every window that opens
    // the case table reports its own connection error. The reason goes to the
    // log, since that error cannot know it.
    if (const auto registered = db::RegisterCaseDSN(); !registered.ok())
        qWarning().noquote() << "The data source \"Case\" could not be registered:" << registered.message;

    LoadOrInitSettings();
    ApplySmoothLines();
    g_Language.LoadLanguage(g_Settings.Language);

    m_frame = std::make_unique<CMainFrame>();
    m_frame->show();
    if (!reviewCase.isEmpty())
        m_frame->StartReviewOn(reviewCase);
    return true;
}

void CMoss03App::ExitInstance()
{
    m_frame.reset();
}
