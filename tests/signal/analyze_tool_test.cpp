#include "signal/qrs_record.h"
#include "signal/spo_result.h"

#include "child_process.h"
#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

testsupport::ChildRun Analyze(const std::vector<std::string>& arguments)
{
    return testsupport::RunChild(TAVO_ANALYZE_EXE, arguments);
}

std::filesystem::path Data(const std::string& path) { return testsupport::TestDataDir() / path; }

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

} // namespace

TEST(AnalyzeTool, AnalysesTheCaseIdFoldersOfAnArchiveRoot)
{
    // 0000003 holds no data; a killed import's staging folder, the scratch
    // folder and a file are no cases. 0000004 is too short to analyse; SpO2
    // of 0 % throughout, or of 127 % with no pulse (255), fails too.
    testsupport::TempDir root;
    ASSERT_TRUE(testsupport::CopyRequiredFile(Data("ecg-records/103/data.ecg"), root / "0000001/data.ecg"));
    ASSERT_TRUE(testsupport::CopyRequiredFile(Data("spo2-records/S0000002/data.spo"), root / "0000002/data.spo"));
    std::filesystem::create_directories(root / "0000003");
    testsupport::WriteBytes(root / "0000004/data.spo", {'x'});
    testsupport::WriteBytes(root / "0000007/data.spo", std::vector<std::uint8_t>(12, 0));
    testsupport::WriteBytes(root / "0000008/data.spo", {0x7f, 0, 0xff, 0, 0x7f, 0, 0xff, 0});
    for (const char* other : {".incoming-abc123/data.ecg", "TempData/data.ecg", "notes"})
        testsupport::WriteBytes(root / other, {'p'});

    // One worker or several: the same lines, in case order.
    for (const char* jobs : {"1", "3"}) {
        const auto run = Analyze({"-q", "--jobs", jobs, root.path()});
        EXPECT_EQ(run.exitCode, 1);
        // The heart rates summarise the record's golden once-per-second steps.
        EXPECT_EQ(run.out, "0000001: ECG 2084 beats, HR mean 69 min 63 max 90 bpm\n"
                           "0000002: SpO2 20 events, lowest 86 %, 14400 s\n");
        EXPECT_EQ(run.err, "0000004: SpO2 error: " + (root / "0000004/data.spo").string()
                               + " holds no complete SpO2 record\n0000007: SpO2: no valid value in data.spo\n"
                                 "0000008: SpO2: no valid value in data.spo\n");
        EXPECT_EQ(testsupport::ReadBytes(root / "0000001/qrs.ecg"),
                  testsupport::ReadRequiredFile(Data("ecg-records/103/expected-qrs.ecg")));
    }
    for (const char* absent : {"0000001/ana.spo", "0000002/qrs.ecg", "0000004/ana.spo"})
        EXPECT_FALSE(std::filesystem::exists(root / absent)) << absent; // nothing for a failed analysis either
    EXPECT_EQ(std::filesystem::file_size(root / "0000008/ana.spo"), kSpOResultBytes); // written all the same

    const auto swing = Analyze({"-q", "--set", "SwingIndex=2", root / "0000002"});
    EXPECT_EQ(swing.exitCode, 0) << swing.output();
    auto written = testsupport::ReadBytes(root / "0000002/ana.spo");
    auto expected = testsupport::ReadRequiredFile(Data("spo2-records/S0000002/expected-ana-swing2.spo"));
    ASSERT_EQ(expected.size(), written.size());
    written[522] = written[523] = expected[522] = expected[523] = 0; // padding
    EXPECT_EQ(written, expected);
}

TEST(AnalyzeTool, UsageErrorsAndFoldersWithoutData)
{
    testsupport::TempDir root;
    const std::string folder = root.path();
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{"--help"}, 0, "Usage: tavo-analyze"},
        {{}, 2, ""},
        {{"--set", "Level=abc", folder}, 2, ""},
        {{"--frobnicate", folder}, 2, ""},
        {{"--detector", "fast", folder}, 2, ""},
        {{"--set", "Detector=2", folder}, 2, ""},
        {{folder}, 1, "no data.ecg or data.spo"},
        {{folder + "/nowhere"}, 1, "no such folder"},
    };
    for (const auto& [arguments, exitCode, says] : cases) {
        const auto run = Analyze(arguments);
        EXPECT_EQ(run.exitCode, exitCode) << testing::PrintToString(arguments) << run.output();
        EXPECT_NE(run.output().find(says), std::string::npos) << run.output();
    }
}

TEST(AnalyzeTool, DetectorChoice)
{
    testsupport::TempDir root;
    ASSERT_TRUE(testsupport::CopyRequiredFile(Data("ecg-records/100/data.ecg"), root / "designed/data.ecg"));
    ASSERT_TRUE(testsupport::CopyRequiredFile(Data("ecg-records/100/data.ecg"), root / "enhanced/data.ecg"));
    EXPECT_EQ(Analyze({"-q", "--detector", "designed", root / "designed"}).exitCode, 0);
    EXPECT_EQ(testsupport::ReadBytes(root / "designed/qrs.ecg"),
              testsupport::ReadRequiredFile(Data("ecg-records/100/expected-qrs.ecg")));
    EXPECT_EQ(Analyze({"-q", "--detector", "enhanced", root / "enhanced"}).exitCode, 0);
    const auto enhanced = testsupport::ReadBytes(root / "enhanced/qrs.ecg");
    EXPECT_NE(enhanced, testsupport::ReadBytes(root / "designed/qrs.ecg"));
    EXPECT_EQ(Analyze({"-q", "--set", "Detector=1", root / "designed"}).exitCode, 0);
    EXPECT_EQ(testsupport::ReadBytes(root / "designed/qrs.ecg"), enhanced);
}

TEST(AnalyzeTool, ScoresFoldersAgainstOneReferenceList)
{
    // Two of three beats found and one false detection per folder.
    testsupport::TempDir root;
    std::vector<QrsRecord> beats(3);
    beats[0].Peak = 70010;
    beats[1].Peak = 70230;
    beats[2].Peak = 70300;
    const auto list = Bytes("# sample code\n70000 N\n70200 N\n70400 V\n");
    for (const char* name : {"a", "b"})
        testsupport::WriteBytes(root / name / "qrs.ecg", EncodeQrsRecords(beats));
    testsupport::WriteBytes(root / "hand.txt", list);
    const auto hand = Analyze({"--score", root / "hand.txt", root / "a", root / "b"});
    EXPECT_EQ(hand.exitCode, 0) << hand.output();
    EXPECT_EQ(hand.output(), "a: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\n"
                             "b: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\n"
                             "gross: Se 66.67 %  +P 66.67 %  TP 4  FN 2  FP 2\n");

    // A bare name is looked up in each folder, else taken as given.
    testsupport::WriteBytes(root / "a/ref_beats.txt", list);
    testsupport::WriteBytes(root / "c/ref_beats.txt", Bytes("70000 N\nseventy N\n"));
    const auto local = Analyze({"--score", "ref_beats.txt", root / "a", root / "b", root / "c"});
    EXPECT_EQ(local.exitCode, 1) << local.output();
    EXPECT_EQ(local.out, "a: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\ngross: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\n");
    EXPECT_EQ(local.err, "b: error: cannot read ref_beats.txt\nc: error: " + (root / "c/ref_beats.txt").string()
                             + ": line 2 is not \"<sample index> <code>\"\n");
}
