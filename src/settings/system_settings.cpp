#include "settings/system_settings.h"

#include "settings/registry_key.h"

#include <algorithm>
#include <vector>

SystemSettings g_Settings;
const QString g_RegistryRoot = QStringLiteral("SOFTWARE\\Halvik\\TAVO_Vezi\\");
bool g_SmoothLines = SystemSettings{}.Smooth != 0;

namespace {

// A stored text is read into room for 255 bytes; the cut never splits a
// UTF-8 sequence.
constexpr qsizetype kMaxTextBytes = 255;

bool IsUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

QString CutText(QByteArray utf8)
{
    if (utf8.size() > kMaxTextBytes) {
        qsizetype end = kMaxTextBytes;
        while (end > 0 && IsUtf8Continuation(utf8[end]))
            --end;
        utf8.truncate(end);
    }
    return QString::fromUtf8(utf8);
}

// The field a stored value lives in; `slot` picks the element of the
// per-slot arrays (physicians, alarm items) and is ignored by the others.
using S = SystemSettings;
using IntRef = int& (*)(S&, int slot);
using TextRef = QString& (*)(S&, int slot);

template <auto member>
auto& One(S& s, int)
{
    return s.*member;
}

template <auto member>
auto& Slot(S& s, int slot)
{
    return (s.*member)[static_cast<std::size_t>(slot)];
}

// One stored value: a text, or an integer valid in [low, high].
struct Field {
    const char* name;
    TextRef text = nullptr;
    IntRef number = nullptr;
    int low = 0;
    int high = 0;
};

Field Text(const char* name, TextRef field)
{
    return {name, field};
}

Field Int(const char* name, IntRef field, int low, int high)
{
    return {name, nullptr, field, low, high};
}

Field Flag(const char* name, IntRef field)
{
    return Int(name, field, 0, 1);
}

// A lower/upper pair whose members both return to their first-run values when
// the stored ones are out of order.
struct Ordered {
    IntRef low;
    IntRef high;
    bool strict; // low must stay below high, not only up to it
};

struct Key {
    const char* path;
    int slotCount; // 0: the key itself; n: its slot keys "PATH\0" .. "PATH\<n-1>"
    std::vector<Field> fields;
    std::vector<Ordered> pairs = {};
};

// Every stored value, key by key in the order of the load.
const std::vector<Key>& Keys()
{
    static const std::vector<Key> keys{
        {"Setting\\Hospital",
         0,
         {Text("HospitalName", One<&S::HospitalName>), Text("HospitalPhone", One<&S::HospitalPhone>),
          Text("HospitalFax", One<&S::HospitalFax>), Text("HospitalAddress", One<&S::HospitalAddress>)}},
        {"Setting\\Physician", 0, {Int("PhysicianIndex", One<&S::PhysicianIndex>, 0, kPhysicianSlots - 1)}},
        {"Setting\\Physician",
         kPhysicianSlots,
         {Text("PhysicianName", Slot<&S::PhysicianName>), Text("PhysicianPhone", Slot<&S::PhysicianPhone>),
          Text("PhysicianAddress", Slot<&S::PhysicianAddress>)}},
        {"Setting\\Sample",
         0,
         {Int("FilterType", One<&S::FilterType>, 0, 1), Int("FilterMethod", One<&S::FilterMethod>, 0, 1),
          Flag("Filter50Hz", One<&S::Filter50Hz>), Flag("FilterEMG", One<&S::FilterEMG>),
          Flag("FilterBase", One<&S::FilterBase>), Flag("ECG", One<&S::SampleECG>),
          Flag("ECGLimit", One<&S::ECGLimit>), Int("ECGTimer", One<&S::ECGTimer>, 3, 14400),
          Flag("PCG", One<&S::SamplePCG>), Flag("PCGLimit", One<&S::PCGLimit>),
          Int("PCGTimer", One<&S::PCGTimer>, 3, 14400)}},
        {"Setting\\Analysis",
         0,
         {Int("FilterRRRefP", One<&S::FilterRRRefP>, 0, 300), Int("Tachycardia", One<&S::Tachycardia>, 100, 300),
          Int("Bradycardia", One<&S::Bradycardia>, 0, 60), Int("MinSpo2", One<&S::MinSpo2>, 0, 100),
          Int("MaxSpo2", One<&S::MaxSpo2>, 0, 100), Int("MaxDesatTime", One<&S::MaxDesatTime>, 8, 180),
          Int("MinDesatTime", One<&S::MinDesatTime>, 8, 180), Int("SwingIndex", One<&S::SwingIndex>, 0, 100),
          Int("MaxDrop", One<&S::MaxDrop>, 0, 100), Int("Desaturation", One<&S::Desaturation>, 0, 100),
          Int("Level", One<&S::Level>, 0, 100), Int("Detector", One<&S::Detector>, 0, 1)},
         {{One<&S::MinSpo2>, One<&S::MaxSpo2>, false}, {One<&S::MinDesatTime>, One<&S::MaxDesatTime>, false}}},
        {"Setting\\Alarm",
         kAlarmItems,
         {Text("AlarmItem", Slot<&S::AlarmItem>), Int("AlarmUp", Slot<&S::AlarmUp>, 51, 100),
          Int("AlarmLow", Slot<&S::AlarmLow>, 50, 99), Int("AlarmOn", Slot<&S::AlarmOn>, 0, 1)},
         {{Slot<&S::AlarmLow>, Slot<&S::AlarmUp>, true}}},
        {"Setting\\Alarm", 0, {Int("AlarmIndex", One<&S::AlarmIndex>, 0, kAlarmItems - 1)}},
        {"Setting\\Interface",
         0,
         {Flag("Smooth", One<&S::Smooth>), Flag("ECGWave", One<&S::ECGWave>), Flag("SPO2Wave", One<&S::SPO2Wave>),
          Text("Language", One<&S::Language>)}},
        {"Setting\\Print",
         0,
         {Flag("Paper Style", One<&S::PaperStyle>), Flag("Print Style", One<&S::PrintStyle>),
          Flag("Print ECGPLETH", One<&S::PrintECGPLETH>), Flag("Print ECGQRS", One<&S::PrintECGQRS>),
          Flag("Print ECGMarkBox", One<&S::PrintECGMarkBox>), Flag("Print ECGMark", One<&S::PrintECGMark>),
          Flag("Print SPO2Trend", One<&S::PrintSPO2Trend>), Flag("Print ECGTrend", One<&S::PrintECGTrend>),
          Flag("Print SPO2Event", One<&S::PrintSPO2Event>), Flag("Print SPO2PI", One<&S::PrintSPO2PI>)}},
    };
    return keys;
}

QString KeyPath(const Key& key, int slot)
{
    const QString path = QString::fromLatin1(key.path);
    return key.slotCount == 0 ? path : path + QStringLiteral("\\%1").arg(slot);
}

// Reads one stored key into `s`; false when the key does not exist. A missing
// text loads as ""; a missing integer leaves its field, one outside its range
// gives it its first-run value (from `initial`).
bool LoadKey(const Key& key, int slot, S& s, S& initial)
{
    const auto stored = RegistryKey::Open(KeyPath(key, slot));
    if (!stored)
        return false;
    for (const Field& field : key.fields) {
        const QString name = QString::fromLatin1(field.name);
        if (field.text) {
            const auto bytes = stored->ReadText(name);
            field.text(s, slot) = bytes ? CutText(*bytes) : QString();
        } else if (const auto value = stored->ReadDword(name)) {
            const bool valid = *value >= field.low && *value <= field.high;
            field.number(s, slot) = valid ? *value : field.number(initial, slot);
        }
    }
    for (const Ordered& pair : key.pairs) {
        int& low = pair.low(s, slot);
        int& high = pair.high(s, slot);
        if (pair.strict ? low >= high : low > high) {
            low = pair.low(initial, slot);
            high = pair.high(initial, slot);
        }
    }
    return true;
}

bool SaveKey(const Key& key, int slot, S& s)
{
    auto stored = RegistryKey::Create(KeyPath(key, slot));
    if (!stored)
        return false;
    for (const Field& field : key.fields) {
        const QString name = QString::fromLatin1(field.name);
        if (field.text)
            stored->WriteText(name, field.text(s, slot));
        else
            stored->WriteDword(name, field.number(s, slot));
    }
    return stored->Flush();
}

} // namespace

void LoadSettings()
{
    SystemSettings initial;
    for (const Key& key : Keys()) {
        for (int slot = 0; slot < std::max(key.slotCount, 1); ++slot) {
            if (!LoadKey(key, slot, g_Settings, initial))
                return;
        }
    }
}

bool SaveSettings()
{
    for (const Key& key : Keys()) {
        for (int slot = 0; slot < std::max(key.slotCount, 1); ++slot) {
            if (!SaveKey(key, slot, g_Settings))
                return false;
        }
    }
    return true;
}

void ResetSettings()
{
    const std::array<QString, kAlarmItems> names = g_Settings.AlarmItem;
    g_Settings = SystemSettings{};
    g_Settings.AlarmItem = names;
    g_Settings.ECGLimit = 1;
    g_Settings.SamplePCG = 1;
    g_Settings.PCGLimit = 1;
    g_Settings.AlarmLow = {60, 60, 70};
    g_Settings.PaperStyle = 0;
}

void LoadOrInitSettings()
{
    LoadSettings();
    if (!RegistryKey::Open(QStringLiteral("Setting\\Hospital")))
        SaveSettings();
}

void ApplySmoothLines()
{
    g_SmoothLines = g_Settings.Smooth != 0;
}
