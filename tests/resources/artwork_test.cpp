// The shipped pictures: the start-screen picture, the toolbar images in both
// sizes and the program icon, and the resource list that compiles them in.

#include "image_files.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using resourcetest::BmpInfo;
using resourcetest::ReadBmp;
using resourcetest::ReadRgbaPng;
using resourcetest::RgbaImage;

namespace {

std::filesystem::path ResourcesDir() { return testsupport::SourceDir() / "resources"; }

std::string ToolbarName(int index, bool doubleSize)
{
    return "toolbar-" + std::to_string(index) + (doubleSize ? "@2x" : "") + ".png";
}

// Images 5 and 7 stand between separators and are never shown.
bool IsShownOnTheToolbar(int index) { return index != 5 && index != 7; }

} // namespace

TEST(Artwork, StartScreenPictureIsA24BitBmp)
{
    BmpInfo info;
    ASSERT_EQ(ReadBmp(ResourcesDir() / "home" / "Sunset.bmp", info), "");
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(std::abs(info.height), 800);
    EXPECT_EQ(info.bitsPerPixel, 24);
    // A picture, not a plain fill: the first and the middle row differ.
    const size_t stride = 1280 * 3;
    EXPECT_FALSE(std::equal(info.pixels.begin(), info.pixels.begin() + stride,
                            info.pixels.begin() + 400 * stride));
}

TEST(Artwork, ToolbarImagesComeInBothSizes)
{
    for (int index = 0; index <= 8; ++index) {
        for (bool doubleSize : {false, true}) {
            const std::string name = ToolbarName(index, doubleSize);
            RgbaImage image;
            ASSERT_EQ(ReadRgbaPng(ResourcesDir() / "icons" / name, image), "") << name;
            const int side = doubleSize ? 64 : 32;
            EXPECT_EQ(image.width, side) << name;
            EXPECT_EQ(image.height, side) << name;
            if (IsShownOnTheToolbar(index)) {
                EXPECT_GT(image.opaquePixels(), side * side / 10) << name << " is (nearly) empty";
            }
        }
    }
    RgbaImage icon;
    ASSERT_EQ(ReadRgbaPng(ResourcesDir() / "icons" / "tavo-vezi.png", icon), "");
    EXPECT_EQ(icon.width, 128);
    EXPECT_EQ(icon.height, 128);
    EXPECT_GT(icon.opaquePixels(), 128 * 128 / 2);
}

TEST(Artwork, DamagedFilesAreRefused)
{
    testsupport::TempDir dir;
    const auto copyWith = [&](const std::filesystem::path& from, const std::string& name,
                              auto&& change) {
        std::ifstream in(from, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        change(bytes);
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    };
    const std::filesystem::path png = ResourcesDir() / "icons" / ToolbarName(0, false);
    RgbaImage image;
    EXPECT_EQ(ReadRgbaPng(copyWith(png, "flipped.png", [](std::string& b) { b[b.size() / 2] ^= 0x40; }), image),
              std::string("bad CRC in chunk IDAT"));
    EXPECT_NE(ReadRgbaPng(copyWith(png, "cut.png", [](std::string& b) { b.resize(b.size() - 20); }), image), "");
    EXPECT_NE(ReadRgbaPng(dir / "missing.png", image), "");

    const std::filesystem::path bmp = ResourcesDir() / "home" / "Sunset.bmp";
    BmpInfo info;
    EXPECT_NE(ReadBmp(copyWith(bmp, "cut.bmp", [](std::string& b) { b.resize(b.size() - 3); }), info), "");
    EXPECT_NE(ReadBmp(copyWith(bmp, "packed.bmp", [](std::string& b) { b[30] = 1; }), info), "");
}

TEST(Artwork, ResourceListNamesEveryIconUnderItsOwnName)
{
    std::ifstream in(ResourcesDir() / "resources.qrc");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string qrc = text.str();
    EXPECT_NE(qrc.find("<qresource prefix=\"/icons\">"), std::string::npos);

    std::set<std::string> listed;
    static const std::regex entry(R"re(<file alias="([^"]+)">icons/([^<]+)</file>)re");
    for (std::sregex_iterator it(qrc.begin(), qrc.end(), entry), last; it != last; ++it) {
        EXPECT_EQ((*it)[1].str(), (*it)[2].str()) << "the alias must keep the file's name";
        EXPECT_TRUE(std::filesystem::is_regular_file(ResourcesDir() / "icons" / (*it)[2].str())) << (*it)[2];
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
