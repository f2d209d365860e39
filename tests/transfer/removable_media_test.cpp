#include "transfer/removable_media.h"

#include "temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

TEST(MountInfo, ParsesFieldsDecodesEscapesAndSkipsBadLines)
{
    const auto mounts = ParseMountInfo(
        "36 35 98:0 / /mnt1 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
        "garbage line\n"
        "40 27 8:17 / /media/ann/MY\\040CARD rw,nosuid - vfat /dev/sdb1 rw\n"
        "41 27 8:18 / /x rw -\n"
        "42 27 8:18 / /back\\134slash rw shared:4 - exfat /dev/sdc1 rw");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].mountPoint, "/mnt1");
    EXPECT_EQ(mounts[0].source, "/dev/root");
    EXPECT_EQ(mounts[0].fsType, "ext3");
    EXPECT_EQ(mounts[1].mountPoint, "/media/ann/MY CARD");
    EXPECT_EQ(mounts[1].source, "/dev/sdb1");
    EXPECT_EQ(mounts[2].mountPoint, "/back\\slash");
    EXPECT_TRUE(ParseMountInfo("").empty());
    EXPECT_TRUE(ParseMountInfo("\\").empty());
}

TEST(RemovableMedia, FindsRemovableMountsThenUserMediaFolders)
{
    testsupport::TempDir root;
    WriteFile(root / "proc/self/mountinfo",
              "20 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
              "40 20 8:17 / /mnt/sd\\040card rw - vfat /dev/sdb1 rw\n"
              "41 20 179:1 / /run/media/ann/REC rw - vfat /dev/mmcblk0p1 rw\n"
              "42 20 8:32 / /mnt/whole rw - vfat /dev/sdc rw\n"
              "43 20 0:50 / /tmp rw - tmpfs tmpfs rw\n"
              "44 20 8:48 / /mnt/evil rw - vfat /dev/../sdb1 rw\n");
    WriteFile(root / "sys/block/vda/removable", "0\n");
    WriteFile(root / "sys/block/sdb/removable", "1\n");
    WriteFile(root / "sys/block/sdc/removable", "1\n");
    WriteFile(root / "sys/block/mmcblk0/removable", "0\n");
    std::filesystem::create_directories(root / "run/media/ann/REC");
    std::filesystem::create_directories(root / "media/ann/STICK");
    WriteFile(root / "media/ann/not-a-folder", "x");
    std::filesystem::create_directories(root / "media/bob/OTHER");

    const auto cards = RemovableMediaFinder(root.path(), "ann").MountedCards();
    const std::vector<std::filesystem::path> expected{"/mnt/sd card", "/mnt/whole", "/media/ann/STICK",
                                                      "/run/media/ann/REC"};
    EXPECT_EQ(cards, expected);

    testsupport::TempDir empty;
    EXPECT_TRUE(RemovableMediaFinder(empty.path(), "ann").MountedCards().empty());
}
