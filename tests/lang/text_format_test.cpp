#include "lang/text_format.h"

#include <gtest/gtest.h>

TEST(TextFormat, FillsOnlyWhatItKnows)
{
    const struct {
        const char* format;
        std::vector<FormatArg> args;
        const char* result;
    } cases[] = {
        {"Date: %04d-%02d-%02d", {2024LL, 3LL, -5LL}, "Date: 2024-03--5"},
        {"%.1f %f|%5.2f|%-4d|%3s|%.2s", {2.26, 0.5, 3.14159, 7LL, QString("a"), QString("abc")},
         "2.3 0.500000| 3.14|7   |  a|ab"},
        {"100%% %x %n %5 %d%", {8LL}, "100% %x %n %5 8%"},
        {"%s and %d", {QString("%d")}, "%d and %d"},
        {"%d %s %d", {QString("text"), 42LL, 2.9}, "text 42 2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.result)) << c.format;
}
