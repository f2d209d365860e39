#include <gtest/gtest.h>

#include "app_fixture.h"

#include "app/application.h"
#include "app/frame_size.h"
#include "app/main_frame.h"
#include "app/main_toolbar.h"
#include "app/main_view.h"
#include "lang/language.h"
#include "settings/system_settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QDialog>
#include <QMessageBox>
#include <QFileDialog>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

namespace {

const std::vector<CommandId> kCommandOrder{
    CommandId::DownLoad,   CommandId::InstantSampling, CommandId::WaveBackView,
    CommandId::CaseManage, CommandId::SysSetting,      CommandId::Help,
    CommandId::AppExit};

// The toolbar's items in order: the command id, or 0 for a separator.
std::vector<int> ToolbarLayout(const CMainToolBar& toolBar)
{
    std::vector<int> layout;
    for (const QAction* action : toolBar.actions()) {
        if (action->isSeparator()) {
            layout.push_back(0);
            continue;
        }
        for (CommandId id : kCommandOrder)
            if (toolBar.action(id) == action)
                layout.push_back(static_cast<int>(id));
    }
    return layout;
}

std::map<CommandId, bool> EnabledStates(const CMainToolBar& toolBar)
{
    std::map<CommandId, bool> states;
    for (CommandId id : kCommandOrder)
        states[id] = toolBar.action(id)->isEnabled();
    return states;
}

} // namespace

TEST(FrameSize, ThreeQuartersBySevenTenthsWithAFloorOf850By560)
{
    EXPECT_EQ(MainFrameSize({1024, 768}), QSize(850, 560));
    EXPECT_EQ(MainFrameSize({1920, 1080}), QSize(1440, 756));
    EXPECT_EQ(MainFrameSize({1280, 800}), QSize(960, 560));
    EXPECT_EQ(MainFrameSize({1133, 801}), QSize(850, 560)); // 849 and 560.7 truncate below the floor
    EXPECT_EQ(MainFrameSize({1134, 802}), QSize(850, 561));
    EXPECT_EQ(MainFrameSize({0, 0}), QSize(850, 560));
}

TEST_F(AppTest, FrameHasFixedSizeTitleAndOnlyAToolbar)
{
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(frame.windowTitle(), "TAVO_Vezi");
    const QSize expected = MainFrameSize(frame.screen()->size());
    EXPECT_EQ(frame.size(), expected);
    EXPECT_EQ(frame.minimumSize(), expected);
    EXPECT_EQ(frame.maximumSize(), expected);
    EXPECT_EQ(frame.menuWidget(), nullptr);
    EXPECT_EQ(frame.findChild<QStatusBar*>(), nullptr);
    EXPECT_EQ(frame.findChildren<QToolBar*>().size(), 1);
    EXPECT_EQ(frame.createPopupMenu(), nullptr);
    EXPECT_EQ(theApp.m_pMainWnd, &frame);

    const CMainToolBar& toolBar = *frame.ToolBar();
    EXPECT_EQ(toolBar.iconSize(), QSize(32, 32));
    EXPECT_EQ(toolBar.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_FALSE(toolBar.isMovable());
    EXPECT_EQ(ToolbarLayout(toolBar), (std::vector<int>{32771, 32772, 32773, 32774, 32775, 0, 32776, 0, 57665}));
    for (CommandId id : kCommandOrder) {
        const QWidget* button = toolBar.widgetForAction(toolBar.action(id));
        ASSERT_NE(button, nullptr);
        EXPECT_GE(button->width(), 80);
        EXPECT_LE(button->width(), 150);
        const QIcon icon = toolBar.action(id)->icon();
        EXPECT_FALSE(icon.pixmap(32, 32).isNull()) << static_cast<int>(id);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32))) << static_cast<int>(id);
    }
    EXPECT_FALSE(frame.windowIcon().isNull());
}

TEST_F(AppTest, ToolbarTextsComeFromTheLanguageFileAndStayEmptyWithoutTheKeys)
{
    UseLanguage("English", kToolbarLanguage);
    {
        CMainFrame frame;
        const CMainToolBar& toolBar = *frame.ToolBar();
        const std::vector<QString> texts{"Download", "Instant", "Review", "Cases", "Settings", "Help", "Exit"};
        for (std::size_t i = 0; i < kCommandOrder.size(); ++i)
            EXPECT_EQ(toolBar.action(kCommandOrder[i])->text(), texts[i]) << static_cast<int>(kCommandOrder[i]);
        const auto* button = qobject_cast<QToolButton*>(toolBar.widgetForAction(toolBar.action(CommandId::Help)));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), "Help");
    }

    // A file without the toolbar keys: captions are empty, never a built-in text.
    UseLanguage("Bare", "[STRING]\nIDS_STR_WARNING=Warning\n[IDD_X]\nIDS_TXT_009=not in STRING\n");
    CMainFrame frame;
    for (CommandId id : kCommandOrder)
        EXPECT_EQ(frame.ToolBar()->action(id)->text(), "") << static_cast<int>(id);
}

TEST_F(AppTest, CommandsAreEnabledFromSamplingAndReviewState)
{
    CMainFrame frame;
    const CMainToolBar& toolBar = *frame.ToolBar();
    using States = std::map<CommandId, bool>;
    const auto expect = [&](bool download, bool review) {
        return States{{CommandId::DownLoad, download},   {CommandId::InstantSampling, download},
                      {CommandId::WaveBackView, review}, {CommandId::CaseManage, download},
                      {CommandId::SysSetting, true},     {CommandId::Help, true},
                      {CommandId::AppExit, true}};
    };
    EXPECT_EQ(EnabledStates(toolBar), expect(true, true));

    theApp.m_bReviewMode = 1;
    frame.UpdateCommandStates();
    EXPECT_EQ(EnabledStates(toolBar), expect(true, false));

    theApp.m_bReviewMode = 0;
    theApp.m_bSampling = 1; // written by the sampler without telling the frame
    QTRY_COMPARE_WITH_TIMEOUT(EnabledStates(toolBar), expect(false, false), 2000);

    theApp.m_bReviewMode = 1;
    frame.UpdateCommandStates();
    EXPECT_EQ(EnabledStates(toolBar), expect(false, false));

    theApp.m_bSampling = 0;
    theApp.m_bReviewMode = 0;
    QTRY_COMPARE_WITH_TIMEOUT(EnabledStates(toolBar), expect(true, true), 2000);
}

TEST_F(AppTest, ReviewCommandLeavesTheStartScreen)
{
    CMainFrame frame;
    frame.show();
    QSignalSpy activated(&theApp, &CMoss03App::reviewActivated);
    theApp.m_strCurrentCase = "0000012";
    EXPECT_FALSE(frame.View()->IsReviewAreaShown());

    frame.ToolBar()->action(CommandId::WaveBackView)->trigger();
    EXPECT_TRUE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(theApp.m_bStartScreen, 0);
    EXPECT_EQ(theApp.m_bFromStartScreen, 1);
    EXPECT_EQ(theApp.m_bReviewMode, 1);
    EXPECT_EQ(theApp.m_strCurrentCase, "");
    EXPECT_EQ(activated.count(), 1);
    EXPECT_FALSE(frame.ToolBar()->action(CommandId::WaveBackView)->isEnabled());

    // Back on the start screen (the review window closed), review is offered again.
    theApp.m_bReviewMode = 0;
    frame.ReturnToStartScreen();
    EXPECT_FALSE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(theApp.m_bStartScreen, 1);
    EXPECT_TRUE(frame.ToolBar()->action(CommandId::WaveBackView)->isEnabled());

    // Live sampling takes over the screen and ends review mode.
    theApp.m_bReviewMode = 1;
    frame.EnterLiveSampling();
    EXPECT_TRUE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(theApp.m_bStartScreen, 0);
    EXPECT_EQ(theApp.m_bReviewMode, 0);
}

TEST_F(AppTest, DownloadAndCaseManagementTellTheReviewWindowAboutTheCaseTable)
{
    UseLanguage("English", kToolbarLanguage);
    CMainFrame frame;
    frame.show();
    QSignalSpy changed(&theApp, &CMoss03App::caseTableChanged);

    // Download starts by asking for the card's files; cancelling that ends it.
    bool askedForFiles = false;
    WhenModalOpens([&askedForFiles](QWidget* dialog) {
        askedForFiles = qobject_cast<QFileDialog*>(dialog) != nullptr;
        static_cast<QDialog*>(dialog)->reject();
    });
    frame.ToolBar()->action(CommandId::DownLoad)->trigger();
    EXPECT_TRUE(askedForFiles);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 2); // start screen: a case may have been added

    // Case management from the start screen: nothing to re-list.
    WhenModalOpens([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    frame.OnCaseManage();
    EXPECT_EQ(theApp.m_bFromStartScreen, 0);
    QTest::qWait(50);
    EXPECT_EQ(changed.count(), 0);

    frame.OnWaveBackView();
    WhenModalOpens([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    frame.OnDownLoad();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 1);

    // With the review area up the re-list is posted, so it arrives after the command.
    WhenModalOpens([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    frame.OnCaseManage();
    EXPECT_EQ(changed.count(), 0);
    QTRY_COMPARE(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).toInt(), 2);

    // Not while sampling.
    theApp.m_bSampling = 1;
    WhenModalOpens([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    frame.OnCaseManage();
    QTest::qWait(50);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(AppTest, SettingsCommandPushesChangedLanguageAndLimits)
{
    UseLanguage("English", kToolbarLanguage);
    WriteLanguage("Second", "[STRING]\nIDS_TXT_009=Live\nIDS_TXT_014=Guide\n");
    CMainFrame frame;
    frame.show();
    QSignalSpy language(&theApp, &CMoss03App::languageChanged);
    QSignalSpy spo2(&theApp, &CMoss03App::spo2RangesChanged);
    QSignalSpy heartRate(&theApp, &CMoss03App::heartRateLimitsChanged);

    // What the settings dialog's OK does: new language loaded, fields assigned.
    QString title;
    WhenModalOpens([&title](QWidget* dialog) {
        title = dialog->windowTitle();
        g_Settings.Language = "Second";
        g_Language.LoadLanguage(g_Settings.Language);
        static_cast<QDialog*>(dialog)->accept();
    });
    frame.OnSysSetting();
    EXPECT_EQ(title, "System settings");
    EXPECT_EQ(frame.ToolBar()->action(CommandId::InstantSampling)->text(), "Live");
    EXPECT_EQ(frame.ToolBar()->action(CommandId::Help)->text(), "Guide");
    EXPECT_EQ(frame.ToolBar()->action(CommandId::AppExit)->text(), "");
    EXPECT_EQ(language.count(), 1);
    EXPECT_EQ(spo2.count(), 0);
    EXPECT_EQ(heartRate.count(), 0);

    // Whatever the dialog's result, a changed SpO2 range or heart-rate limit is pushed.
    const auto changeAndReject = [&frame](std::function<void()> change) {
        WhenModalOpens([change](QWidget* dialog) {
            change();
            static_cast<QDialog*>(dialog)->reject();
        });
        frame.OnSysSetting();
    };
    changeAndReject([] { g_Settings.AlarmLow[2] = 60; });
    EXPECT_EQ(std::vector<qsizetype>({language.count(), spo2.count(), heartRate.count()}), std::vector<qsizetype>({1, 1, 0}));
    changeAndReject([] { g_Settings.AlarmUp[0] = 90; });
    EXPECT_EQ(std::vector<qsizetype>({language.count(), spo2.count(), heartRate.count()}), std::vector<qsizetype>({1, 1, 1}));
    changeAndReject([] { g_Settings.MinSpo2 = 50; });
    EXPECT_EQ(std::vector<qsizetype>({language.count(), spo2.count(), heartRate.count()}), std::vector<qsizetype>({1, 2, 1}));
}

TEST_F(AppTest, ClosingWhileSamplingAsksFirst)
{
    UseLanguage("English", kToolbarLanguage);
    int stops = 0;
    theApp.m_fnStopSampling = [&stops] {
        ++stops;
        return true;
    };
    {
        CMainFrame idle;
        idle.show();
        EXPECT_TRUE(idle.close()) << "without sampling nothing is asked"; // a question would block here
        EXPECT_FALSE(idle.isVisible());
    }
    CMainFrame frame;
    frame.show();
    theApp.m_bSampling = 1;

    QString text;
    QString title;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(text, "Sampling is running. Stop it and quit?");
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(theApp.m_bSampling, 1);

    WhenModalOpens([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    frame.ToolBar()->action(CommandId::AppExit)->trigger();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(stops, 1);
}

TEST_F(AppTest, MinimizeIsRefusedWhileTheReviewAreaShowsOutsideReviewMode)
{
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.EnterLiveSampling(); // start screen hidden, review mode off
    theApp.m_bSampling = 1;
    frame.setWindowState(Qt::WindowMinimized);
    QTRY_COMPARE(frame.windowState() & Qt::WindowMinimized, Qt::WindowStates());

    theApp.m_bSampling = 0;
    theApp.m_bReviewMode = 1;
    frame.setWindowState(Qt::WindowMinimized);
    QTest::qWait(50);
    EXPECT_TRUE(frame.windowState() & Qt::WindowMinimized);
}

namespace {

// Receives what QDesktopServices would hand to the desktop's viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

TEST_F(AppTest, HelpOpensTheHelpFileAndAboutNamesProgramVersionQtAndLicence)
{
    UseLanguage("English", kToolbarLanguage);
    CMainFrame frame;
    frame.show();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    frame.ToolBar()->action(CommandId::Help)->trigger();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.at(0), QUrl::fromLocalFile(QDir::currentPath() + "/Guide.html"));

    QString text;
    WhenModalOpens([&text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->accept();
    });
    frame.OnAppAbout();
    EXPECT_TRUE(text.contains("TAVO_Vezi"));
    EXPECT_TRUE(text.contains(QT_VERSION_STR));
    EXPECT_TRUE(text.contains("GPL-3.0-or-later"));
}

#include "frame_tests.moc"
