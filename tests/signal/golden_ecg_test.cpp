#include "signal/ecg_analysis.h"
#include "signal/file_io.h"
#include "signal/qrs_record.h"

#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kRecords[] = {"100", "102", "103", "104", "105", "106", "107", "108", "208", "800"};

std::filesystem::path RecordDir(const std::string& name) { return testsupport::TestDataDir() / "ecg-records" / name; }

std::string Describe(const QrsRecord& r)
{
    std::ostringstream out;
    out << "Onset " << r.Onset << " Peak " << r.Peak << " End " << r.End << " RR " << r.RRInterval << " ratio "
        << r.RRRatio << " width " << r.QrsWidth << " class " << r.BeatClass << " noise " << int(r.NoiseCount);
    return out.str();
}

// Names the first differing record field by field, which says far more than
// a byte offset.
std::string FirstDifference(const std::vector<QrsRecord>& actual, const std::vector<QrsRecord>& expected)
{
    for (std::size_t k = 0; k < std::min(actual.size(), expected.size()); ++k) {
        if (!(actual[k] == expected[k]))
            return "record " + std::to_string(k) + "\n  actual   " + Describe(actual[k]) + "\n  expected "
                + Describe(expected[k]);
    }
    if (actual.size() != expected.size())
        return "record counts differ: " + std::to_string(actual.size()) + " vs " + std::to_string(expected.size());
    return "";
}

} // namespace

TEST(GoldenEcg, BeatFileMatchesEveryRecordByteForByte)
{
    for (const char* name : kRecords) {
        SCOPED_TRACE(name);
        testsupport::TempDir dir;
        ASSERT_TRUE(testsupport::CopyRequiredFile(RecordDir(name) / "data.ecg", dir / "data.ecg"));
        CECGAnalysis analysis;
        const EcgFileResult result = analysis.ProcessFile(dir.path());
        ASSERT_TRUE(result.status.ok()) << result.status.error();
        const auto actual = testsupport::ReadRequiredFile(dir / "qrs.ecg");
        const auto expected = testsupport::ReadRequiredFile(RecordDir(name) / "expected-qrs.ecg");
        EXPECT_EQ(FirstDifference(DecodeQrsRecords(actual), DecodeQrsRecords(expected)), "");
        EXPECT_TRUE(actual == expected);
        EXPECT_EQ(result.beats, expected.size() / kQrsRecordBytes);
    }
}

TEST(GoldenEcg, HeartRateStepsMatchEveryRecord)
{
    for (const char* name : kRecords) {
        SCOPED_TRACE(name);
        const auto data = testsupport::ReadRequiredFile(RecordDir(name) / "data.ecg");
        testsupport::TempDir dir;
        CECGAnalysis analysis;
        ASSERT_TRUE(analysis.Init(1, 0, dir.path(), true).ok());
        std::ostringstream steps;
        for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
            std::uint16_t sample = static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8));
            if (analysis.ProcessSample(std::span<std::uint16_t>(&sample, 1)))
                steps << i / 2 << ' ' << analysis.GetHeartRate() << '\n';
        }
        const std::string actualText = steps.str();
        const std::string expectedText = testsupport::ReadRequiredText(RecordDir(name) / "expected-hr.txt");
        if (actualText != expectedText) {
            std::size_t at = 0;
            while (at < actualText.size() && at < expectedText.size() && actualText[at] == expectedText[at])
                ++at;
            const std::size_t line = actualText.rfind('\n', at) == std::string::npos ? 0 : actualText.rfind('\n', at) + 1;
            ADD_FAILURE() << "first difference near: actual '" << actualText.substr(line, 40) << "' expected '"
                          << expectedText.substr(line, 40) << "'";
        }
    }
}
