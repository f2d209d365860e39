#include <gtest/gtest.h>

#include "app_fixture.h"

#include "app/application.h"
#include "lang/language.h"
#include "settings/system_settings.h"

#include <QApplication>
#include <QTimer>
#include <fstream>
#include <memory>

const char* const kToolbarLanguage = "[STRING]\n"
                                     "IDS_TXT_009=Instant\n"
                                     "IDS_TXT_010=Download\n"
                                     "IDS_TXT_011=Review\n"
                                     "IDS_TXT_012=Cases\n"
                                     "IDS_TXT_013=Settings\n"
                                     "IDS_TXT_014=Help\n"
                                     "IDS_TXT_015=Exit\n"
                                     "IDS_STR_WARNING=Warning\n"
                                     "IDS_STR_110=Sampling is running. Stop it and quit?\n"
                                     "IDS_HELP_TITLE=/Guide.html\n"
                                     "[IDD_DLG_DOWNLOAD]\n"
                                     "CAPTION=Download from card\n"
                                     "[IDD_SETTING_SYSTEM]\n"
                                     "CAPTION=System settings\n";

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

void AppTest::WriteLanguage(const std::string& name, const std::string& content) const
{
    std::filesystem::create_directories(m_dir / "Language");
    std::ofstream(m_dir / "Language" / (name + ".ini"), std::ios::binary) << content;
}

void AppTest::UseLanguage(const std::string& name, const std::string& content) const
{
    WriteLanguage(name, content);
    ASSERT_GT(g_Language.LoadLanguage(QString::fromStdString(name)), 0);
}

void WhenModalOpens(std::function<void(QWidget*)> answer)
{
    // Gives up after a while, so that a window that never opens fails its
    // test instead of being answered in a later one.
    constexpr int kPollMs = 10;
    constexpr int kGiveUpPolls = 500;
    auto* poll = new QTimer(qApp);
    auto polls = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, polls, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*polls < kGiveUpPolls)
            return;
        poll->stop();
        poll->deleteLater();
        if (modal)
            answer(modal);
    });
    poll->start(kPollMs);
}
