#include "draw/intensity_table.h"
#include "draw/smooth_line.h"

#include "test_data.h"

#include <QImage>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::filesystem::path kFolder = testsupport::TestDataDir() / "smooth-lines";

// Where the first pixel of another colour is.
std::string Differences(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return "sizes differ";
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) ^ expected.pixel(x, y)) & RGB_MASK)
                return (std::ostringstream() << "(" << x << "," << y << ") differs").str();
    return "";
}

// The rest of a line of cases.txt: WIDTHxHEIGHT BACKGROUND PEN POLYLINE [| POLYLINE ...].
QImage Draw(std::istringstream& fields)
{
    std::string size, background, pen, word;
    fields >> size >> background >> pen;
    QImage image(std::stoi(size), std::stoi(size.substr(size.find('x') + 1)), QImage::Format_RGB32);
    image.fill(QColor(QString::fromStdString("#" + background)));
    CSmoothLine line(&image, true);
    line.SetColor(QColor(QString::fromStdString("#" + pen)));
    std::vector<QPoint> points;
    while (fields >> word) {
        if (word == "|") {
            line.DrawPolyline(std::exchange(points, {}));
        } else if (word[0] == '@') {
            std::istringstream trace(testsupport::ReadRequiredText(kFolder / word.substr(1)));
            for (int x = 0, y = 0; trace >> x >> y;)
                points.emplace_back(x, y);
        } else {
            points.emplace_back(std::stoi(word), std::stoi(word.substr(word.find(',') + 1)));
        }
    }
    line.DrawPolyline(points);
    return image;
}

} // namespace

TEST(SmoothLine, IntensityTableMatchesTheListedThresholds)
{
    std::istringstream in(testsupport::ReadRequiredText(kFolder / "intensity-table.txt"));
    int rows = 0;
    for (std::string level, value; in >> level >> value; ++rows)
        EXPECT_EQ(draw::SmoothLineIntensity().at(std::stoul(level)), std::stof(value)) << "level " << level;
    EXPECT_EQ(rows, draw::kIntensityLevels);
}

// The reference drawings, and once more the horizontal line with a repeated
// point in it, which must draw nothing.
TEST(SmoothLine, DrawsEveryReferenceImagePixelForPixel)
{
    std::istringstream lines(testsupport::ReadRequiredText(kFolder / "cases.txt")
                             + "horizontal 64x32 ffffff 000000 4,16 30,16 30,16 60,16\n");
    int drawings = 0;
    for (std::string line, name; std::getline(lines, line);) {
        std::istringstream fields(line);
        if (!(fields >> name) || name[0] == '#')
            continue;
        SCOPED_TRACE(name);
        ++drawings;
        const QImage expected(QString::fromStdString((kFolder / (name + ".png")).string()));
        EXPECT_EQ(Differences(Draw(fields), expected), "");
    }
    EXPECT_EQ(drawings, 12);
}

// Plain lines are one pixel wide, unblended, and leave out their end point.
TEST(SmoothLine, PlainLinesLeaveOutTheEnd)
{
    QImage plain(64, 32, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QImage expected = plain;
    for (int x = 4; x < 60; ++x)
        expected.setPixel(x, 16, qRgb(0, 0, 0));
    CSmoothLine(&plain, false).DrawPolyline(std::vector<QPoint>{{4, 16}, {60, 16}});
    EXPECT_EQ(Differences(plain, expected), "");
}
