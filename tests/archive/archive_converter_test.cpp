#include "archive/archive_converter.h"
#include "archive/sample_streams.h"

#include "file_size_limit.h"
#include "hand_built.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using handbuilt::Bytes;

struct Card {
    std::filesystem::path ecg;
    std::filesystem::path spo2;
};

Card MakeCard(const std::filesystem::path& folder, std::uint16_t firstSample, std::uint16_t spo2)
{
    std::filesystem::create_directories(folder);
    Bytes ecg = handbuilt::Header();
    for (int b = 0; b < 3; ++b)
        handbuilt::AppendEcgBlock(ecg, static_cast<std::uint16_t>(firstSample + b * 253));
    Bytes spo = handbuilt::Header();
    for (int b = 0; b < 5; ++b)
        handbuilt::AppendSpO2Block(spo, spo2, 70);
    Card card{folder / "A1.ECG", folder / "A1.SPO"};
    handbuilt::WriteFile(card.ecg, ecg);
    handbuilt::WriteFile(card.spo2, spo);
    return card;
}

std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ConvertArchive, NewAndReplacedCasesAppearOnlyWhenComplete)
{
    testsupport::TempDir dir;
    const Card card = MakeCard(dir / "card", 0, 95);
    const auto root = dir / "home" / "Archive";
    const auto caseFolder = root / "0000002";

    EXPECT_EQ((archive::ArchiveSources{card.ecg, std::nullopt}).Type(), archive::SampleType::Ecg);
    EXPECT_EQ((archive::ArchiveSources{std::nullopt, card.spo2}).Type(), archive::SampleType::SpO2);
    EXPECT_FALSE(archive::ConvertArchive({}, caseFolder).ok());

    // A new case: the archive root is made, both streams arrive, nothing else.
    ASSERT_TRUE(archive::ConvertArchive({card.ecg, card.spo2}, caseFolder).ok());
    EXPECT_EQ(Entries(root), std::vector<std::string>{"0000002"});
    EXPECT_EQ(Entries(caseFolder), (std::vector<std::string>{"data.ecg", "data.spo"}));
    EXPECT_EQ(archive::EcgSampleCount(caseFolder / "data.ecg"), 3 * 253);
    EXPECT_EQ(archive::SpO2RecordCount(caseFolder / "data.spo"), 5);

    // Replacing it: the streams are swapped, the analysis results stay.
    handbuilt::WriteFile(caseFolder / "qrs.ecg", Bytes(28, 1));
    handbuilt::WriteFile(caseFolder / "ana.spo", Bytes(528, 2));
    const Card second = MakeCard(dir / "card2", 1000, 88);
    ASSERT_TRUE(archive::ConvertArchive({second.ecg, second.spo2}, root / "0000002/").ok());
    EXPECT_EQ(Entries(root), std::vector<std::string>{"0000002"});
    EXPECT_EQ(Entries(caseFolder), (std::vector<std::string>{"ana.spo", "data.ecg", "data.spo", "qrs.ecg"}));
    EXPECT_EQ(archive::ReadEcgSamples(caseFolder / "data.ecg", 0, 1).at(0), 1000);
    EXPECT_EQ(archive::ReadSpO2Records(caseFolder / "data.spo", 4, 9).at(0).spo2Percent, 88);

    // A leftover staging folder from an interrupted run does not get in the way.
    std::filesystem::create_directories(archive::StagingFolderFor(root / "0000003") / "junk");
    ASSERT_TRUE(archive::ConvertArchive({std::nullopt, card.spo2}, root / "0000003").ok());
    EXPECT_EQ(Entries(root), (std::vector<std::string>{"0000002", "0000003"}));
    EXPECT_EQ(Entries(root / "0000003"), std::vector<std::string>{"data.spo"});

    // A relative case folder lies under the current directory.
    ASSERT_TRUE(archive::ConvertArchive({card.ecg, std::nullopt}, "Archive/0000009").ok());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::current_path() / "Archive/0000009/data.ecg"));
}

TEST(ConvertArchive, FailuresAndStopsLeaveTheCaseFolderAsItWas)
{
    testsupport::TempDir dir;
    const Card card = MakeCard(dir / "card", 0, 95);
    const auto root = dir / "Archive";

    // The ECG file vanished after the SpO2 stream was already made: no case folder.
    std::filesystem::copy_file(card.spo2, dir / "card" / "B2.SPO");
    auto status = archive::ConvertArchive({dir / "card" / "B2.ECG", dir / "card" / "B2.SPO"}, root / "0000002");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("B2.ECG"), std::string::npos) << status.error();
    EXPECT_TRUE(Entries(root).empty());

    // The same fault while replacing: the old streams are untouched.
    ASSERT_TRUE(archive::ConvertArchive({card.ecg, card.spo2}, root / "0000003").ok());
    const Bytes oldEcg = handbuilt::ReadFile(root / "0000003" / "data.ecg");
    const Bytes oldSpo = handbuilt::ReadFile(root / "0000003" / "data.spo");
    const Card other = MakeCard(dir / "other", 500, 80);
    std::filesystem::remove(other.ecg);
    EXPECT_FALSE(archive::ConvertArchive({other.ecg, other.spo2}, root / "0000003").ok());
    EXPECT_EQ(handbuilt::ReadFile(root / "0000003" / "data.ecg"), oldEcg);
    EXPECT_EQ(handbuilt::ReadFile(root / "0000003" / "data.spo"), oldSpo);
    EXPECT_EQ(Entries(root), std::vector<std::string>{"0000003"});

    // A stop request: nothing is left behind.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(archive::ConvertArchive({card.ecg, card.spo2}, root / "0000004", stop.get_token()).ok());
    EXPECT_EQ(Entries(root), std::vector<std::string>{"0000003"});

    // The disk fills up while the ECG stream is written: no case folder.
    {
        Bytes big = handbuilt::Header();
        for (int b = 0; b < 100; ++b)
            handbuilt::AppendEcgBlock(big, static_cast<std::uint16_t>(b));
        handbuilt::WriteFile(dir / "card" / "BIG.ECG", big);
        FileSizeLimit full(20000);
        ASSERT_TRUE(full.active());
        status = archive::ConvertArchive({dir / "card" / "BIG.ECG", card.spo2}, root / "0000005");
    }
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("Cannot write"), std::string::npos) << status.error();
    EXPECT_EQ(Entries(root), std::vector<std::string>{"0000003"});

    // An archive root that cannot be made (a file is in the way).
    handbuilt::WriteFile(dir / "blocked", Bytes(1, 0));
    status = archive::ConvertArchive({card.ecg, card.spo2}, dir / "blocked" / "Archive" / "0000002");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("archive folder"), std::string::npos) << status.error();
}

} // namespace

namespace {

TEST(FindArchiveSources, MatchesAnyLetterCaseAndRefusesNamesThatLeaveTheFolder)
{
    testsupport::TempDir dir;
    handbuilt::WriteFile(dir / "tv000001.ecg", handbuilt::Header());
    handbuilt::WriteFile(dir / "TV000001.Spo", handbuilt::Header());

    const auto both = archive::FindArchiveSources(dir.path(), "TV000001", archive::SampleType::EcgAndSpO2);
    ASSERT_TRUE(both.has_value());
    EXPECT_EQ(both->ecgFile, dir / "tv000001.ecg");
    EXPECT_EQ(both->spo2File, dir / "TV000001.Spo");

    const auto spo2 = archive::FindArchiveSources(dir.path(), "TV000001", archive::SampleType::SpO2);
    ASSERT_TRUE(spo2.has_value());
    EXPECT_FALSE(spo2->ecgFile.has_value());

    // A missing file keeps its upper-case name, so the conversion names it.
    const auto missing = archive::FindArchiveSources(dir.path(), "TV000002", archive::SampleType::Ecg);
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->ecgFile, dir / "TV000002.ECG");
    const auto status = archive::ConvertArchive(*missing, dir / "Archive" / "0000002");
    EXPECT_NE(status.error().find("TV000002.ECG"), std::string::npos) << status.error();

    for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "a\x01", "a\nb", "a\x7f"})
        EXPECT_FALSE(archive::FindArchiveSources(dir.path(), bad, archive::SampleType::Ecg).has_value()) << bad;
}

} // namespace
