#include "transfer/card_file_name.h"

#include <gtest/gtest.h>

using namespace cardname;

TEST(CardFileName, KindAndArchiveNameIgnoreLetterCase)
{
    EXPECT_EQ(DeviceFileKind("A0001.ECG"), kEcgFile);
    EXPECT_EQ(DeviceFileKind("a0001.ecg"), kEcgFile);
    EXPECT_EQ(DeviceFileKind("a0001.Spo"), kSpo2File);
    EXPECT_EQ(DeviceFileKind("a0001.txt"), std::nullopt);
    EXPECT_EQ(DeviceFileKind("NOTESECG"), std::nullopt);   // no extension
    EXPECT_EQ(DeviceFileKind("ECG"), std::nullopt);
    EXPECT_EQ(ArchiveName("A0001.ECG"), "A0001");
    EXPECT_EQ(ArchiveName("A0001.bak.SPO"), "A0001");
    EXPECT_EQ(ArchiveName(".ECG"), "");
}
