#include <gtest/gtest.h>

#include "app_fixture.h"

#include "language_files.h"

#include "app/application.h"
#include "lang/language.h"
#include "settings/system_settings.h"

AppTest::AppTest()
    : m_previousDir(std::filesystem::current_path())
{
    std::filesystem::current_path(m_dir.path());
    theApp.m_strArchivePath.clear();
    theApp.m_strCurrentCase.clear();
    theApp.m_bSampling = 0;
    theApp.m_bReviewMode = 0;
    theApp.m_bStartScreen = 1;
    theApp.m_bFromStartScreen = -1;
    theApp.m_nDisplayMode = 0;
    theApp.m_fnStopSampling = nullptr;
    g_Settings = SystemSettings{};
    g_Language.LoadLanguage(QStringLiteral("None"));
}

AppTest::~AppTest()
{
    theApp.ExitInstance();
    std::filesystem::current_path(m_previousDir);
}

void AppTest::UseShippedEnglish() const
{
    testsupport::InstallShippedEnglish(m_dir.path());
    ASSERT_GT(g_Language.LoadLanguage(QStringLiteral("English")), 0);
}
