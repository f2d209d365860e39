#include "settings/registry_key.h"
#include "settings/system_settings.h"

#include <gtest/gtest.h>

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

std::string ReadStoreFile()
{
    std::ifstream in(StoreFile(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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

// Removes every line that contains `fragment`, as a hand edit would.
void RemoveStoreLines(const std::string& fragment)
{
    std::istringstream in(ReadStoreFile());
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (line.find(fragment) == std::string::npos)
            kept += line + "\n";
    WriteStoreFile(kept);
}

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
    s.FilterType = s.FilterMethod = s.FilterEMG = 1;
    s.Filter50Hz = s.FilterBase = s.SampleECG = 0;
    s.ECGLimit = s.SamplePCG = s.PCGLimit = 1;
    s.ECGTimer = 14400;
    s.PCGTimer = 3;
    s.FilterRRRefP = 250;
    s.Tachycardia = 120;
    s.Bradycardia = 50;
    s.MinSpo2 = 70;
    s.MaxSpo2 = 95;
    s.MaxDesatTime = 120;
    s.MinDesatTime = 10;
    s.SwingIndex = 5;
    s.MaxDrop = s.Desaturation = 3;
    s.Level = 90;
    s.Detector = 1;
    s.AlarmIndex = 2;
    s.AlarmItem = {"HR*", "PR*", "SPO2*"};
    s.AlarmUp = {99, 98, 97};
    s.AlarmLow = {51, 52, 53};
    s.AlarmOn = {1, 0, 1};
    s.Language = "Deutsch";
    s.Smooth = s.ECGWave = s.SPO2Wave = s.PaperStyle = s.PrintStyle = 0;
    s.PrintECGQRS = s.PrintECGTrend = s.PrintSPO2Trend = s.PrintSPO2Event = 0;
    s.PrintECGPLETH = s.PrintECGMarkBox = s.PrintECGMark = s.PrintSPO2PI = 1;
    return s;
}

bool FileHas(const std::string& line)
{
    return ReadStoreFile().find("Halvik\\TAVO_Vezi\\" + line + "\n") != std::string::npos;
}

// Stores Customised(), then replaces single values ("Key\\Name", raw) by hand.
void StoreWith(std::initializer_list<std::pair<QString, QString>> rawValues)
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    for (const auto& [path, raw] : rawValues) {
        const QString line = "Halvik\\TAVO_Vezi\\" + QString(path).replace(" ", "%20") + "=";
        RemoveStoreLines(line.toStdString());
        WriteStoreFile(ReadStoreFile() + (line + raw + "\n").toStdString());
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

TEST(SystemSettings, SaveLoadAndResetToDefaultValues)
{
    g_Settings = Customised();
    ASSERT_TRUE(SaveSettings());
    g_Settings = SystemSettings{};
    LoadSettings();
    EXPECT_EQ(g_Settings, Customised()) << "every field comes back";

    // Reset gives the Default values without touching the store.
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
    // Item 0: upper 101; item 1: lower 80 above upper 70; item 2: lower 49.
    expected.AlarmUp = {100, 100, 97};
    expected.AlarmLow = {51, 50, 50};
    EXPECT_EQ(g_Settings, expected);

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
    for (const char* name : {"Plain", "Short", "Long", "NotHex", "Variant"})
        EXPECT_FALSE(key->ReadDword(name)) << name;
    EXPECT_FALSE(key->ReadText("Plain"));
    EXPECT_EQ(key->ReadDword("Upper"), 0xFFFF);
    EXPECT_FALSE(key->ReadText("List")) << "an unquoted list is no text";
    EXPECT_FALSE(key->ReadBinary("OddHex"));
}

TEST(RegistryKey, UnusableStoreFailsToCreateAndOpen)
{
    std::filesystem::create_directories(StoreFile());
    EXPECT_FALSE(RegistryKey::Create("Setting\\Hospital"));
    EXPECT_FALSE(RegistryKey::Open("Setting\\Hospital"));
}
