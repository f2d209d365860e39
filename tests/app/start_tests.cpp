#include <gtest/gtest.h>

#include "app_fixture.h"

#include "app/application.h"
#include "app/main_frame.h"
#include "app/main_view.h"
#include "app/start_directory.h"
#include "lang/language.h"
#include "settings/system_settings.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSplitter>
#include <QTest>
#include <cstdlib>
#include <fstream>

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : m_name(name)
    {
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { unsetenv(m_name); }

private:
    const char* m_name;
};

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

QString Cwd()
{
    return QDir::currentPath();
}

} // namespace

TEST_F(AppTest, StartsInTavoVeziHomeAndCreatesIt)
{
    const auto home = m_dir / "data" / "home";
    {
        ScopedEnv env("TAVO_VEZI_HOME", home.string());
        EXPECT_EQ(EnterStartDirectory(), std::nullopt);
    }
    EXPECT_TRUE(std::filesystem::is_directory(home));
    EXPECT_EQ(std::filesystem::current_path(), home);
    EXPECT_EQ(StartPath("Archive"), QString::fromStdString((home / "Archive").string()));

    // Unset: the directory stays what it is.
    EXPECT_EQ(EnterStartDirectory(), std::nullopt);
    EXPECT_EQ(std::filesystem::current_path(), home);

    // A file in the way is an error, and the directory does not change.
    std::ofstream(m_dir / "plain-file") << "x";
    ScopedEnv env("TAVO_VEZI_HOME", (m_dir / "plain-file").string());
    const auto error = EnterStartDirectory();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains("plain-file"));
    EXPECT_EQ(std::filesystem::current_path(), home);
}

TEST_F(AppTest, HelpFileIsTheStartDirectoryFollowedByTheHelpTitle)
{
    EXPECT_EQ(HelpFilePath("/TAVO_Vezi.html"), Cwd() + "/TAVO_Vezi.html");
    EXPECT_EQ(HelpFilePath("\\Help\\Guide.html"), Cwd() + "/Help/Guide.html");
    EXPECT_EQ(HelpFilePath("Guide.html"), Cwd() + "/Guide.html");
    EXPECT_EQ(HelpFilePath(""), "");
    EXPECT_EQ(HelpFilePath("  "), "");
    EXPECT_EQ(HelpFilePath("\\"), "");
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

    WriteLanguage("English", kToolbarLanguage);
    ASSERT_TRUE(theApp.InitInstance());
    EXPECT_EQ(theApp.m_strArchivePath, Cwd() + "/Archive");
    EXPECT_EQ(g_Language.languageName(), "English");
    ASSERT_NE(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(theApp.m_pMainWnd->isVisible());
    EXPECT_FALSE(theApp.m_pMainWnd->View()->IsReviewAreaShown());
    EXPECT_EQ(theApp.m_bStartScreen, 1);
    theApp.ExitInstance();
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST_F(AppTest, StartScreenStretchesThePictureOverTheView)
{
    {   // Without the picture the view is blank.
        QWidget host;
        CMoss03View view(&host);
        view.resize(200, 100);
        host.show();
        const QImage shot = view.grab().toImage();
        const QColor blank = view.palette().window().color();
        for (QPoint p : {QPoint(0, 0), QPoint(100, 50), QPoint(199, 99)})
            EXPECT_EQ(QColor(shot.pixel(p)), blank);
    }
    WriteTwoColourPicture(m_dir / "Sunset.bmp");
    QWidget host;
    CMoss03View view(&host);
    view.resize(300, 120);
    host.show();
    QImage shot = view.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(300, 120));
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(140, 115)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(160, 5)), QColor(Qt::blue));
    EXPECT_EQ(QColor(shot.pixel(295, 115)), QColor(Qt::blue));

    // Resized, the picture follows the new size.
    view.resize(100, 200);
    shot = view.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(45, 195)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(55, 195)), QColor(Qt::blue));
}

TEST_F(AppTest, ReviewAreaFillsTheViewAndHostsTheReviewWindow)
{
    WriteTwoColourPicture(m_dir / "Sunset.bmp");
    QWidget host;
    CMoss03View view(&host);
    view.resize(300, 200);
    host.show();
    auto* area = view.findChild<QSplitter*>("reviewArea");
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(area->count(), 2);

    auto* review = new QWidget;
    review->setObjectName("reviewWindow");
    view.SetReviewWindow(review);
    EXPECT_EQ(view.ReviewWindow(), review);
    EXPECT_EQ(area->count(), 2);
    EXPECT_FALSE(review->isVisible());

    view.ShowReviewArea();
    EXPECT_TRUE(area->isVisible());
    EXPECT_EQ(area->geometry(), view.rect());
    EXPECT_TRUE(review->isVisible());
    EXPECT_EQ(review->geometry(), view.rect()); // the empty second row takes nothing
    EXPECT_EQ(area->sizes().at(1), 0);

    view.ShowStartScreen();
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(QColor(view.grab().toImage().pixel(5, 5)), QColor(Qt::red));
}
