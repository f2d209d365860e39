#include "language_files.h"
#include "modal_script.h"
#include "temp_dir.h"

#include "app/application.h"
#include "app/frame_size.h"
#include "app/main_frame.h"
#include "app/main_toolbar.h"
#include "app/main_view.h"
#include "app/start_directory.h"
#include "db/case_data_source.h"
#include "lang/language.h"
#include "settings/system_settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using testsupport::ModalScript;

namespace {

// Runs each test in a fresh start directory and with the shared application
// state as it is at start-up.
class AppTest : public testing::Test {
protected:
    AppTest()
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
        // The review window lists the cases of this start directory's own database.
        EXPECT_TRUE(db::RegisterCaseDSN(QString::fromStdString(m_dir.path().string())).ok());
    }
    ~AppTest() override
    {
        theApp.ExitInstance();
        std::filesystem::current_path(m_previousDir);
    }

    // Puts the shipped English.ini into the start directory and loads it.
    void UseShippedEnglish() const
    {
        testsupport::InstallShippedEnglish(m_dir.path());
        ASSERT_GT(g_Language.LoadLanguage(QStringLiteral("English")), 0);
    }

    const std::filesystem::path m_previousDir = std::filesystem::current_path();
    testsupport::TempDir m_dir;
};

// One property of each command on the toolbar, in order.
template <class T>
std::vector<T> PerCommand(const CMainFrame& frame, T (QAction::*property)() const)
{
    std::vector<T> values;
    for (const QAction* action : frame.ToolBar()->actions())
        if (!action->isSeparator())
            values.push_back((action->*property)());
    return values;
}

// The start-screen flags: {m_bStartScreen, m_bFromStartScreen, m_bReviewMode}.
std::vector<int> ScreenState()
{
    return {theApp.m_bStartScreen, theApp.m_bFromStartScreen, theApp.m_bReviewMode};
}

void Reject(QWidget* dialog)
{
    static_cast<QDialog*>(dialog)->reject();
}

// A picture whose left half is red and right half blue.
void WriteTwoColourPicture(const std::filesystem::path& file)
{
    QImage image(40, 20, QImage::Format_RGB888);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 20, 20, Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
}

std::vector<QColor> ColoursAt(QWidget& widget, std::initializer_list<QPoint> points)
{
    const QImage shot = widget.grab().toImage();
    std::vector<QColor> colours;
    for (QPoint point : points)
        colours.push_back(shot.pixelColor(point));
    return colours;
}

// Receives what QDesktopServices would hand to the desktop's viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

TEST_F(AppTest, StartsInTavoVeziHomeAndCreatesIt)
{
    const auto home = m_dir / "data" / "home";
    setenv("TAVO_VEZI_HOME", home.c_str(), 1);
    EXPECT_EQ(EnterStartDirectory(), std::nullopt);
    EXPECT_EQ(std::filesystem::current_path(), home);
    EXPECT_EQ(StartPath("Archive"), QString::fromStdString((home / "Archive").string()));

    // A file in the way is an error, and the directory does not change.
    std::ofstream(m_dir / "plain-file") << "x";
    setenv("TAVO_VEZI_HOME", (m_dir / "plain-file").c_str(), 1);
    const auto error = EnterStartDirectory();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains("plain-file"));
    EXPECT_EQ(std::filesystem::current_path(), home);

    unsetenv("TAVO_VEZI_HOME");
    EXPECT_EQ(EnterStartDirectory(), std::nullopt) << "unset, the directory stays";
    EXPECT_EQ(std::filesystem::current_path(), home);
}

TEST_F(AppTest, HelpFileIsTheStartDirectoryFollowedByTheHelpTitle)
{
    const std::pair<const char*, const char*> cases[] = {{"/TAVO_Vezi.html", "/TAVO_Vezi.html"},
                                                         {"\\Help\\Guide.html", "/Help/Guide.html"},
                                                         {"Guide.html", "/Guide.html"},
                                                         {"", nullptr}, {"  ", nullptr}, {"\\", nullptr}};
    for (const auto& [title, path] : cases)
        EXPECT_EQ(HelpFilePath(title), path ? QDir::currentPath() + path : QString()) << title;
    QDir::setCurrent("/");
    EXPECT_EQ(HelpFilePath("/TAVO_Vezi.html"), "/TAVO_Vezi.html");
    EXPECT_EQ(StartPath("Archive"), "/Archive");
}

TEST_F(AppTest, InitInstanceFixesTheArchiveRootLoadsLanguageAndShowsTheFrame)
{
    // Without a language folder the frame still shows.
    ASSERT_TRUE(theApp.InitInstance());
    ASSERT_NE(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    theApp.ExitInstance();

    UseShippedEnglish();
    g_Language.LoadLanguage("None");
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_EQ(theApp.m_strArchivePath, QDir::currentPath() + "/Archive");
    EXPECT_EQ(g_Language.GetString("IDS_TXT_015"), "Exit");
    ASSERT_NE(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    EXPECT_FALSE(theApp.m_pMainWnd->View()->IsReviewAreaShown());
    EXPECT_EQ(theApp.m_bStartScreen, 1);
    theApp.ExitInstance();
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST_F(AppTest, StartScreenStretchesThePictureAndGivesWayToTheReviewArea)
{
    {
        QWidget host;
        CMoss03View view(&host);
        view.resize(200, 100);
        host.show();
        const QColor blank = view.palette().window().color();
        EXPECT_EQ(ColoursAt(view, {{0, 0}, {100, 50}, {199, 99}}), std::vector<QColor>(3, blank))
            << "without the picture the view is blank";
    }
    WriteTwoColourPicture(m_dir / "Sunset.bmp");
    QWidget host;
    CMoss03View view(&host);
    view.resize(300, 120);
    host.show();
    EXPECT_EQ(ColoursAt(view, {{5, 5}, {140, 115}, {160, 5}, {295, 115}}),
              (std::vector<QColor>{Qt::red, Qt::red, Qt::blue, Qt::blue}));
    view.resize(100, 200);
    EXPECT_EQ(ColoursAt(view, {{45, 195}, {55, 195}}), (std::vector<QColor>{Qt::red, Qt::blue})) << "resized";

    auto* area = view.findChild<QSplitter*>("reviewArea");
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->isVisible());
    auto* review = new QWidget;
    view.SetReviewWindow(review);
    EXPECT_EQ(view.ReviewWindow(), review);
    EXPECT_EQ(area->count(), 2);
    EXPECT_FALSE(review->isVisible());

    view.ShowReviewArea();
    EXPECT_TRUE(review->isVisible());
    EXPECT_EQ(area->geometry(), view.rect());
    EXPECT_EQ(review->geometry(), view.rect()) << "the empty second row takes nothing";

    view.ShowStartScreen();
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(ColoursAt(view, {{5, 5}}), std::vector<QColor>{Qt::red});
}

TEST(FrameSize, ThreeQuartersBySevenTenthsWithAFloorOf850By560)
{
    // 1133 x 801 gives 849 x 560.7, truncated below the floor.
    const std::pair<QSize, QSize> cases[] = {{{1024, 768}, {850, 560}}, {{1920, 1080}, {1440, 756}},
                                             {{1280, 800}, {960, 560}}, {{1133, 801}, {850, 560}},
                                             {{1134, 802}, {850, 561}}, {{0, 0}, {850, 560}}};
    for (const auto& [screen, frame] : cases)
        EXPECT_EQ(MainFrameSize(screen), frame) << screen.width() << "x" << screen.height();
}

TEST_F(AppTest, FrameHasFixedSizeTitleAndOnlyAToolbar)
{
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(frame.windowTitle(), "TAVO_Vezi");
    EXPECT_FALSE(frame.windowIcon().isNull());
    const QSize fixed = MainFrameSize(frame.screen()->size());
    EXPECT_EQ((std::vector<QSize>{frame.size(), frame.minimumSize(), frame.maximumSize()}),
              std::vector<QSize>(3, fixed));
    EXPECT_EQ(frame.menuWidget(), nullptr);
    EXPECT_EQ(frame.findChild<QStatusBar*>(), nullptr);
    EXPECT_EQ(frame.findChildren<QToolBar*>().size(), 1);
    EXPECT_EQ(frame.createPopupMenu(), nullptr) << "the toolbar cannot be hidden";

    // The commands by object name ("command" and the command's number), "|" a separator.
    QStringList layout;
    for (QAction* action : frame.ToolBar()->actions()) {
        layout.append(action->isSeparator() ? "|" : action->objectName());
        if (action->isSeparator())
            continue;
        const QWidget* button = frame.ToolBar()->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->width() >= 80 && button->width() <= 150) << button->width();
        EXPECT_TRUE(action->icon().availableSizes().contains(QSize(32, 32))) << layout.back().toStdString();
    }
    EXPECT_EQ(layout.join(' '), "command32771 command32772 command32773 command32774 command32775 | command32776 | "
                                "command57665");
}

TEST_F(AppTest, CommandsAreEnabledFromSamplingAndReviewState)
{
    CMainFrame frame;
    // The sampler and the review window change the flags without telling the
    // frame; its timer picks them up. Sampling, review mode, then enabled:
    // Download, Instant, Review, Cases, Settings, Help, Exit.
    const std::tuple<int, int, std::vector<bool>> steps[] = {
        {0, 0, {1, 1, 1, 1, 1, 1, 1}}, {0, 1, {1, 1, 0, 1, 1, 1, 1}}, {1, 1, {0, 0, 0, 0, 1, 1, 1}},
        {0, 0, {1, 1, 1, 1, 1, 1, 1}}, {1, 0, {0, 0, 0, 0, 1, 1, 1}}, {0, 0, {1, 1, 1, 1, 1, 1, 1}}};
    for (const auto& step : steps) {
        const auto& [sampling, review, expected] = step;
        theApp.m_bSampling = sampling;
        theApp.m_bReviewMode = review;
        EXPECT_TRUE(QTest::qWaitFor([&] { return PerCommand(frame, &QAction::isEnabled) == std::get<2>(step); }, 2000))
            << "sampling " << sampling << ", review " << review << ": "
            << testing::PrintToString(PerCommand(frame, &QAction::isEnabled));
    }
}

TEST_F(AppTest, ReviewCommandLeavesTheStartScreen)
{
    CMainFrame frame;
    frame.show();
    QSignalSpy activated(&theApp, &CMoss03App::reviewActivated);
    theApp.m_strCurrentCase = "0000012";
    frame.ToolBar()->action(CommandId::WaveBackView)->trigger();
    EXPECT_TRUE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(ScreenState(), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(theApp.m_strCurrentCase, "");
    EXPECT_EQ(activated.count(), 1);
    EXPECT_FALSE(frame.ToolBar()->action(CommandId::WaveBackView)->isEnabled());

    // Back on the start screen (the review window closed), review is offered again.
    theApp.m_bReviewMode = 0;
    frame.ReturnToStartScreen();
    EXPECT_FALSE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(ScreenState(), (std::vector<int>{1, 1, 0}));
    EXPECT_TRUE(frame.ToolBar()->action(CommandId::WaveBackView)->isEnabled());

    // Live sampling takes over the screen and ends review mode.
    theApp.m_bReviewMode = 1;
    frame.EnterLiveSampling();
    EXPECT_TRUE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(ScreenState(), (std::vector<int>{0, 1, 0}));
}

TEST_F(AppTest, DownloadAndCaseManagementTellTheReviewWindowAboutTheCaseTable)
{
    CMainFrame frame;
    frame.show();
    QSignalSpy changed(&theApp, &CMoss03App::caseTableChanged);
    ModalScript script;
    // Each command's window is cancelled. Download reports at once; case
    // management posts its re-list, so that it arrives after the command.
    // What, the command, m_bStartScreen, m_bSampling, the window, the reasons.
    const std::tuple<const char*, CommandId, int, int, const char*, QList<int>> steps[] = {
        {"download, start screen: a case may be new", CommandId::DownLoad, 1, 0, "QFileDialog", {2}},
        {"cases, start screen: nothing to re-list", CommandId::CaseManage, 1, 0, "CPlaceholderDialog", {}},
        {"download beside the review window", CommandId::DownLoad, 0, 0, "QFileDialog", {1}},
        {"cases beside the review window", CommandId::CaseManage, 0, 0, "CPlaceholderDialog", {2}},
        {"cases while sampling", CommandId::CaseManage, 0, 1, "CPlaceholderDialog", {}},
        {"instant sampling asks for the case", CommandId::InstantSampling, 1, 0, "CPlaceholderDialog", {}}};
    for (const auto& [what, command, startScreen, sampling, window, reasons] : steps) {
        theApp.m_bStartScreen = startScreen;
        theApp.m_bSampling = sampling;
        QString opened;
        script.Then([&opened](QWidget* dialog) {
            opened = dialog->metaObject()->className();
            Reject(dialog);
        });
        emit frame.ToolBar()->commandTriggered(command);
        EXPECT_EQ(opened, window) << what;
        EXPECT_EQ(changed.count(), command == CommandId::DownLoad ? reasons.size() : 0) << what;
        QTest::qWait(50);
        QList<int> reported;
        for (const QList<QVariant>& call : std::as_const(changed))
            reported.append(call.at(0).toInt());
        changed.clear();
        EXPECT_EQ(reported, reasons) << what;
    }
    EXPECT_EQ(theApp.m_bFromStartScreen, 0);
}

TEST_F(AppTest, SettingsCommandAppliesTheLanguageAndPushesChangedLimits)
{
    UseShippedEnglish();
    testsupport::WriteLanguageFile(m_dir.path(), "Second", "[STRING]\nIDS_TXT_009=Live\nIDS_TXT_014=Guide\n");
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(PerCommand(frame, &QAction::text), (std::vector<QString>{"Download", "Instant Sampling", "Review",
                                                                       "Case Management", "System Settings", "Help",
                                                                       "Exit"}));
    QSignalSpy language(&theApp, &CMoss03App::languageChanged);
    QSignalSpy spo2(&theApp, &CMoss03App::spo2RangesChanged);
    QSignalSpy heartRate(&theApp, &CMoss03App::heartRateLimitsChanged);
    const auto counts = [&] { return std::vector<qsizetype>{language.count(), spo2.count(), heartRate.count()}; };
    ModalScript script;

    // What the dialog's OK does: the new language loaded, the fields assigned.
    // Toolbar texts the new file lacks are empty, never a built-in text.
    QString title;
    script.Then([&title](QWidget* dialog) {
        title = dialog->windowTitle();
        g_Settings.Language = "Second";
        g_Language.LoadLanguage(g_Settings.Language);
        static_cast<QDialog*>(dialog)->accept();
    });
    frame.OnSysSetting();
    EXPECT_EQ(title, "System Settings");
    EXPECT_EQ(PerCommand(frame, &QAction::text), (std::vector<QString>{"", "Live", "", "", "", "Guide", ""}));
    EXPECT_EQ(counts(), (std::vector<qsizetype>{1, 0, 0}));

    // Whatever the dialog's result, a changed SpO2 range or heart-rate limit is pushed.
    const std::pair<void (*)(), std::vector<qsizetype>> changes[] = {
        {[] { g_Settings.AlarmLow[2] = 60; }, {1, 1, 0}},
        {[] { g_Settings.AlarmUp[0] = 90; }, {1, 1, 1}},
        {[] { g_Settings.MinSpo2 = 50; }, {1, 2, 1}}};
    for (const auto& [change, expected] : changes) {
        script.Then([change = change](QWidget* dialog) {
            change();
            Reject(dialog);
        });
        frame.OnSysSetting();
        EXPECT_EQ(counts(), expected);
    }
}

TEST_F(AppTest, ClosingWhileSamplingAsksFirst)
{
    UseShippedEnglish();
    int stops = 0;
    theApp.m_fnStopSampling = [&stops] { return ++stops > 0; };
    ModalScript script; // a question nobody expects fails the test
    {
        CMainFrame idle;
        idle.show();
        EXPECT_TRUE(idle.close()) << "without sampling nothing is asked";
    }
    CMainFrame frame;
    frame.show();
    theApp.m_bSampling = 1;

    QString title;
    QString text;
    script.Then([&](QWidget* modal) {
        title = modal->windowTitle();
        script.Press(QMessageBox::No, &text)(modal);
    });
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(text, "Live sampling is still running.\nStop the recording and exit TAVO_Vezi?");
    EXPECT_EQ(stops, 0);

    script.Then(script.Press(QMessageBox::Yes));
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(frame.windowState() & Qt::WindowMinimized); }, 2000));

    theApp.m_bSampling = 0;
    theApp.m_bReviewMode = 1;
    frame.setWindowState(Qt::WindowMinimized);
    QTest::qWait(50);
    EXPECT_TRUE(frame.windowState() & Qt::WindowMinimized);
}

TEST_F(AppTest, HelpOpensTheHelpFileAndAboutNamesProgramVersionQtAndLicence)
{
    UseShippedEnglish();
    CMainFrame frame;
    frame.show();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    frame.ToolBar()->action(CommandId::Help)->trigger();
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QDir::currentPath() + "/TAVO_Vezi.html")});

    ModalScript script;
    QString text;
    script.Then(script.Press(QMessageBox::Ok, &text));
    frame.OnAppAbout();
    for (const char* part : {"TAVO_Vezi", QT_VERSION_STR, "GPL-3.0-or-later"})
        EXPECT_TRUE(text.contains(part)) << part << " not in " << text.toStdString();
}

TEST_F(AppTest, ReviewOfAnUnknownCaseSaysSoInTheReviewWindow)
{
    UseShippedEnglish();
    CMainFrame frame;
    frame.show();
    ModalScript script;
    QString text;
    script.Then(script.Press(QMessageBox::Ok, &text));
    frame.StartReviewOn("0000042");
    EXPECT_EQ(text, "Case 0000042 is not in the case database.");
    EXPECT_TRUE(frame.View()->IsReviewAreaShown());
    EXPECT_EQ(ScreenState(), (std::vector<int>{0, 1, 1}));
}

#include "app_test.moc"
