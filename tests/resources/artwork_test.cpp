// The shipped pictures: the start-screen picture, the toolbar images in both
// sizes and the program icon, and the resource list that compiles them in.

#include "temp_dir.h"
#include "test_data.h"

#include <QImage>

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

const std::filesystem::path kResources = testsupport::SourceDir() / "resources";

QImage Load(const std::filesystem::path& path)
{
    return QImage(QString::fromStdString(path.string()));
}

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
    const std::filesystem::path sunset = kResources / "home/Sunset.bmp";
    EXPECT_EQ(testsupport::ReadRequiredText(sunset).substr(28, 2), std::string("\x18\0", 2)) << "a 24-bit BMP";
    const QImage start = Load(sunset);
    ASSERT_EQ(start.size(), QSize(1280, 800));
    EXPECT_NE(start.copy(0, 0, 1280, 1), start.copy(0, 400, 1280, 1)) << "a picture, not a plain fill";

    for (int index = 0; index <= 8; ++index) {
        for (int side : {32, 64}) {
            const std::string name = "toolbar-" + std::to_string(index) + (side == 64 ? "@2x" : "") + ".png";
            const QImage image = Load(kResources / "icons" / name);
            ASSERT_EQ(image.size(), QSize(side, side)) << name;
            EXPECT_TRUE(image.hasAlphaChannel()) << name;
            // Images 5 and 7 stand between separators and are never shown.
            EXPECT_TRUE(index == 5 || index == 7 || OpaquePixels(image) > side * side / 10)
                << name << " is (nearly) empty";
        }
    }
    const QImage icon = Load(kResources / "icons/tavo-vezi.png");
    ASSERT_EQ(icon.size(), QSize(128, 128));
    EXPECT_GT(OpaquePixels(icon), 128 * 128 / 2);
}

TEST(Artwork, ResourceListNamesEveryIconUnderItsOwnName)
{
    const std::string qrc = testsupport::ReadRequiredText(kResources / "resources.qrc");
    EXPECT_NE(qrc.find("<qresource prefix=\"/icons\">"), std::string::npos);
    std::set<std::string> listed;
    static const std::regex entry(R"re(<file alias="([^"]+)">icons/([^<]+)</file>)re");
    for (std::sregex_iterator it(qrc.begin(), qrc.end(), entry), last; it != last; ++it) {
        EXPECT_EQ((*it)[1].str(), (*it)[2].str()) << "the alias must keep the file's name";
        listed.insert((*it)[2].str());
    }
    std::set<std::string> shipped;
    for (const auto& item : std::filesystem::directory_iterator(kResources / "icons"))
        shipped.insert(item.path().filename().string());
    EXPECT_EQ(listed, shipped);
}
