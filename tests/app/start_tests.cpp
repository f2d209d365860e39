#include <gtest/gtest.h>

#include "app_fixture.h"

#include "app/application.h"
#include "app/main_frame.h"
#include "app/main_view.h"
#include "app/start_directory.h"
#include "lang/language.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSplitter>
#include <cstdlib>
#include <fstream>

namespace {

// A picture whose left half is red and right half blue.
void WriteTwoColourPicture(const std::filesystem::path& file)
{
    QImage image(40, 20, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.fillRect(0, 0, 20, 20, Qt::red);
    painter.fillRect(20, 0, 20, 20, Qt::blue);
    painter.end();
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
        EXPECT_EQ(ColoursAt(view, {{0, 0}, {100, 50}, {199, 99}}), std::vector<QColor>(3, view.palette().window().color()))
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
