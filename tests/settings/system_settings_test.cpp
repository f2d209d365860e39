#include "settings/system_settings.h"

#include "settings/registry_key.h"
#include "store_file.h"

#include <gtest/gtest.h>

using settingstest::ReadStoreFile;
using settingstest::RemoveStoreLines;
using settingstest::StoreFile;
using settingstest::WriteStoreFile;

namespace {

// Every field different from both its first-run and its Default value, and
// within its valid range.
SystemSettings Customised()
{
    SystemSettings s;
    s.HospitalName = QString::fromUtf8("St. Jörg Klinik");
    s.HospitalPhone = "(030)-1234";
    s.HospitalFax = "(030)-1235";
    s.HospitalAddress = "Hauptstr. 1, Berlin";
    s.PhysicianIndex = 7;
    for (int n = 0; n < kPhysicianSlots; ++n) {
        s.PhysicianName[n] = QStringLiteral("Dr. %1").arg(n);
        s.PhysicianPhone[n] = QStringLiteral("555-%1").arg(n);
        s.PhysicianAddress[n] = QStringLiteral("Room %1").arg(n);
    }
    s.FilterType = 1;
    s.FilterMethod = 1;
    s.Filter50Hz = 0;
    s.FilterEMG = 1;
    s.FilterBase = 0;
    s.SampleECG = 0;
    s.ECGLimit = 1;
    s.ECGTimer = 14400;
    s.SamplePCG = 1;
    s.PCGLimit = 1;
    s.PCGTimer = 3;
    s.FilterRRRefP = 250;
    s.Tachycardia = 120;
    s.Bradycardia = 50;
    s.MinSpo2 = 70;
    s.MaxSpo2 = 95;
    s.MaxDesatTime = 120;
    s.MinDesatTime = 10;
    s.SwingIndex = 5;
    s.MaxDrop = 3;
    s.Desaturation = 3;
    s.Level = 90;
    s.Detector = 1;
    s.AlarmIndex = 2;
    s.AlarmItem = {"HR*", "PR*", "SPO2*"};
    s.AlarmUp = {99, 98, 97};
    s.AlarmLow = {51, 52, 53};
    s.AlarmOn = {1, 0, 1};
    s.Smooth = 0;
    s.Language = "Deutsch";
    s.ECGWave = 0;
    s.SPO2Wave = 0;
    s.PaperStyle = 0;
    s.PrintStyle = 0;
    s.PrintECGPLETH = 1;
    s.PrintECGQRS = 0;
    s.PrintECGTrend = 0;
    s.PrintECGMarkBox = 1;
    s.PrintECGMark = 1;
    s.PrintSPO2Trend = 0;
    s.PrintSPO2Event = 0;
    s.PrintSPO2PI = 1;
    return s;
}

bool FileHas(const std::string& line)
{
    return ReadStoreFile().find("Halvik\\TAVO_Vezi\\" + line + "\n") != std::string::npos;
}

// Stores Customised(), then overwrites single values by hand.
void StoreWith(std::initializer_list<std::pair<QString, QString>> rawValues)
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    std::string file = ReadStoreFile();
    for (const auto& [path, raw] : rawValues) {
        const QString name = path.section('\\', -1);
        const QString key = path.section('\\', 0, -2);
        RemoveStoreLines(("Halvik\\TAVO_Vezi\\" + path + "=").toStdString());
        file = ReadStoreFile();
        file += ("Halvik\\TAVO_Vezi\\" + key + "\\" + QString(name).replace(" ", "%20") + "=" + raw + "\n").toStdString();
        WriteStoreFile(file);
    }
}

} // namespace

TEST(SystemSettings, FirstRunUsesInitialValuesAndStoresThem)
{
    g_Settings = Customised();
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings, SystemSettings{});
    EXPECT_FALSE(std::filesystem::exists(StoreFile())) << "a plain load writes nothing";

    LoadOrInitSettings();
    EXPECT_EQ(g_Settings.MinSpo2, 42);
    EXPECT_EQ(g_Settings.AlarmLow, (std::array<int, 3>{50, 50, 50}));
    EXPECT_EQ(g_Settings.PaperStyle, 1);
    EXPECT_EQ(g_Settings.Language, "English");
    EXPECT_EQ(g_Settings, SystemSettings{});
    EXPECT_TRUE(FileHas("Setting\\Print\\Paper%20Style=dword:00000001"));
    EXPECT_TRUE(FileHas("Setting\\Interface\\Language=sz:English"));
    EXPECT_TRUE(FileHas("Setting\\Analysis\\MinSpo2=dword:0000002a"));
    EXPECT_TRUE(FileHas("Setting\\Analysis\\Detector=dword:00000000")) << "the designed detector by default";
    EXPECT_TRUE(FileHas("Setting\\Alarm\\2\\AlarmItem=sz:SPO2"));
    EXPECT_TRUE(FileHas("Setting\\Physician\\10\\PhysicianName=sz:")) << "all 11 slots are stored";
    EXPECT_TRUE(FileHas("Setting\\Sample\\ECG=dword:00000001"));

    // Later starts load what is stored and do not write the first-run values again.
    {
        auto key = RegistryKey::Create("Setting\\Analysis");
        ASSERT_TRUE(key);
        key->WriteDword("MinSpo2", 60);
    }
    g_Settings = SystemSettings{};
    LoadOrInitSettings();
    EXPECT_EQ(g_Settings.MinSpo2, 60);
    EXPECT_TRUE(FileHas("Setting\\Analysis\\MinSpo2=dword:0000003c"));
}

TEST(SystemSettings, SaveAndLoadKeepEveryField)
{
    const SystemSettings custom = Customised();
    g_Settings = custom;
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings, custom);
}

TEST(SystemSettings, ResetGivesDefaultValuesWithoutTouchingTheStore)
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    const std::string stored = ReadStoreFile();

    ResetSettings();
    EXPECT_EQ(ReadStoreFile(), stored);
    SystemSettings expected;
    expected.AlarmItem = {"HR*", "PR*", "SPO2*"};
    expected.ECGLimit = 1;
    expected.SamplePCG = 1;
    expected.PCGLimit = 1;
    expected.AlarmLow = {60, 60, 70};
    expected.PaperStyle = 0;
    EXPECT_EQ(g_Settings, expected);

    // Confirmed, the Default values are what the next start sees.
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings.AlarmLow, (std::array<int, 3>{60, 60, 70}));
    EXPECT_EQ(g_Settings.PaperStyle, 0);
    EXPECT_EQ(g_Settings, expected);
}

TEST(SystemSettings, MissingKeyEndsTheLoad)
{
    const SystemSettings custom = Customised();
    g_Settings = custom;
    ASSERT_TRUE(SaveSettings());
    RemoveStoreLines("\\Setting\\Physician\\4\\");

    g_Settings = SystemSettings{};
    LoadSettings();
    SystemSettings expected;
    expected.HospitalName = custom.HospitalName;
    expected.HospitalPhone = custom.HospitalPhone;
    expected.HospitalFax = custom.HospitalFax;
    expected.HospitalAddress = custom.HospitalAddress;
    expected.PhysicianIndex = custom.PhysicianIndex;
    for (int n = 0; n < 4; ++n) {
        expected.PhysicianName[n] = custom.PhysicianName[n];
        expected.PhysicianPhone[n] = custom.PhysicianPhone[n];
        expected.PhysicianAddress[n] = custom.PhysicianAddress[n];
    }
    EXPECT_EQ(g_Settings, expected);

    // A missing value inside a present key: texts become "", integers stay.
    g_Settings = custom;
    ASSERT_TRUE(SaveSettings());
    RemoveStoreLines("\\Setting\\Hospital\\HospitalName=");
    RemoveStoreLines("\\Setting\\Analysis\\Level=");
    g_Settings.Level = 77;
    LoadSettings();
    EXPECT_EQ(g_Settings.HospitalName, "");
    EXPECT_EQ(g_Settings.Level, 77);
    EXPECT_EQ(g_Settings.PrintSPO2PI, custom.PrintSPO2PI);
}

TEST(SystemSettings, WrongTypesCountAsMissing)
{
    StoreWith({{"Setting\\Analysis\\MinSpo2", "sz:50"},
               {"Setting\\Sample\\ECGTimer", "100"},
               {"Setting\\Hospital\\HospitalName", "dword:00000064"},
               {"Setting\\Interface\\Language", "Deutsch"},
               {"Setting\\Print\\Paper Style", "sz:0"}});
    g_Settings = SystemSettings{};
    g_Settings.ECGTimer = 33;
    LoadSettings();
    EXPECT_EQ(g_Settings.MinSpo2, 42) << "unchanged";
    EXPECT_EQ(g_Settings.ECGTimer, 33) << "unchanged";
    EXPECT_EQ(g_Settings.PaperStyle, 1) << "unchanged";
    EXPECT_EQ(g_Settings.HospitalName, "");
    EXPECT_EQ(g_Settings.Language, "");
    EXPECT_EQ(g_Settings.Level, 90) << "the other values still load";
}

TEST(SystemSettings, OutOfRangeValuesGiveInitialValues)
{
    StoreWith({{"Setting\\Sample\\ECGTimer", "dword:00000002"},
               {"Setting\\Sample\\PCGTimer", "dword:00003841"},
               {"Setting\\Sample\\FilterType", "dword:00000002"},
               {"Setting\\Sample\\Filter50Hz", "dword:ffffffff"},
               {"Setting\\Analysis\\Tachycardia", "dword:00000063"},
               {"Setting\\Analysis\\Bradycardia", "dword:ffffffff"},
               {"Setting\\Analysis\\FilterRRRefP", "dword:0000012d"},
               {"Setting\\Analysis\\MinSpo2", "dword:0000005a"},
               {"Setting\\Analysis\\MaxSpo2", "dword:00000050"},
               {"Setting\\Analysis\\MinDesatTime", "dword:00000007"},
               {"Setting\\Analysis\\Level", "dword:80000000"},
               {"Setting\\Analysis\\Detector", "dword:00000002"},
               {"Setting\\Alarm\\0\\AlarmUp", "dword:00000065"},
               {"Setting\\Alarm\\1\\AlarmLow", "dword:00000050"},
               {"Setting\\Alarm\\1\\AlarmUp", "dword:00000046"},
               {"Setting\\Alarm\\2\\AlarmLow", "dword:00000031"},
               {"Setting\\Alarm\\AlarmIndex", "dword:00000003"},
               {"Setting\\Physician\\PhysicianIndex", "dword:0000000b"},
               {"Setting\\Interface\\Smooth", "dword:00000002"},
               {"Setting\\Print\\Paper Style", "dword:00000002"}});
    g_Settings = Customised();
    LoadSettings();
    const SystemSettings initial;
    EXPECT_EQ(g_Settings.ECGTimer, initial.ECGTimer);
    EXPECT_EQ(g_Settings.PCGTimer, initial.PCGTimer);
    EXPECT_EQ(g_Settings.FilterType, initial.FilterType);
    EXPECT_EQ(g_Settings.Filter50Hz, initial.Filter50Hz);
    EXPECT_EQ(g_Settings.Tachycardia, initial.Tachycardia);
    EXPECT_EQ(g_Settings.Bradycardia, initial.Bradycardia);
    EXPECT_EQ(g_Settings.FilterRRRefP, initial.FilterRRRefP);
    EXPECT_EQ(g_Settings.Detector, initial.Detector);
    EXPECT_EQ(g_Settings.MinSpo2, 42) << "a pair out of order returns to 42..100";
    EXPECT_EQ(g_Settings.MaxSpo2, 100);
    EXPECT_EQ(g_Settings.MinDesatTime, initial.MinDesatTime);
    EXPECT_EQ(g_Settings.Level, initial.Level);
    // Item 0: upper 101; item 1: lower 80 above upper 70; item 2: lower 49.
    EXPECT_EQ(g_Settings.AlarmUp, (std::array<int, 3>{100, 100, 97}));
    EXPECT_EQ(g_Settings.AlarmLow, (std::array<int, 3>{51, 50, 50}));
    EXPECT_EQ(g_Settings.AlarmIndex, initial.AlarmIndex);
    EXPECT_EQ(g_Settings.PhysicianIndex, initial.PhysicianIndex);
    EXPECT_EQ(g_Settings.Smooth, initial.Smooth);
    EXPECT_EQ(g_Settings.PaperStyle, initial.PaperStyle);

    // The limits of each range are valid.
    StoreWith({{"Setting\\Sample\\ECGTimer", "dword:00000003"},
               {"Setting\\Sample\\PCGTimer", "dword:00003840"},
               {"Setting\\Analysis\\MinSpo2", "dword:00000050"},
               {"Setting\\Analysis\\MaxSpo2", "dword:00000050"},
               {"Setting\\Analysis\\Tachycardia", "dword:0000012c"},
               {"Setting\\Alarm\\1\\AlarmLow", "dword:00000063"},
               {"Setting\\Alarm\\1\\AlarmUp", "dword:00000064"},
               {"Setting\\Physician\\PhysicianIndex", "dword:0000000a"}});
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings.ECGTimer, 3);
    EXPECT_EQ(g_Settings.PCGTimer, 14400);
    EXPECT_EQ(g_Settings.MinSpo2, 80);
    EXPECT_EQ(g_Settings.MaxSpo2, 80);
    EXPECT_EQ(g_Settings.Tachycardia, 300);
    EXPECT_EQ(g_Settings.AlarmLow[1], 99);
    EXPECT_EQ(g_Settings.PhysicianIndex, 10);
}

TEST(SystemSettings, LongTextsAreCutTo255BytesOnWholeCharacters)
{
    const QString ascii(300, 'a');
    const QString umlautAcross = QString(254, 'b') + QString::fromUtf8("ü") + "c";
    const QString exact = QString(253, 'd') + QString::fromUtf8("é");
    const QString euroAcross = QString(253, 'e') + QString::fromUtf8("€");
    g_Settings = SystemSettings{};
    g_Settings.HospitalName = ascii;
    g_Settings.HospitalAddress = umlautAcross;
    g_Settings.HospitalFax = exact;
    g_Settings.PhysicianName[3] = euroAcross;
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings.HospitalName, QString(255, 'a'));
    EXPECT_EQ(g_Settings.HospitalAddress, QString(254, 'b'));
    EXPECT_EQ(g_Settings.HospitalFax, exact);
    EXPECT_EQ(g_Settings.PhysicianName[3], QString(253, 'e'));
}

TEST(SystemSettings, GarbageOrUnusableFileNeverStopsTheProgram)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    WriteStoreFile(garbage + "\n[SOFTWARE\nHalvik\\TAVO_Vezi\\Setting\\Hospital\\=\n\xff\xfe=\"\\");
    g_Settings = SystemSettings{};
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
}

TEST(SystemSettings, SmoothLinesFollowTheSetting)
{
    EXPECT_TRUE(g_SmoothLines) << "Smooth is 1 on the first run";
    g_Settings.Smooth = 0;
    ApplySmoothLines();
    EXPECT_FALSE(g_SmoothLines);
    g_Settings.Smooth = 1;
    ApplySmoothLines();
    EXPECT_TRUE(g_SmoothLines);
}
