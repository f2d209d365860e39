// tavo-import as a program: its options, its output lines and its exit codes.
// What an import does to the cases is the engine's part.
#include "child_process.h"
#include "import_home.h"
#include "test_data.h"
#include "transfer/card_reader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using archive::SampleType;
using testsupport::ChildRun;
using testsupport::ImportHome;
using testsupport::Lines;
using testsupport::WriteBytes;

namespace {

ChildRun RunImport(const std::vector<std::string>& arguments)
{
    return testsupport::RunChild(TAVO_IMPORT_BINARY, arguments);
}

// Imports the home's card with the options given.
ChildRun RunImport(const ImportHome& home, std::vector<std::string> options = {})
{
    options.insert(options.begin(), {"--home", home.home().string()});
    options.push_back(home.card().string());
    return RunImport(options);
}

} // namespace

TEST(ImportTool, ImportsSkipsListsReplacesKeepsBothAndDeletes)
{
    ImportHome home;
    home.AddArchives("E", 1, SampleType::Ecg, {2026, 1, 5, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 1, 5, 9, 0, 0});
    home.AddArchives("B", 1, SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0});
    const ChildRun first = RunImport(home);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(Lines(first.out), (std::vector<std::string>{"B000001\tECG+SpO2\t2026-01-05 10:00:00\tnew 0000002",
                                                          "E000001\tECG\t2026-01-05 08:00:00\tnew 0000003",
                                                          "S000001\tSpO2\t2026-01-05 09:00:00\tnew 0000004",
                                                          "3 new, 0 replaced, 0 skipped, 0 failed"}));
    const ChildRun second = RunImport(home);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(Lines(second.out).at(0), "B000001\tECG+SpO2\t2026-01-05 10:00:00\tskipped (loaded as 0000002)");
    EXPECT_EQ(Lines(second.out).back(), "0 new, 0 replaced, 3 skipped, 0 failed");

    // The list from the start folder named by the environment, as JSON.
    setenv("TAVO_VEZI_HOME", home.home().c_str(), 1);
    const ChildRun json = RunImport({"--list", "--json", home.card().string()});
    unsetenv("TAVO_VEZI_HOME");
    EXPECT_EQ(json.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonArray archives = object["archives"].toArray();
    ASSERT_EQ(archives.size(), 3);
    EXPECT_EQ(archives[1].toObject()["name"].toString(), "E000001");
    EXPECT_EQ(archives[1].toObject()["loadedCaseId"].toString(), "0000003");
    EXPECT_TRUE(archives[1].toObject()["loaded"].toBool());
    EXPECT_EQ(object["summary"].toObject()["listed"].toInt(), 3);

    const ChildRun replaced = RunImport(home, {"--replace"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(Lines(replaced.out).at(1), "E000001\tECG\t2026-01-05 08:00:00\treplaced 0000003");
    const ChildRun both = RunImport(home, {"--keep-both"});
    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(Lines(both.out).back(), "3 new, 0 replaced, 0 skipped, 0 failed");
    EXPECT_EQ(RunImport(home, {"--replace", "--keep-both"}).exitCode, 2);

    // Delete-after takes exactly the imported archives off the card.
    home.AddArchives("N", 2, SampleType::Ecg, {2026, 4, 1, 9, 0, 0});
    WriteBytes(home.card() / "notes.txt", {'h', 'i'});
    const ChildRun deleted = RunImport(home, {"--delete-after"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.out;
    EXPECT_EQ(Lines(deleted.out).at(2), "N000001\tECG\t2026-04-01 09:00:00\tnew 0000008 (deleted from the card)");
    const std::vector<std::filesystem::path> left{home.card() / "B000001.ECG", home.card() / "B000001.SPO",
                                                  home.card() / "E000001.ECG", home.card() / "S000001.SPO"};
    EXPECT_EQ(FindDeviceFiles(home.card()), left);
    EXPECT_TRUE(std::filesystem::exists(home.card() / "notes.txt"));
}

TEST(ImportTool, FailuresGetALineEachAndExitOne)
{
    ImportHome home;
    home.AddArchives("V", 1, SampleType::Ecg, {2026, 5, 1, 9, 0, 0}, 30);
    WriteBytes(home.card() / "SHORT.SPO", {1, 2, 3, 4});
    WriteBytes(home.card() / "x\x01y.ECG", std::vector<std::uint8_t>(600, 0));

    const ChildRun run = RunImport(home);
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "V000001\tECG\t2026-05-01 09:00:00\tnew 0000002");
    EXPECT_TRUE(lines[1].starts_with("SHORT.SPO\tfailed: ")) << lines[1];
    // Control characters in a name are not passed on to the terminal.
    EXPECT_EQ(lines[2], "x?y.ECG\tfailed: the archive name holds control characters");
    EXPECT_EQ(lines[3], "1 new, 0 replaced, 0 skipped, 2 failed");
}

TEST(ImportTool, BadUsageAndUnreachableDatabaseExitTwo)
{
    ImportHome home;
    home.AddArchives("U", 1, SampleType::Ecg);
    const std::string start = home.home().string();
    const std::string card = home.card().string();
    const std::vector<std::vector<std::string>> refused{
        {}, {"--frobnicate", "x"}, {"--home", "/nonexistent/start", card}, {"--home", start, "/nonexistent/card"}};
    for (const auto& arguments : refused) {
        const ChildRun run = RunImport(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.output();
        EXPECT_TRUE(run.err.starts_with("tavo-import: ")) << run.err;
    }
    testsupport::TempDir emptyCard;
    const ChildRun empty = RunImport({"--home", start, emptyCard.path().string()});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_NE(empty.err.find("no .ECG or .SPO files"), std::string::npos);
    const ChildRun help = RunImport({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--delete-after"), std::string::npos);

    // A data source "Case" on a driver that is not installed.
    testsupport::TempDir other;
    std::ofstream(other / "odbc.ini") << "[Case]\nDriver=/nonexistent/libnosuchodbc.so\nDatabase=nowhere\n";
    setenv("ODBCINI", (other / "odbc.ini").c_str(), 1);
    const ChildRun unreachable = RunImport(home);
    EXPECT_EQ(unreachable.exitCode, 2);
    EXPECT_NE(unreachable.err.find("case database"), std::string::npos) << unreachable.err;
    EXPECT_FALSE(std::filesystem::exists(home.archiveRoot()));
}
