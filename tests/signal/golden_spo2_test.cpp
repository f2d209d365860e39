#include "signal/file_io.h"
#include "signal/spo_analysis.h"

#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<std::uint8_t> WithoutPadding(std::vector<std::uint8_t> bytes)
{
    if (bytes.size() >= 524)
        bytes[522] = bytes[523] = 0;
    return bytes;
}

// First differing byte with its meaning, for a quick look at what went wrong.
std::string FirstDifference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected)
{
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            const std::string where = i < kSpOResultBytes
                ? "block offset " + std::to_string(i)
                : "event " + std::to_string((i - kSpOResultBytes) / kSpOEventBytes) + " field "
                    + std::to_string((i - kSpOResultBytes) % kSpOEventBytes / 4);
            return where + ": " + std::to_string(actual[i]) + " vs " + std::to_string(expected[i]);
        }
    }
    if (actual.size() != expected.size())
        return "sizes differ: " + std::to_string(actual.size()) + " vs " + std::to_string(expected.size());
    return "";
}

} // namespace

TEST(GoldenSpO2, ResultFileMatchesEveryRecordWithAndWithoutSwing)
{
    for (const char* name : {"S0000001", "S0000002", "S0000003"}) {
        for (const std::int16_t swing : {0, 2}) {
            SCOPED_TRACE(std::string(name) + " swing " + std::to_string(swing));
            const auto folder = testsupport::TestDataDir() / "spo2-records" / name;
            testsupport::TempDir dir;
            SpOSettings settings;
            settings.SwingIndex = swing;
            CSpOAnalysis analysis(settings);
            ASSERT_TRUE(testsupport::CopyRequiredFile(folder / "data.spo", dir / "data.spo"));
            const base::Status analysed = analysis.AnalyseFile(dir / "data.spo");
            ASSERT_TRUE(analysed.ok()) << analysed.error();
            ASSERT_TRUE(analysis.SaveResult(dir / "ana.spo").ok());
            const auto actual = WithoutPadding(ReadWholeFile(dir / "ana.spo").value());
            const auto expected = WithoutPadding(
                testsupport::ReadRequiredFile(folder / (swing == 0 ? "expected-ana.spo" : "expected-ana-swing2.spo")));
            EXPECT_EQ(FirstDifference(actual, expected), "");
            EXPECT_TRUE(actual == expected);
        }
    }
}
