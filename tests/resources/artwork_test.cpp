// The shipped pictures: the start-screen picture, the toolbar images in both
// sizes and the program icon, and the resource list that compiles them in.

#include "english_ini.h"

#include <QImage>

#include <gtest/gtest.h>

#include <regex>
#include <set>

using resourcetest::ResourcesDir;

namespace {

std::string ToolbarName(int index, bool doubleSize)
{
    return "toolbar-" + std::to_string(index) + (doubleSize ? "@2x" : "") + ".png";
}

QImage Load(const std::filesystem::path& path) { return QImage(QString::fromStdString(path.string())); }

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) != 0;
    return count;
}

} // namespace

TEST(Artwork, PicturesDecodeWithTheirSizes)
{
    const std::filesystem::path sunset = ResourcesDir() / "home" / "Sunset.bmp";
    const std::string header = resourcetest::ReadText(sunset).substr(0, 30);
    ASSERT_EQ(header.size(), 30u);
    EXPECT_EQ(header.substr(28, 2), std::string("\x18\0", 2)) << "a 24-bit BMP";
    const QImage start = Load(sunset);
    ASSERT_EQ(start.size(), QSize(1280, 800));
    EXPECT_NE(start.copy(0, 0, 1280, 1), start.copy(0, 400, 1280, 1)) << "a picture, not a plain fill";

    for (int index = 0; index <= 8; ++index) {
        for (bool doubleSize : {false, true}) {
            const std::string name = ToolbarName(index, doubleSize);
            const QImage image = Load(ResourcesDir() / "icons" / name);
            const int side = doubleSize ? 64 : 32;
            ASSERT_EQ(image.size(), QSize(side, side)) << name;
            EXPECT_TRUE(image.hasAlphaChannel()) << name;
            // Images 5 and 7 stand between separators and are never shown.
            if (index != 5 && index != 7) {
                EXPECT_GT(OpaquePixels(image), side * side / 10) << name << " is (nearly) empty";
            }
        }
    }
    const QImage icon = Load(ResourcesDir() / "icons" / "tavo-vezi.png");
    ASSERT_EQ(icon.size(), QSize(128, 128));
    EXPECT_GT(OpaquePixels(icon), 128 * 128 / 2);
}

TEST(Artwork, ResourceListNamesEveryIconUnderItsOwnName)
{
    const std::string qrc = resourcetest::ReadText(ResourcesDir() / "resources.qrc");
    EXPECT_NE(qrc.find("<qresource prefix=\"/icons\">"), std::string::npos);

    std::set<std::string> listed;
    static const std::regex entry(R"re(<file alias="([^"]+)">icons/([^<]+)</file>)re");
    for (std::sregex_iterator it(qrc.begin(), qrc.end(), entry), last; it != last; ++it) {
        EXPECT_EQ((*it)[1].str(), (*it)[2].str()) << "the alias must keep the file's name";
        listed.insert((*it)[2].str());
    }
    std::set<std::string> shipped;
    for (const auto& item : std::filesystem::directory_iterator(ResourcesDir() / "icons"))
        shipped.insert(item.path().filename().string());
    EXPECT_EQ(listed, shipped);
    for (int index = 0; index <= 8; ++index) {
        EXPECT_TRUE(listed.count(ToolbarName(index, false))) << index;
        EXPECT_TRUE(listed.count(ToolbarName(index, true))) << index;
    }
}
