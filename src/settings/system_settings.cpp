#include "settings/system_settings.h"

#include "settings/registry_key.h"

SystemSettings g_Settings;
const QString g_RegistryRoot = QStringLiteral("SOFTWARE\\Halvik\\TAVO_Vezi\\");
bool g_SmoothLines = SystemSettings{}.Smooth != 0;

namespace {

const SystemSettings kInitial;

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

QString PhysicianKey(int slot)
{
    return QStringLiteral("Setting\\Physician\\%1").arg(slot);
}

QString AlarmKey(int item)
{
    return QStringLiteral("Setting\\Alarm\\%1").arg(item);
}

// Reads the values of one open key into fields.
class FieldReader {
public:
    explicit FieldReader(const RegistryKey& key) : m_key(key) {}

    // A missing text loads as "".
    void Text(const QString& name, QString& field) const
    {
        const auto bytes = m_key.ReadText(name);
        field = bytes ? CutText(*bytes) : QString();
    }

    // A missing integer leaves the field; one outside [low, high] gives it
    // its first-run value.
    void Int(const QString& name, int& field, int initial, int low, int high) const
    {
        if (const auto value = m_key.ReadDword(name))
            field = (*value >= low && *value <= high) ? *value : initial;
    }

    void Flag(const QString& name, int& field, int initial) const { Int(name, field, initial, 0, 1); }

private:
    const RegistryKey& m_key;
};

// Both members of a lower/upper pair return to their first-run values when
// the stored ones are out of order.
void KeepOrdered(int& low, int& high, int initialLow, int initialHigh, bool strict)
{
    if (strict ? low >= high : low > high) {
        low = initialLow;
        high = initialHigh;
    }
}

bool LoadHospital(SystemSettings& s)
{
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Hospital"));
    if (!key)
        return false;
    const FieldReader read(*key);
    read.Text(QStringLiteral("HospitalName"), s.HospitalName);
    read.Text(QStringLiteral("HospitalPhone"), s.HospitalPhone);
    read.Text(QStringLiteral("HospitalFax"), s.HospitalFax);
    read.Text(QStringLiteral("HospitalAddress"), s.HospitalAddress);
    return true;
}

bool LoadPhysicians(SystemSettings& s)
{
    {
        const auto key = RegistryKey::Open(QStringLiteral("Setting\\Physician"));
        if (!key)
            return false;
        FieldReader(*key).Int(QStringLiteral("PhysicianIndex"), s.PhysicianIndex, kInitial.PhysicianIndex, 0,
                              kPhysicianSlots - 1);
    }
    for (int n = 0; n < kPhysicianSlots; ++n) {
        const auto key = RegistryKey::Open(PhysicianKey(n));
        if (!key)
            return false;
        const FieldReader read(*key);
        read.Text(QStringLiteral("PhysicianName"), s.PhysicianName[n]);
        read.Text(QStringLiteral("PhysicianPhone"), s.PhysicianPhone[n]);
        read.Text(QStringLiteral("PhysicianAddress"), s.PhysicianAddress[n]);
    }
    return true;
}

bool LoadSample(SystemSettings& s)
{
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Sample"));
    if (!key)
        return false;
    const FieldReader read(*key);
    const SystemSettings& i = kInitial;
    read.Int(QStringLiteral("FilterType"), s.FilterType, i.FilterType, 0, 1);
    read.Int(QStringLiteral("FilterMethod"), s.FilterMethod, i.FilterMethod, 0, 1);
    read.Flag(QStringLiteral("Filter50Hz"), s.Filter50Hz, i.Filter50Hz);
    read.Flag(QStringLiteral("FilterEMG"), s.FilterEMG, i.FilterEMG);
    read.Flag(QStringLiteral("FilterBase"), s.FilterBase, i.FilterBase);
    read.Flag(QStringLiteral("ECG"), s.SampleECG, i.SampleECG);
    read.Flag(QStringLiteral("ECGLimit"), s.ECGLimit, i.ECGLimit);
    read.Int(QStringLiteral("ECGTimer"), s.ECGTimer, i.ECGTimer, 3, 14400);
    read.Flag(QStringLiteral("PCG"), s.SamplePCG, i.SamplePCG);
    read.Flag(QStringLiteral("PCGLimit"), s.PCGLimit, i.PCGLimit);
    read.Int(QStringLiteral("PCGTimer"), s.PCGTimer, i.PCGTimer, 3, 14400);
    return true;
}

bool LoadAnalysis(SystemSettings& s)
{
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Analysis"));
    if (!key)
        return false;
    const FieldReader read(*key);
    const SystemSettings& i = kInitial;
    read.Int(QStringLiteral("FilterRRRefP"), s.FilterRRRefP, i.FilterRRRefP, 0, 300);
    read.Int(QStringLiteral("Tachycardia"), s.Tachycardia, i.Tachycardia, 100, 300);
    read.Int(QStringLiteral("Bradycardia"), s.Bradycardia, i.Bradycardia, 0, 60);
    read.Int(QStringLiteral("MinSpo2"), s.MinSpo2, i.MinSpo2, 0, 100);
    read.Int(QStringLiteral("MaxSpo2"), s.MaxSpo2, i.MaxSpo2, 0, 100);
    read.Int(QStringLiteral("MaxDesatTime"), s.MaxDesatTime, i.MaxDesatTime, 8, 180);
    read.Int(QStringLiteral("MinDesatTime"), s.MinDesatTime, i.MinDesatTime, 8, 180);
    read.Int(QStringLiteral("SwingIndex"), s.SwingIndex, i.SwingIndex, 0, 100);
    read.Int(QStringLiteral("MaxDrop"), s.MaxDrop, i.MaxDrop, 0, 100);
    read.Int(QStringLiteral("Desaturation"), s.Desaturation, i.Desaturation, 0, 100);
    read.Int(QStringLiteral("Level"), s.Level, i.Level, 0, 100);
    read.Int(QStringLiteral("Detector"), s.Detector, i.Detector, 0, 1);
    KeepOrdered(s.MinSpo2, s.MaxSpo2, i.MinSpo2, i.MaxSpo2, false);
    KeepOrdered(s.MinDesatTime, s.MaxDesatTime, i.MinDesatTime, i.MaxDesatTime, false);
    return true;
}

bool LoadAlarms(SystemSettings& s)
{
    const SystemSettings& i = kInitial;
    for (int n = 0; n < kAlarmItems; ++n) {
        const auto key = RegistryKey::Open(AlarmKey(n));
        if (!key)
            return false;
        const FieldReader read(*key);
        read.Text(QStringLiteral("AlarmItem"), s.AlarmItem[n]);
        read.Int(QStringLiteral("AlarmUp"), s.AlarmUp[n], i.AlarmUp[n], 51, 100);
        read.Int(QStringLiteral("AlarmLow"), s.AlarmLow[n], i.AlarmLow[n], 50, 99);
        read.Int(QStringLiteral("AlarmOn"), s.AlarmOn[n], i.AlarmOn[n], 0, 1);
        KeepOrdered(s.AlarmLow[n], s.AlarmUp[n], i.AlarmLow[n], i.AlarmUp[n], true);
    }
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Alarm"));
    if (!key)
        return false;
    FieldReader(*key).Int(QStringLiteral("AlarmIndex"), s.AlarmIndex, i.AlarmIndex, 0, kAlarmItems - 1);
    return true;
}

bool LoadInterface(SystemSettings& s)
{
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Interface"));
    if (!key)
        return false;
    const FieldReader read(*key);
    read.Flag(QStringLiteral("Smooth"), s.Smooth, kInitial.Smooth);
    read.Flag(QStringLiteral("ECGWave"), s.ECGWave, kInitial.ECGWave);
    read.Flag(QStringLiteral("SPO2Wave"), s.SPO2Wave, kInitial.SPO2Wave);
    read.Text(QStringLiteral("Language"), s.Language);
    return true;
}

bool LoadPrint(SystemSettings& s)
{
    const auto key = RegistryKey::Open(QStringLiteral("Setting\\Print"));
    if (!key)
        return false;
    const FieldReader read(*key);
    const SystemSettings& i = kInitial;
    read.Flag(QStringLiteral("Paper Style"), s.PaperStyle, i.PaperStyle);
    read.Flag(QStringLiteral("Print Style"), s.PrintStyle, i.PrintStyle);
    read.Flag(QStringLiteral("Print ECGPLETH"), s.PrintECGPLETH, i.PrintECGPLETH);
    read.Flag(QStringLiteral("Print ECGQRS"), s.PrintECGQRS, i.PrintECGQRS);
    read.Flag(QStringLiteral("Print ECGMarkBox"), s.PrintECGMarkBox, i.PrintECGMarkBox);
    read.Flag(QStringLiteral("Print ECGMark"), s.PrintECGMark, i.PrintECGMark);
    read.Flag(QStringLiteral("Print SPO2Trend"), s.PrintSPO2Trend, i.PrintSPO2Trend);
    read.Flag(QStringLiteral("Print ECGTrend"), s.PrintECGTrend, i.PrintECGTrend);
    read.Flag(QStringLiteral("Print SPO2Event"), s.PrintSPO2Event, i.PrintSPO2Event);
    read.Flag(QStringLiteral("Print SPO2PI"), s.PrintSPO2PI, i.PrintSPO2PI);
    return true;
}

// Creates one key, lets `write` fill it and writes it to the file.
template <typename Writer>
bool SaveKey(const QString& keyPath, Writer write)
{
    auto key = RegistryKey::Create(keyPath);
    if (!key)
        return false;
    write(*key);
    return key->Flush();
}

} // namespace

void LoadSettings()
{
    for (auto load : {LoadHospital, LoadPhysicians, LoadSample, LoadAnalysis, LoadAlarms, LoadInterface, LoadPrint})
        if (!load(g_Settings))
            return;
}

bool SaveSettings()
{
    const SystemSettings& s = g_Settings;
    const auto text = [](RegistryKey& key, const char* name, const QString& value) {
        key.WriteText(QString::fromLatin1(name), value);
    };
    const auto dword = [](RegistryKey& key, const char* name, int value) {
        key.WriteDword(QString::fromLatin1(name), value);
    };

    if (!SaveKey(QStringLiteral("Setting\\Hospital"), [&](RegistryKey& key) {
            text(key, "HospitalName", s.HospitalName);
            text(key, "HospitalPhone", s.HospitalPhone);
            text(key, "HospitalFax", s.HospitalFax);
            text(key, "HospitalAddress", s.HospitalAddress);
        }))
        return false;

    if (!SaveKey(QStringLiteral("Setting\\Physician"),
                 [&](RegistryKey& key) { dword(key, "PhysicianIndex", s.PhysicianIndex); }))
        return false;
    for (int n = 0; n < kPhysicianSlots; ++n) {
        if (!SaveKey(PhysicianKey(n), [&](RegistryKey& key) {
                text(key, "PhysicianName", s.PhysicianName[n]);
                text(key, "PhysicianPhone", s.PhysicianPhone[n]);
                text(key, "PhysicianAddress", s.PhysicianAddress[n]);
            }))
            return false;
    }

    if (!SaveKey(QStringLiteral("Setting\\Sample"), [&](RegistryKey& key) {
            dword(key, "FilterType", s.FilterType);
            dword(key, "FilterMethod", s.FilterMethod);
            dword(key, "Filter50Hz", s.Filter50Hz);
            dword(key, "FilterEMG", s.FilterEMG);
            dword(key, "FilterBase", s.FilterBase);
            dword(key, "ECG", s.SampleECG);
            dword(key, "ECGLimit", s.ECGLimit);
            dword(key, "ECGTimer", s.ECGTimer);
            dword(key, "PCG", s.SamplePCG);
            dword(key, "PCGLimit", s.PCGLimit);
            dword(key, "PCGTimer", s.PCGTimer);
        }))
        return false;

    if (!SaveKey(QStringLiteral("Setting\\Analysis"), [&](RegistryKey& key) {
            dword(key, "FilterRRRefP", s.FilterRRRefP);
            dword(key, "Tachycardia", s.Tachycardia);
            dword(key, "Bradycardia", s.Bradycardia);
            dword(key, "MinSpo2", s.MinSpo2);
            dword(key, "MaxSpo2", s.MaxSpo2);
            dword(key, "MaxDesatTime", s.MaxDesatTime);
            dword(key, "MinDesatTime", s.MinDesatTime);
            dword(key, "SwingIndex", s.SwingIndex);
            dword(key, "MaxDrop", s.MaxDrop);
            dword(key, "Desaturation", s.Desaturation);
            dword(key, "Level", s.Level);
            dword(key, "Detector", s.Detector);
        }))
        return false;

    if (!SaveKey(QStringLiteral("Setting\\Alarm"), [&](RegistryKey& key) { dword(key, "AlarmIndex", s.AlarmIndex); }))
        return false;
    for (int n = 0; n < kAlarmItems; ++n) {
        if (!SaveKey(AlarmKey(n), [&](RegistryKey& key) {
                text(key, "AlarmItem", s.AlarmItem[n]);
                dword(key, "AlarmUp", s.AlarmUp[n]);
                dword(key, "AlarmLow", s.AlarmLow[n]);
                dword(key, "AlarmOn", s.AlarmOn[n]);
            }))
            return false;
    }

    if (!SaveKey(QStringLiteral("Setting\\Interface"), [&](RegistryKey& key) {
            dword(key, "Smooth", s.Smooth);
            text(key, "Language", s.Language);
            dword(key, "ECGWave", s.ECGWave);
            dword(key, "SPO2Wave", s.SPO2Wave);
        }))
        return false;

    return SaveKey(QStringLiteral("Setting\\Print"), [&](RegistryKey& key) {
        dword(key, "Paper Style", s.PaperStyle);
        dword(key, "Print Style", s.PrintStyle);
        dword(key, "Print ECGPLETH", s.PrintECGPLETH);
        dword(key, "Print ECGQRS", s.PrintECGQRS);
        dword(key, "Print ECGTrend", s.PrintECGTrend);
        dword(key, "Print ECGMarkBox", s.PrintECGMarkBox);
        dword(key, "Print ECGMark", s.PrintECGMark);
        dword(key, "Print SPO2Event", s.PrintSPO2Event);
        dword(key, "Print SPO2PI", s.PrintSPO2PI);
        dword(key, "Print SPO2Trend", s.PrintSPO2Trend);
    });
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
