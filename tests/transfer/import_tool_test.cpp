#include "import_fixture.h"
#include "transfer/card_reader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace transfertest;
using archive::SampleType;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun RunImport(const QStringList& arguments)
{
    QProcess process;
    process.start(TAVO_IMPORT_BINARY, arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

QStringList Args(const ImportHome& home, QStringList more)
{
    return QStringList{"--home", QString::fromStdString(home.home().string())} + more
           + QStringList{QString::fromStdString(home.card().string())};
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

void MakeMixedCard(const ImportHome& home)
{
    home.AddArchives("E", 1, SampleType::Ecg, {2026, 1, 5, 8, 0, 0});
    home.AddArchives("S", 1, SampleType::SpO2, {2026, 1, 5, 9, 0, 0});
    home.AddArchives("B", 1, SampleType::EcgAndSpO2, {2026, 1, 5, 10, 0, 0});
}

} // namespace

TEST(ImportTool, MixedCardImportsOnceThenSkips)
{
    ImportHome home;
    MakeMixedCard(home);
    const ToolRun first = RunImport(Args(home, {}));
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(Lines(first.out), (std::vector<std::string>{"B000001\tECG+SpO2\t2026-01-05 10:00:00\tnew 0000002",
                                                          "E000001\tECG\t2026-01-05 08:00:00\tnew 0000003",
                                                          "S000001\tSpO2\t2026-01-05 09:00:00\tnew 0000004",
                                                          "3 new, 0 replaced, 0 skipped, 0 failed"}));
    const auto rows = home.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].tavoId, "B000001");
    EXPECT_EQ(rows[0].style, SampleType::EcgAndSpO2);
    EXPECT_EQ(rows[1].style, SampleType::Ecg);
    EXPECT_EQ(rows[2].sampleTime, (archive::DateTime{2026, 1, 5, 9, 0, 0}));
    const auto root = home.archiveRoot();
    EXPECT_EQ(ReadBytes(root / "0000002" / "data.ecg"), ReadBytes(home.truth() / "B000001" / "data.ecg"));
    EXPECT_EQ(ReadBytes(root / "0000002" / "data.spo"), ReadBytes(home.truth() / "B000001" / "data.spo"));
    EXPECT_EQ(ReadBytes(root / "0000003" / "data.ecg"), ReadBytes(home.truth() / "E000001" / "data.ecg"));
    EXPECT_EQ(ReadBytes(root / "0000004" / "data.spo"), ReadBytes(home.truth() / "S000001" / "data.spo"));
    EXPECT_FALSE(std::filesystem::exists(root / "0000003" / "data.spo"));

    const ToolRun second = RunImport(Args(home, {}));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(Lines(second.out).at(0), "B000001\tECG+SpO2\t2026-01-05 10:00:00\tskipped (loaded as 0000002)");
    EXPECT_EQ(Lines(second.out).back(), "0 new, 0 replaced, 3 skipped, 0 failed");
    EXPECT_EQ(home.Rows().size(), 3u);

    // The same from the start folder named by the environment, as JSON.
    setenv("TAVO_VEZI_HOME", home.home().c_str(), 1);
    const ToolRun json = RunImport({"--list", "--json", QString::fromStdString(home.card().string())});
    unsetenv("TAVO_VEZI_HOME");
    EXPECT_EQ(json.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonArray archives = object["archives"].toArray();
    ASSERT_EQ(archives.size(), 3);
    EXPECT_EQ(archives[1].toObject()["name"].toString(), "E000001");
    EXPECT_EQ(archives[1].toObject()["loadedCaseId"].toString(), "0000003");
    EXPECT_TRUE(archives[1].toObject()["loaded"].toBool());
    EXPECT_EQ(object["summary"].toObject()["listed"].toInt(), 3);
}

TEST(ImportTool, ReplaceKeepBothAndDeleteAfter)
{
    ImportHome home;
    home.AddArchives("K", 2, SampleType::EcgAndSpO2);
    ASSERT_EQ(RunImport(Args(home, {})).exitCode, 0);
    home.Execute("UPDATE \"CaseManage\" SET \"BeDelete\" = 1 WHERE \"CaseID\" = '0000003'");

    const ToolRun replaced = RunImport(Args(home, {"--replace"}));
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(Lines(replaced.out).at(1), "K000002\tECG+SpO2\t2026-01-05 23:01:30\treplaced 0000003");
    EXPECT_EQ(home.Rows().size(), 2u);
    EXPECT_FALSE(home.Rows().at(1).deleted);

    const ToolRun both = RunImport(Args(home, {"--keep-both"}));
    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(Lines(both.out).back(), "2 new, 0 replaced, 0 skipped, 0 failed");
    EXPECT_EQ(home.Rows().size(), 4u);

    EXPECT_EQ(RunImport(Args(home, {"--replace", "--keep-both"})).exitCode, 2);

    // Delete-after takes exactly the imported archives off the card.
    home.AddArchives("N", 2, SampleType::Ecg, {2026, 4, 1, 9, 0, 0});
    WriteBytes(home.card() / "notes.txt", {'h', 'i'});
    const ToolRun deleted = RunImport(Args(home, {"--delete-after"}));
    EXPECT_EQ(deleted.exitCode, 0) << deleted.out;
    EXPECT_EQ(Lines(deleted.out).at(2), "N000001\tECG\t2026-04-01 09:00:00\tnew 0000006 (deleted from the card)");
    const std::vector<std::filesystem::path> left{home.card() / "K000001.ECG", home.card() / "K000001.SPO",
                                                  home.card() / "K000002.ECG", home.card() / "K000002.SPO"};
    EXPECT_EQ(FindDeviceFiles(home.card()), left);
    EXPECT_TRUE(std::filesystem::exists(home.card() / "notes.txt"));
}

TEST(ImportTool, DamagedFilesAndFailures)
{
    ImportHome home;
    home.AddArchives("V", 2, SampleType::Ecg, {2026, 5, 1, 9, 0, 0}, 30);
    WriteBytes(home.card() / "SHORT.SPO", {1, 2, 3, 4});
    WriteBytes(home.card() / "x\x01y.ECG", std::vector<std::uint8_t>(600, 0));
    const std::string longName(65, 'L');
    WriteBytes(home.card() / (longName + ".ECG"), std::vector<std::uint8_t>(600, 0));
    auto odd = ReadBytes(home.card() / "V000002.ECG");
    odd.push_back(0xFF);   // an odd size: the last byte is no word
    WriteBytes(home.card() / "V000002.ECG", odd);

    const ToolRun run = RunImport(Args(home, {}));
    EXPECT_EQ(run.exitCode, 1);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "V000001\tECG\t2026-05-01 09:00:00\tnew 0000002");
    EXPECT_EQ(lines[1], "V000002\tECG\t2026-05-01 10:00:30\tnew 0000003");
    EXPECT_EQ(lines[5], "2 new, 0 replaced, 0 skipped, 3 failed");
    EXPECT_NE(run.out.find(longName + ".ECG\tfailed: the archive name is longer than the 64 characters"),
              std::string::npos);
    EXPECT_NE(run.out.find("SHORT.SPO\tfailed: "), std::string::npos);
    EXPECT_NE(run.out.find("x?y.ECG\tfailed: the archive name holds control characters"), std::string::npos);
    EXPECT_EQ(ReadBytes(home.archiveRoot() / "0000003" / "data.ecg"),
              ReadBytes(home.truth() / "V000002" / "data.ecg"));
}

TEST(ImportTool, BadUsageAndUnreachableDatabase)
{
    ImportHome home;
    home.AddArchives("U", 1, SampleType::Ecg);
    EXPECT_EQ(RunImport({}).exitCode, 2);
    EXPECT_EQ(RunImport({"--frobnicate", "x"}).exitCode, 2);
    EXPECT_EQ(RunImport({"--home", "/nonexistent/start", QString::fromStdString(home.card().string())}).exitCode, 2);
    EXPECT_EQ(RunImport({"--home", QString::fromStdString(home.home().string()), "/nonexistent/card"}).exitCode, 2);
    testsupport::TempDir emptyCard;
    const ToolRun empty = RunImport({"--home", QString::fromStdString(home.home().string()),
                                     QString::fromStdString(emptyCard.path().string())});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_NE(empty.err.find("no .ECG or .SPO files"), std::string::npos);
    const ToolRun help = RunImport({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--delete-after"), std::string::npos);

    // A data source "Case" on a driver that is not installed.
    testsupport::TempDir other;
    {
        std::ofstream ini(other / "odbc.ini");
        ini << "[Case]\nDriver=/nonexistent/libnosuchodbc.so\nDatabase=nowhere\n";
    }
    setenv("ODBCINI", (other / "odbc.ini").c_str(), 1);
    const ToolRun unreachable = RunImport(Args(home, {}));
    EXPECT_EQ(unreachable.exitCode, 2);
    EXPECT_NE(unreachable.err.find("case database"), std::string::npos) << unreachable.err;
    EXPECT_FALSE(std::filesystem::exists(home.archiveRoot()));
}
