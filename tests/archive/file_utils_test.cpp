#include "archive/archive_paths.h"
#include "archive/file_utils.h"
#include "archive/sample_streams.h"
#include "base/atomic_file.h"

#include "hand_built.h"
#include "temp_dir.h"
#include "test_data.h"

#include <gtest/gtest.h>


#include <sys/stat.h>

namespace {

using namespace std::string_literals;
using archive::CreateDirectoryTree;
using archive::DeleteDirectoryTree;
using archive::DirectoryExists;

TEST(FolderUtilities, CreateAndFindTreesWithAndWithoutTrailingSeparators)
{
    testsupport::TempDir dir;
    const std::string base = dir.path().string();
    testsupport::WriteBytes(dir / "file", {1, 2, 3});
    EXPECT_TRUE(CreateDirectoryTree(base + "/X/Y/Z/"));
    EXPECT_TRUE(CreateDirectoryTree(base + "/X/Y/Z")); // already there
    // Nothing is made for a bare name (it has no parent), for nothing, or below a file.
    for (const std::string& refused : {"bare"s, ""s, base + "/file/sub"})
        EXPECT_FALSE(CreateDirectoryTree(refused)) << refused;
    EXPECT_FALSE(std::filesystem::exists("bare"));

    // Path; a folder; anything there; its size.
    const std::tuple<std::string, bool, bool, std::int64_t> paths[] = {
        {"", false, false, 0},            {"/", true, true, 0},             {base, true, true, 0},
        {base + "/", true, true, 0},      {base + "/X", true, true, 0},     {base + "/X/Y/", true, true, 0},
        {base + "/X/Y/Z", true, true, 0}, {base + "/file", false, true, 3}, {base + "/missing", false, false, 0}};
    for (const auto& [path, folder, exists, size] : paths) {
        EXPECT_EQ(DirectoryExists(path), folder) << path;
        EXPECT_EQ(archive::FileExists(path), exists) << path;
        EXPECT_EQ(archive::FileSize(path), size) << path;
    }
}

TEST(FolderUtilities, DeleteTreeRemovesEverythingButDotNamesAndNeverFollowsLinks)
{
    testsupport::TempDir dir;
    const std::string base = dir.path().string();
    EXPECT_FALSE(DeleteDirectoryTree("/"));
    EXPECT_FALSE(DeleteDirectoryTree("/tm"));
    EXPECT_FALSE(DeleteDirectoryTree(base + "/missing"));

    testsupport::WriteBytes(dir / "T" / "one.ECG", {1});
    testsupport::WriteBytes(dir / "T" / "a" / "b" / "two.SPO", {2});
    ::chmod((dir / "T" / "one.ECG").c_str(), 0444);
    ::chmod((dir / "T" / "a" / "b").c_str(), 0555);   // read-only folder
    // A link to precious data outside the tree: the link goes, the data stays.
    testsupport::WriteBytes(dir / "precious" / "keep", {9});
    std::filesystem::create_directory_symlink(dir / "precious", dir / "T" / "link");
    EXPECT_TRUE(DeleteDirectoryTree(base + "/T/"));
    EXPECT_FALSE(std::filesystem::exists(dir / "T"));
    EXPECT_TRUE(std::filesystem::exists(dir / "precious" / "keep"));

    // Names beginning with "." are left alone, so their folder stays.
    ASSERT_TRUE(CreateDirectoryTree(base + "/H/sub"));
    testsupport::WriteBytes(dir / "H" / ".hidden", {1});
    testsupport::WriteBytes(dir / "H" / "visible", {1});
    EXPECT_FALSE(DeleteDirectoryTree(base + "/H"));
    EXPECT_TRUE(std::filesystem::exists(dir / "H" / ".hidden"));
    EXPECT_FALSE(std::filesystem::exists(dir / "H" / "visible"));
    EXPECT_FALSE(std::filesystem::exists(dir / "H" / "sub"));
}

TEST(ArchiveFolders, RootScratchAndCaseFoldersStayInsideTheArchive)
{
    EXPECT_EQ(archive::ArchiveRootFor("/home/u/TAVO_Vezi"), "/home/u/TAVO_Vezi/Archive");
    EXPECT_EQ(archive::ArchiveRootFor("/home/u/TAVO_Vezi/"), "/home/u/TAVO_Vezi/Archive");
    EXPECT_EQ(archive::ScratchFolderFor("/home/u/TAVO_Vezi/Archive"), "/home/u/TAVO_Vezi/TempData");
    EXPECT_EQ(archive::CaseFolderPath("/a/Archive", "0000012"), "/a/Archive/0000012");
    EXPECT_EQ(archive::CaseFilePath("/a/Archive/", "0000012", "data.spo"), "/a/Archive/0000012/data.spo");
    for (const char* bad : {"", "..", "../0000001", "12/3", "0000001\n", "12a", "12345678901", "/etc"})
        EXPECT_FALSE(archive::CaseFolderPath("/a/Archive", bad).has_value()) << bad;

    // Archive names from the card are untrusted.
    EXPECT_EQ(archive::ArchiveNameRefusal("A0001"), std::nullopt);
    EXPECT_EQ(archive::ArchiveNameRefusal("Ward 3 - Bed 2"), std::nullopt);
    for (const std::string& bad : {std::string(), std::string("."), std::string(".."), std::string("../etc"),
                                   std::string("a\\b"), std::string("a\nb"), std::string("a\x7f"), std::string(300, 'x')})
        EXPECT_NE(archive::ArchiveNameRefusal(bad), std::nullopt) << bad;

    testsupport::TempDir dir;
    const std::string scratch = (dir / "TempData").string();
    ASSERT_TRUE(archive::PrepareScratchFolder(scratch).ok());
    struct stat info {};
    ASSERT_EQ(::stat(scratch.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700U);
    EXPECT_TRUE(archive::PrepareScratchFolder(scratch).ok());

    testsupport::WriteBytes(dir / "TempData" / "Tv00001.ecg", {1});
    testsupport::WriteBytes(dir / "TempData" / "TV00001.SPO", {1});
    EXPECT_EQ(archive::FindFileIgnoringCase(dir / "TempData", "TV00001.ECG"), dir / "TempData" / "Tv00001.ecg");
    EXPECT_EQ(archive::FindFileIgnoringCase(dir / "TempData", "TV00001.SPO"), dir / "TempData" / "TV00001.SPO");
    EXPECT_FALSE(archive::FindFileIgnoringCase(dir / "TempData", "TV00002.ECG"));
    EXPECT_FALSE(archive::FindFileIgnoringCase(dir / "TempData", "../TempData"));
    EXPECT_FALSE(archive::FindFileIgnoringCase(dir / "missing", "x"));
}

TEST(SampleStreams, CountsComeFromTheSizeAndTrailingBytesAreIgnored)
{
    testsupport::TempDir dir;
    EXPECT_EQ(archive::SpO2RecordCount(dir / "data.spo"), 0);
    EXPECT_TRUE(archive::ReadSpO2Records(dir / "data.spo", 0, 10).empty());

    const std::vector<archive::SpO2Record> records{{97, 61}, {96, 300}, {0, 0}};
    ASSERT_TRUE(archive::AppendSpO2Records(dir / "data.spo", records).ok());
    EXPECT_EQ(testsupport::ReadBytes(dir / "data.spo"),
              (handbuilt::Bytes{97, 0, 61, 0, 96, 0, 0x2C, 1, 0, 0, 0, 0}));
    handbuilt::Bytes withTail = testsupport::ReadBytes(dir / "data.spo");
    withTail.insert(withTail.end(), {5, 5, 5});
    testsupport::WriteBytes(dir / "data.spo", withTail);
    EXPECT_EQ(archive::SpO2RecordCount(dir / "data.spo"), 3);
    const auto read = archive::ReadSpO2Records(dir / "data.spo", 1, 10);
    ASSERT_EQ(read.size(), 2U);
    EXPECT_EQ(read[0].pulseBpm, 300);

    ASSERT_TRUE(archive::AppendEcgSamples(dir / "data.ecg", std::vector<std::uint16_t>{2048, 4095}).ok());
    ASSERT_TRUE(archive::AppendEcgSamples(dir / "data.ecg", std::vector<std::uint16_t>{1}).ok());
    EXPECT_EQ(testsupport::ReadBytes(dir / "data.ecg"), (handbuilt::Bytes{0x00, 0x08, 0xFF, 0x0F, 1, 0}));
    EXPECT_EQ(archive::ReadEcgSamples(dir / "data.ecg", 1, 5), (std::vector<std::uint16_t>{4095, 1}));
    EXPECT_TRUE(archive::ReadEcgSamples(dir / "data.ecg", -1, 5).empty());
    EXPECT_TRUE(archive::ReadEcgSamples(dir / "data.ecg", 3, 5).empty());
}

} // namespace

TEST(ReplaceFile, LeavesPipesAndFoldersAsTheyAre)
{
    testsupport::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder");
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    EXPECT_FALSE(base::ReplaceFile(dir / "pipe", bytes).ok());
    EXPECT_FALSE(base::ReplaceFile(dir / "folder", bytes).ok());
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
