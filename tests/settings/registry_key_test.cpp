#include "settings/registry_key.h"

#include "store_file.h"

#include <gtest/gtest.h>

using settingstest::ReadStoreFile;
using settingstest::WriteStoreFile;

TEST(RegistryKey, KeyExistsOnlyOnceAValueWasWritten)
{
    EXPECT_FALSE(RegistryKey::Open("Favorite\\ListColumn"));
    {
        auto created = RegistryKey::Create("Favorite\\ListColumn");
        ASSERT_TRUE(created);
        EXPECT_FALSE(RegistryKey::Open("Favorite\\ListColumn")) << "an empty key is not stored";
        EXPECT_TRUE(created->WriteDword("ColumnCount", 3));
        EXPECT_TRUE(created->Flush());
    }
    EXPECT_TRUE(RegistryKey::Open("Favorite\\ListColumn"));
    EXPECT_TRUE(RegistryKey::Open("Favorite")) << "a parent of a stored key exists";
    EXPECT_FALSE(RegistryKey::Open("Favorite\\ReviewListColumn"));
    EXPECT_FALSE(RegistryKey::Open("favorite\\listcolumn")) << "names are case-sensitive";
}

TEST(RegistryKey, ValuesKeepTheirTypeInTheFile)
{
    {
        auto key = RegistryKey::Create("Favorite\\ListColumn");
        ASSERT_TRUE(key);
        key->WriteDword("SubItem10", 300);
        key->WriteDword("Negative", -1);
        key->WriteText("Text", "100");
        key->WriteText("Blank Name", QString::fromUtf8("Zürich, \"Ost\"; =x"));
        key->WriteText("Empty", "");
        QByteArray columns;
        for (int i = 0; i < 3; ++i)
            columns.append(QByteArray::fromHex("ffffffff"));
        key->WriteBinary("Columns", columns);
        key->WriteBinary("None", {});
        EXPECT_FALSE(key->WriteText("Slash/Name", "x"));
        EXPECT_FALSE(key->WriteDword("Back\\Slash", 1));
        ASSERT_TRUE(key->Flush());
    }
    const std::string file = ReadStoreFile();
    EXPECT_NE(file.find("[SOFTWARE]\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Halvik\\TAVO_Vezi\\Favorite\\ListColumn\\SubItem10=dword:0000012c\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Halvik\\TAVO_Vezi\\Favorite\\ListColumn\\Negative=dword:ffffffff\n"), std::string::npos);
    EXPECT_NE(file.find("Halvik\\TAVO_Vezi\\Favorite\\ListColumn\\Text=sz:100\n"), std::string::npos);
    EXPECT_NE(file.find("Halvik\\TAVO_Vezi\\Favorite\\ListColumn\\Blank%20Name="), std::string::npos);
    EXPECT_EQ(file.find("Slash"), std::string::npos);

    const auto key = RegistryKey::Open("Favorite\\ListColumn");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadDword("SubItem10"), 300);
    EXPECT_EQ(key->ReadDword("Negative"), -1);
    EXPECT_EQ(key->ReadText("Text"), QByteArray("100"));
    EXPECT_FALSE(key->ReadDword("Text")) << "a text \"100\" is not an integer";
    EXPECT_FALSE(key->ReadText("SubItem10")) << "an integer is not a text";
    EXPECT_FALSE(key->ReadBinary("Text"));
    EXPECT_EQ(key->ReadText("Blank Name"), QString::fromUtf8("Zürich, \"Ost\"; =x").toUtf8());
    EXPECT_EQ(key->ReadText("Empty"), QByteArray());
    EXPECT_EQ(key->ReadBinary("Columns"), QByteArray::fromHex("ffffffffffffffffffffffff"));
    EXPECT_EQ(key->ReadBinary("None"), QByteArray());
    EXPECT_FALSE(key->ReadDword("Missing"));
    EXPECT_TRUE(key->HasValue("Columns"));
    EXPECT_FALSE(key->HasValue("Missing"));
    EXPECT_EQ(key->ValueNames().size(), 7);
}

TEST(RegistryKey, HandEditedValuesOfUnknownFormReadAsMissing)
{
    WriteStoreFile("[SOFTWARE]\n"
                   "Halvik\\TAVO_Vezi\\K\\Plain=100\n"
                   "Halvik\\TAVO_Vezi\\K\\Short=dword:64\n"
                   "Halvik\\TAVO_Vezi\\K\\Long=dword:000000064\n"
                   "Halvik\\TAVO_Vezi\\K\\NotHex=dword:0000006g\n"
                   "Halvik\\TAVO_Vezi\\K\\Upper=dword:0000FFFF\n"
                   "Halvik\\TAVO_Vezi\\K\\List=sz:a,b\n"
                   "Halvik\\TAVO_Vezi\\K\\OddHex=hex:f,00\n"
                   "Halvik\\TAVO_Vezi\\K\\Variant=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)\n");
    const auto key = RegistryKey::Open("K");
    ASSERT_TRUE(key);
    EXPECT_FALSE(key->ReadDword("Plain"));
    EXPECT_FALSE(key->ReadText("Plain"));
    EXPECT_FALSE(key->ReadDword("Short"));
    EXPECT_FALSE(key->ReadDword("Long"));
    EXPECT_FALSE(key->ReadDword("NotHex"));
    EXPECT_EQ(key->ReadDword("Upper"), 0xFFFF);
    EXPECT_FALSE(key->ReadText("List")) << "an unquoted list is no text";
    EXPECT_FALSE(key->ReadBinary("OddHex"));
    EXPECT_FALSE(key->ReadDword("Variant"));
}

TEST(RegistryKey, UnusableStoreFailsToCreateAndOpen)
{
    std::filesystem::create_directories(settingstest::StoreFile());
    EXPECT_FALSE(RegistryKey::Create("Setting\\Hospital"));
    EXPECT_FALSE(RegistryKey::Open("Setting\\Hospital"));
}
