#include "draw/intensity_table.h"
#include "draw/smooth_line.h"

#include "test_data.h"

#include <QImage>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kFolder = testsupport::TestDataDir() / "smooth-lines";

// One line of cases.txt: NAME WIDTHxHEIGHT BACKGROUND PEN POLYLINE [| POLYLINE ...].
struct Drawing {
    std::string name;
    QSize size;
    QColor background;
    QColor pen;
    std::vector<std::vector<QPoint>> polylines;
};

QPoint ParsePoint(const std::string& text, char separator)
{
    const auto at = text.find(separator);
    return {std::stoi(text.substr(0, at)), std::stoi(text.substr(at + 1))};
}

std::vector<QPoint> ReadTraceFile(const std::string& name)
{
    std::istringstream in(testsupport::ReadRequiredText(kFolder / name));
    std::vector<QPoint> points;
    for (int x = 0, y = 0; in >> x >> y;)
        points.emplace_back(x, y);
    return points;
}

std::vector<Drawing> ReadDrawings()
{
    std::istringstream lines(testsupport::ReadRequiredText(kFolder / "cases.txt"));
    std::vector<Drawing> drawings;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Drawing drawing;
        std::string size, background, pen, word;
        fields >> drawing.name >> size >> background >> pen;
        const QPoint wh = ParsePoint(size, 'x');
        drawing.size = QSize(wh.x(), wh.y());
        drawing.background = QColor(QString::fromStdString("#" + background));
        drawing.pen = QColor(QString::fromStdString("#" + pen));
        drawing.polylines.emplace_back();
        while (fields >> word) {
            if (word == "|")
                drawing.polylines.emplace_back();
            else if (word[0] == '@')
                drawing.polylines.back() = ReadTraceFile(word.substr(1));
            else
                drawing.polylines.back().push_back(ParsePoint(word, ','));
        }
        drawings.push_back(drawing);
    }
    return drawings;
}

QImage Draw(const Drawing& drawing, bool smooth)
{
    QImage image(drawing.size, QImage::Format_RGB32);
    image.fill(drawing.background);
    CSmoothLine line(&image, smooth);
    line.SetColor(drawing.pen);
    for (const auto& polyline : drawing.polylines)
        line.DrawPolyline(polyline);
    return image;
}

// The differing pixels, the first few spelled out.
std::string Differences(const QImage& actual, const QImage& expected)
{
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & RGB_MASK;
            const QRgb e = expected.pixel(x, y) & RGB_MASK;
            if (a != e && ++count <= 5)
                out << " (" << x << "," << y << ") " << std::hex << a << " expected " << e << std::dec;
        }
    }
    if (count > 0)
        out << " - " << count << " pixels differ";
    return out.str();
}

} // namespace

TEST(SmoothLine, IntensityTableMatchesTheListedThresholds)
{
    std::istringstream in(testsupport::ReadRequiredText(kFolder / "intensity-table.txt"));
    const draw::IntensityTable& table = draw::SmoothLineIntensity();
    int rows = 0;
    for (std::string level, value; in >> level >> value; ++rows)
        EXPECT_EQ(table.at(std::stoul(level)), std::stof(value)) << "level " << level;
    EXPECT_EQ(rows, draw::kIntensityLevels);
}

TEST(SmoothLine, DrawsEveryReferenceImagePixelForPixel)
{
    const std::vector<Drawing> drawings = ReadDrawings();
    ASSERT_EQ(drawings.size(), 11u);
    for (const Drawing& drawing : drawings) {
        SCOPED_TRACE(drawing.name);
        const QImage expected(QString::fromStdString((kFolder / (drawing.name + ".png")).string()));
        ASSERT_FALSE(expected.isNull()) << "cannot read " << drawing.name << ".png";
        ASSERT_EQ(expected.size(), drawing.size);
        EXPECT_EQ(Differences(Draw(drawing, true), expected), "");
    }
}

// What the reference drawings leave out, on the horizontal line's drawing.
TEST(SmoothLine, RepeatedPointDrawsNothingAndPlainLinesLeaveOutTheEnd)
{
    std::vector<Drawing> drawings = ReadDrawings();
    ASSERT_FALSE(drawings.empty());
    Drawing horizontal = drawings.front();
    ASSERT_EQ(horizontal.name, "horizontal");
    const QImage expected(QString::fromStdString((kFolder / "horizontal.png").string()));

    Drawing repeated = horizontal;
    repeated.polylines = {{QPoint(4, 16), QPoint(30, 16), QPoint(30, 16), QPoint(60, 16)}};
    EXPECT_EQ(Differences(Draw(repeated, true), expected), "");

    QImage plain(horizontal.size, QImage::Format_RGB32);
    plain.fill(horizontal.background);
    for (int x = 4; x < 60; ++x)
        plain.setPixelColor(x, 16, horizontal.pen);
    EXPECT_EQ(Differences(Draw(horizontal, false), plain), "");
}
