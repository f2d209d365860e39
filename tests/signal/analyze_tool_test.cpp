#include "base/atomic_file.h"
#include "case_analysis.h"
#include "signal/file_io.h"

#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int exitStatus = -1;
    std::string output;
};

ToolRun RunTool(const std::string& arguments)
{
    ToolRun run;
    const std::string command = std::string(TAVO_ANALYZE_EXE) + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = ::pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

TEST(AnalyzeTool, ArchiveRootWithEcgOnlyAndSpO2OnlyCases)
{
    testsupport::TempDir root;
    const auto records = testsupport::TestDataDir();
    ASSERT_TRUE(testsupport::CopyRequiredFile(records / "ecg-records/103/data.ecg", root / "0000001/data.ecg"));
    ASSERT_TRUE(testsupport::CopyRequiredFile(records / "spo2-records/S0000002/data.spo", root / "0000002/data.spo"));
    std::filesystem::create_directories(root / "0000003");
    std::filesystem::create_directories(root / "0000004");
    std::ofstream(root / "0000004/data.spo").put('x'); // too short to analyse

    const auto cases = FindCaseFolders(root.path());
    ASSERT_EQ(cases.size(), 3u);
    EXPECT_EQ(cases[0].filename(), "0000001");
    EXPECT_EQ(FindCaseFolders(root / "0000001"), std::vector<std::filesystem::path>{root / "0000001"});
    EXPECT_TRUE(FindCaseFolders(root / "0000003").empty());

    const ToolRun run = RunTool("-q " + root.path().string());
    EXPECT_EQ(run.exitStatus, 1) << run.output; // case 0000004 fails
    EXPECT_NE(run.output.find("0000001: ECG 2084 beats"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("0000002: SpO2 "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("0000004: SpO2 error"), std::string::npos) << run.output;
    EXPECT_EQ(ReadWholeFile(root / "0000001/qrs.ecg"),
              testsupport::ReadRequiredFile(records / "ecg-records/103/expected-qrs.ecg"));
    EXPECT_FALSE(std::filesystem::exists(root / "0000001/ana.spo"));
    EXPECT_FALSE(std::filesystem::exists(root / "0000002/qrs.ecg"));
    EXPECT_FALSE(std::filesystem::exists(root / "0000004/ana.spo")); // nothing written for a failed analysis

    const ToolRun swing = RunTool("-q --set SwingIndex=2 " + (root / "0000002").string());
    EXPECT_EQ(swing.exitStatus, 0) << swing.output;
    auto written = ReadWholeFile(root / "0000002/ana.spo").value();
    auto expected = testsupport::ReadRequiredFile(records / "spo2-records/S0000002/expected-ana-swing2.spo");
    ASSERT_EQ(expected.size(), written.size());
    written[522] = written[523] = expected[522] = expected[523] = 0;
    EXPECT_EQ(written, expected);
}

TEST(AnalyzeTool, ArchiveRootTakesCaseIdFoldersAndNeedsOneValidSpO2Value)
{
    // A killed import's staging folder, the scratch folder and a file are no
    // cases; SpO2 of 0 % throughout, or of 127 % with no pulse (255), fails.
    testsupport::TempDir root;
    ASSERT_TRUE(testsupport::CopyRequiredFile(testsupport::TestDataDir() / "spo2-records/S0000002/data.spo",
                                              root / "0000002/data.spo"));
    for (const char* other : {".incoming-abc123", "TempData", "0000007", "0000008"})
        std::filesystem::create_directories(root / other);
    std::ofstream(root / ".incoming-abc123/data.ecg") << "partial";
    std::ofstream(root / "TempData/data.ecg") << "partial";
    std::ofstream(root / "notes") << "not a case";
    std::ofstream(root / "0000007/data.spo", std::ios::binary) << std::string(12, '\0');
    std::ofstream(root / "0000008/data.spo", std::ios::binary) << std::string("\x7f\0\xff\0\x7f\0\xff\0", 8);
    const ToolRun run = RunTool("-q " + root.path().string());
    EXPECT_EQ(run.exitStatus, 1) << run.output;
    EXPECT_EQ(run.output, "0000002: SpO2 20 events, lowest 86 %, 14400 s\n"
                          "0000007: SpO2: no valid value in data.spo\n0000008: SpO2: no valid value in data.spo\n");
    EXPECT_EQ(std::filesystem::file_size(root / "0000008/ana.spo"), kSpOResultBytes);
}

TEST(AnalyzeTool, UsageErrorsAndFoldersWithoutData)
{
    testsupport::TempDir root;
    EXPECT_EQ(RunTool("--help").exitStatus, 0);
    EXPECT_EQ(RunTool("").exitStatus, 2);
    EXPECT_EQ(RunTool("--set Level=abc " + root.path().string()).exitStatus, 2);
    EXPECT_EQ(RunTool("--frobnicate " + root.path().string()).exitStatus, 2);

    const ToolRun empty = RunTool(root.path().string());
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_NE(empty.output.find("no data.ecg or data.spo"), std::string::npos) << empty.output;
    const ToolRun missing = RunTool((root / "nowhere").string());
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.output.find("no such folder"), std::string::npos) << missing.output;
}

TEST(AnalyzeTool, DetectorChoiceAndAccuracyCheck)
{
    testsupport::TempDir root;
    const auto records = testsupport::TestDataDir();
    ASSERT_TRUE(testsupport::CopyRequiredFile(records / "ecg-records/100/data.ecg", root / "designed/data.ecg"));
    ASSERT_TRUE(testsupport::CopyRequiredFile(records / "ecg-records/100/data.ecg", root / "enhanced/data.ecg"));
    ASSERT_TRUE(
        testsupport::CopyRequiredFile(records / "ecg-records/100/ref_beats.txt", root / "enhanced/ref_beats.txt"));

    EXPECT_EQ(RunTool("-q --detector designed " + (root / "designed").string()).exitStatus, 0);
    EXPECT_EQ(ReadWholeFile(root / "designed/qrs.ecg"),
              testsupport::ReadRequiredFile(records / "ecg-records/100/expected-qrs.ecg"));
    const ToolRun enhanced = RunTool("-q --detector enhanced " + (root / "enhanced").string());
    EXPECT_EQ(enhanced.exitStatus, 0) << enhanced.output;
    EXPECT_NE(ReadWholeFile(root / "enhanced/qrs.ecg"), ReadWholeFile(root / "designed/qrs.ecg"));
    EXPECT_EQ(RunTool("-q --set Detector=1 " + (root / "designed").string()).exitStatus, 0);
    EXPECT_EQ(ReadWholeFile(root / "designed/qrs.ecg"), ReadWholeFile(root / "enhanced/qrs.ecg"));
    EXPECT_EQ(RunTool("--detector fast " + root.path().string()).exitStatus, 2);
    EXPECT_EQ(RunTool("--set Detector=2 " + root.path().string()).exitStatus, 2);

    // "ref_beats.txt" is found inside the folder that holds it; the other
    // folder takes the path as given, which does not exist there.
    const ToolRun score = RunTool("--score ref_beats.txt " + (root / "enhanced").string() + " "
                                  + (root / "designed").string());
    EXPECT_EQ(score.exitStatus, 1) << score.output;
    EXPECT_NE(score.output.find("enhanced: Se "), std::string::npos) << score.output;
    EXPECT_NE(score.output.find("designed: error: cannot read ref_beats.txt"), std::string::npos) << score.output;

    // One list for several folders, hand-made: two of three beats found and
    // one false detection per folder, and the gross totals.
    std::ofstream(root / "hand.txt") << "# sample code\n70000 N\n70200 N\n70400 V\n";
    for (const char* name : {"a", "b"}) {
        std::filesystem::create_directories(root / name);
        QrsRecord first, second, third;
        first.Peak = 70010;
        second.Peak = 70230;
        third.Peak = 70300;
        const std::vector<QrsRecord> beats = {first, second, third};
        ASSERT_TRUE(base::ReplaceFile(root / name / "qrs.ecg", EncodeQrsRecords(beats)).ok());
    }
    const ToolRun hand = RunTool("--score " + (root / "hand.txt").string() + " " + (root / "a").string() + " "
                                 + (root / "b").string());
    EXPECT_EQ(hand.exitStatus, 0) << hand.output;
    EXPECT_EQ(hand.output, "a: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\n"
                           "b: Se 66.67 %  +P 66.67 %  TP 2  FN 1  FP 1\n"
                           "gross: Se 66.67 %  +P 66.67 %  TP 4  FN 2  FP 2\n");
    std::ofstream(root / "bad.txt") << "70000 N\nseventy N\n";
    const ToolRun bad = RunTool("--score " + (root / "bad.txt").string() + " " + (root / "a").string());
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_NE(bad.output.find("line 2 is not"), std::string::npos) << bad.output;
}
