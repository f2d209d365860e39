#include "settings/registry_key.h"
#include "settings/system_settings.h"

#include "test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The settings file of the test's own user.
std::filesystem::path StoreFile()
{
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "Halvik" / "TAVO_Vezi.ini";
}

void WriteStoreFile(const std::string& content)
{
    std::filesystem::create_directories(StoreFile().parent_path());
    std::ofstream(StoreFile(), std::ios::binary | std::ios::trunc) << content;
    // Qt re-reads a settings file only when its size or time changed; a hand
    // edit of the same size within one clock tick would go unseen.
    static auto stamp = std::filesystem::file_time_type::clock::now();
    stamp += std::chrono::seconds(1);
    std::filesystem::last_write_time(StoreFile(), stamp);
}

bool FileHas(const std::string& line)
{
    return testsupport::ReadRequiredText(StoreFile()).find("Halvik\\TAVO_Vezi\\" + line + "\n") != std::string::npos;
}

// "<prefix><n>" for every physician slot.
std::array<QString, kPhysicianSlots> Slots(const char* prefix)
{
    std::array<QString, kPhysicianSlots> texts;
    for (int n = 0; n < kPhysicianSlots; ++n)
        texts[n] = prefix + QString::number(n);
    return texts;
}

// Every field different from both its first-run and its Default value, and
// within its valid range.
SystemSettings Customised()
{
    return {.HospitalName = QString::fromUtf8("St. Jörg Klinik"), .HospitalPhone = "(030)-1234",
            .HospitalFax = "(030)-1235", .HospitalAddress = "Hauptstr. 1, Berlin", .PhysicianIndex = 7,
            .PhysicianName = Slots("Dr. "), .PhysicianPhone = Slots("555-"), .PhysicianAddress = Slots("Room "),
            .FilterType = 1, .FilterMethod = 1, .Filter50Hz = 0, .FilterEMG = 1, .FilterBase = 0,
            .SampleECG = 0, .ECGLimit = 1, .ECGTimer = 14400, .SamplePCG = 1, .PCGLimit = 1, .PCGTimer = 3,
            .FilterRRRefP = 250, .Tachycardia = 120, .Bradycardia = 50, .MinSpo2 = 70, .MaxSpo2 = 95,
            .MaxDesatTime = 120, .MinDesatTime = 10, .SwingIndex = 5, .MaxDrop = 3, .Desaturation = 3,
            .Level = 90, .Detector = 1, .AlarmIndex = 2, .AlarmItem = {"HR*", "PR*", "SPO2*"},
            .AlarmUp = {99, 98, 97}, .AlarmLow = {51, 52, 53}, .AlarmOn = {1, 0, 1}, .Smooth = 0,
            .Language = "Deutsch", .ECGWave = 0, .SPO2Wave = 0, .PaperStyle = 0, .PrintStyle = 0,
            .PrintECGPLETH = 1, .PrintECGQRS = 0, .PrintECGTrend = 0, .PrintECGMarkBox = 1,
            .PrintECGMark = 1, .PrintSPO2Trend = 0, .PrintSPO2Event = 0, .PrintSPO2PI = 1};
}

// Stores Customised(), then edits the file by hand: lines holding one of
// `removed` go, and each "KEY\\NAME" of `raw` (below "Setting\\") comes back
// with that raw text.
void StoreWith(std::initializer_list<std::pair<QString, const char*>> raw, std::vector<std::string> removed = {})
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    std::string edited;
    for (const auto& [path, text] : raw) {
        removed.push_back(("Halvik\\TAVO_Vezi\\Setting\\" + QString(path).replace(" ", "%20") + "=").toStdString());
        edited += removed.back() + text + "\n";
    }
    std::istringstream in(testsupport::ReadRequiredText(StoreFile()));
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (std::none_of(removed.begin(), removed.end(), [&](const auto& cut) { return line.find(cut) != line.npos; }))
            kept += line + "\n";
    WriteStoreFile(kept + edited);
}

} // namespace

TEST(SystemSettings, FirstRunUsesInitialValuesAndStoresThem)
{
    LoadSettings();
    EXPECT_EQ(g_Settings, SystemSettings{});
    EXPECT_FALSE(std::filesystem::exists(StoreFile())) << "a plain load writes nothing";

    LoadOrInitSettings();
    EXPECT_EQ(g_Settings, SystemSettings{});
    for (const char* line : {"Setting\\Print\\Paper%20Style=dword:00000001", "Setting\\Interface\\Language=sz:English",
                             "Setting\\Analysis\\MinSpo2=dword:0000002a", "Setting\\Analysis\\Detector=dword:00000000",
                             "Setting\\Alarm\\2\\AlarmItem=sz:SPO2", "Setting\\Physician\\10\\PhysicianName=sz:",
                             "Setting\\Sample\\ECG=dword:00000001"})
        EXPECT_TRUE(FileHas(line)) << line;

    // Later starts load what is stored and do not write the first-run values again.
    {
        auto key = RegistryKey::Create("Setting\\Analysis");
        ASSERT_TRUE(key && key->WriteDword("MinSpo2", 60));
    }
    g_Settings = SystemSettings{};
    LoadOrInitSettings();
    EXPECT_EQ(g_Settings.MinSpo2, 60);
    EXPECT_TRUE(FileHas("Setting\\Analysis\\MinSpo2=dword:0000003c"));
}

TEST(SystemSettings, SaveLoadAndResetToDefaultValues)
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    const std::string stored = testsupport::ReadRequiredText(StoreFile());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings, Customised()) << "every field comes back";

    // Reset gives the Default values, keeping the alarm names, and leaves the store alone.
    ResetSettings();
    EXPECT_EQ(testsupport::ReadRequiredText(StoreFile()), stored);
    const SystemSettings defaults{.HospitalName = {}, .HospitalPhone = {}, .HospitalFax = {}, .HospitalAddress = {},
                                  .PhysicianName = {}, .PhysicianPhone = {}, .PhysicianAddress = {}, .ECGLimit = 1,
                                  .SamplePCG = 1, .PCGLimit = 1, .AlarmItem = {"HR*", "PR*", "SPO2*"},
                                  .AlarmLow = {60, 60, 70}, .PaperStyle = 0};
    EXPECT_EQ(g_Settings, defaults);
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings, defaults) << "confirmed, they are what the next start sees";
}

TEST(SystemSettings, MissingKeyEndsTheLoad)
{
    StoreWith({}, {"\\Setting\\Physician\\4\\"});
    g_Settings = SystemSettings{};
    LoadSettings();
    const SystemSettings custom = Customised();
    SystemSettings expected{.HospitalName = custom.HospitalName, .HospitalPhone = custom.HospitalPhone,
                            .HospitalFax = custom.HospitalFax, .HospitalAddress = custom.HospitalAddress,
                            .PhysicianIndex = custom.PhysicianIndex, .PhysicianName = {}, .PhysicianPhone = {},
                            .PhysicianAddress = {}};
    std::copy_n(custom.PhysicianName.begin(), 4, expected.PhysicianName.begin());
    std::copy_n(custom.PhysicianPhone.begin(), 4, expected.PhysicianPhone.begin());
    std::copy_n(custom.PhysicianAddress.begin(), 4, expected.PhysicianAddress.begin());
    EXPECT_EQ(g_Settings, expected);
}

TEST(SystemSettings, MissingOrWrongTypedValuesGiveEmptyTextsAndKeepIntegers)
{
    StoreWith({{"Analysis\\MinSpo2", "sz:50"}, {"Sample\\ECGTimer", "100"},
               {"Hospital\\HospitalName", "dword:00000064"}, {"Interface\\Language", "Deutsch"},
               {"Print\\Paper Style", "sz:0"}},
              {"\\Setting\\Hospital\\HospitalFax=", "\\Setting\\Analysis\\Level="});
    g_Settings = SystemSettings{};
    g_Settings.ECGTimer = 33;
    g_Settings.Level = 77;
    LoadSettings();
    SystemSettings expected = Customised();
    expected.HospitalName = expected.HospitalFax = expected.Language = "";
    expected.MinSpo2 = 42;
    expected.ECGTimer = 33;
    expected.Level = 77;
    expected.PaperStyle = 1;
    EXPECT_EQ(g_Settings, expected);
}

TEST(SystemSettings, OutOfRangeValuesGiveInitialValues)
{
    StoreWith({{"Sample\\ECGTimer", "dword:00000002"}, {"Sample\\PCGTimer", "dword:00003841"},
               {"Sample\\FilterType", "dword:00000002"}, {"Sample\\Filter50Hz", "dword:ffffffff"},
               {"Analysis\\Tachycardia", "dword:00000063"}, {"Analysis\\Bradycardia", "dword:ffffffff"},
               {"Analysis\\FilterRRRefP", "dword:0000012d"}, {"Analysis\\MinSpo2", "dword:0000005a"},
               {"Analysis\\MaxSpo2", "dword:00000050"}, {"Analysis\\MinDesatTime", "dword:00000007"},
               {"Analysis\\Level", "dword:80000000"}, {"Analysis\\Detector", "dword:00000002"},
               {"Alarm\\0\\AlarmUp", "dword:00000065"}, {"Alarm\\0\\AlarmLow", "dword:00000031"}, {"Alarm\\1\\AlarmLow", "dword:00000050"},
               {"Alarm\\1\\AlarmUp", "dword:00000046"}, {"Alarm\\2\\AlarmLow", "dword:00000046"},
               {"Alarm\\2\\AlarmUp", "dword:00000046"},
               {"Alarm\\AlarmIndex", "dword:00000003"}, {"Physician\\PhysicianIndex", "dword:0000000b"},
               {"Interface\\Smooth", "dword:00000002"}, {"Print\\Paper Style", "dword:00000002"}});
    LoadSettings();
    SystemSettings expected = Customised();
    const SystemSettings initial;
    for (auto field : {&SystemSettings::ECGTimer, &SystemSettings::PCGTimer, &SystemSettings::FilterType,
                       &SystemSettings::Filter50Hz, &SystemSettings::Tachycardia, &SystemSettings::Bradycardia,
                       &SystemSettings::FilterRRRefP, &SystemSettings::Detector, &SystemSettings::MinDesatTime,
                       &SystemSettings::Level, &SystemSettings::AlarmIndex, &SystemSettings::PhysicianIndex,
                       &SystemSettings::Smooth, &SystemSettings::PaperStyle})
        expected.*field = initial.*field;
    expected.MinSpo2 = 42; // a pair out of order returns to 42..100
    expected.MaxSpo2 = 100;
    // Item 0: upper 101, lower 49; item 1: lower 80 above upper 70; item 2: lower equal to upper.
    expected.AlarmUp = {100, 100, 100};
    expected.AlarmLow = {50, 50, 50};
    EXPECT_EQ(g_Settings, expected);

    // The limits of each range are valid.
    StoreWith({{"Sample\\ECGTimer", "dword:00000003"}, {"Sample\\PCGTimer", "dword:00003840"},
               {"Analysis\\MinSpo2", "dword:00000050"}, {"Analysis\\MaxSpo2", "dword:00000050"},
               {"Analysis\\Tachycardia", "dword:0000012c"}, {"Alarm\\1\\AlarmLow", "dword:00000063"},
               {"Alarm\\1\\AlarmUp", "dword:00000064"}, {"Physician\\PhysicianIndex", "dword:0000000a"}});
    LoadSettings();
    EXPECT_EQ((std::vector<int>{g_Settings.ECGTimer, g_Settings.PCGTimer, g_Settings.MinSpo2, g_Settings.MaxSpo2,
                                g_Settings.Tachycardia, g_Settings.AlarmLow[1], g_Settings.PhysicianIndex}),
              (std::vector<int>{3, 14400, 80, 80, 300, 99, 10}));
}

TEST(SystemSettings, LongTextsAreCutTo255BytesOnWholeCharacters)
{
    // Stored, loaded: plain ASCII; a two-byte "ü" across byte 255; exactly
    // 255 bytes ending in a two-byte "é"; a three-byte "€" across byte 255.
    const std::pair<QString, QString> cases[] = {
        {QString(300, 'a'), QString(255, 'a')},
        {QString(254, 'b') + QString::fromUtf8("ü") + "c", QString(254, 'b')},
        {QString(253, 'd') + QString::fromUtf8("é"), QString(253, 'd') + QString::fromUtf8("é")},
        {QString(253, 'e') + QString::fromUtf8("€"), QString(253, 'e')}};
    g_Settings = SystemSettings{};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        g_Settings.PhysicianAddress[i] = cases[i].first;
    g_Settings.HospitalName = cases[0].first;
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(g_Settings.PhysicianAddress[i], cases[i].second) << i;
    EXPECT_EQ(g_Settings.HospitalName, cases[0].second);
}

TEST(SystemSettings, GarbageOrUnusableFileNeverStopsTheProgram)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    WriteStoreFile(garbage + "\n[SOFTWARE\nHalvik\\TAVO_Vezi\\Setting\\Hospital\\=\n\xff\xfe=\"\\");
    LoadOrInitSettings();
    EXPECT_EQ(g_Settings, SystemSettings{});
    g_Settings.MaxDrop = 9;
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings.MaxDrop, 9);

    // A folder where the file should be: nothing loads, nothing saves.
    std::filesystem::remove(StoreFile());
    std::filesystem::create_directories(StoreFile());
    g_Settings = SystemSettings{};
    LoadOrInitSettings();
    EXPECT_EQ(g_Settings, SystemSettings{});
    EXPECT_FALSE(SaveSettings());
    EXPECT_FALSE(RegistryKey::Create("Setting\\Hospital"));
    EXPECT_FALSE(RegistryKey::Open("Setting\\Hospital"));
}

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
    const QString oddText = QString::fromUtf8("Zürich, \"Ost\"; =x");
    {
        auto key = RegistryKey::Create("Favorite\\ListColumn");
        ASSERT_TRUE(key);
        key->WriteDword("SubItem10", 300);
        key->WriteDword("Negative", -1);
        key->WriteText("Text", "100");
        key->WriteText("Blank Name", oddText);
        key->WriteText("Empty", "");
        key->WriteBinary("Columns", QByteArray::fromHex("ffffffffffffffffffffffff"));
        key->WriteBinary("None", {});
        EXPECT_FALSE(key->WriteText("Slash/Name", "x"));
        EXPECT_FALSE(key->WriteDword("Back\\Slash", 1));
        ASSERT_TRUE(key->Flush());
    }
    EXPECT_EQ(testsupport::ReadRequiredText(StoreFile()).find("Slash"), std::string::npos);
    EXPECT_TRUE(FileHas("Favorite\\ListColumn\\Negative=dword:ffffffff")) << "two's complement, lower-case hex";

    const auto key = RegistryKey::Open("Favorite\\ListColumn");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadDword("SubItem10"), 300);
    EXPECT_EQ(key->ReadDword("Negative"), -1);
    EXPECT_EQ(key->ReadText("Text"), QByteArray("100"));
    EXPECT_FALSE(key->ReadDword("Text")) << "a text \"100\" is not an integer";
    EXPECT_FALSE(key->ReadText("SubItem10")) << "an integer is not a text";
    EXPECT_FALSE(key->ReadBinary("Text"));
    EXPECT_EQ(key->ReadText("Blank Name"), oddText.toUtf8());
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
    std::string file = "[SOFTWARE]\n";
    for (const char* value : {"Plain=100", "Short=dword:64", "Long=dword:000000064", "NotHex=dword:0000006g",
                              "Upper=dword:0000FFFF", "List=sz:a,b", "OddHex=hex:f,00",
                              "Variant=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)"})
        file += "Halvik\\TAVO_Vezi\\K\\" + std::string(value) + "\n";
    WriteStoreFile(file);
    const auto key = RegistryKey::Open("K");
    ASSERT_TRUE(key);
    for (const char* name : {"Plain", "Short", "Long", "NotHex", "Variant"})
        EXPECT_FALSE(key->ReadDword(name)) << name;
    EXPECT_FALSE(key->ReadText("Plain"));
    EXPECT_EQ(key->ReadDword("Upper"), 0xFFFF);
    EXPECT_FALSE(key->ReadText("List")) << "an unquoted list is no text";
    EXPECT_FALSE(key->ReadBinary("OddHex"));
}
