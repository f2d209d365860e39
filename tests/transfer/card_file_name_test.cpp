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

TEST(CardFileName, UntrustedNamesAreRefused)
{
    EXPECT_EQ(RefusalReason("A0001"), std::nullopt);
    EXPECT_EQ(RefusalReason("Ward 3 - Bed 2"), std::nullopt);
    for (const std::string& bad : {std::string(), std::string("."), std::string(".."), std::string("../etc"),
                                   std::string("a\\b"), std::string("a\nb"), std::string("a\x7f"), std::string(300, 'x')})
        EXPECT_NE(RefusalReason(bad), std::nullopt) << bad;
}
