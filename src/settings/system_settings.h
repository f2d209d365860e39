#pragma once

#include <QString>
#include <array>

// Every persistent option of the program, one process-wide instance
// (g_Settings). Fields are named after their stored values; the initialisers
// are the first-run values (the store is empty). Everything but the settings
// dialog only reads the fields.
inline constexpr int kPhysicianSlots = 11;
inline constexpr int kAlarmItems = 3; // 0 heart rate, 1 pulse rate, 2 SpO2

struct SystemSettings {
    // "Setting\Hospital"
    QString HospitalName;
    QString HospitalPhone;
    QString HospitalFax;
    QString HospitalAddress;

    // "Setting\Physician" and its slot keys "Setting\Physician\0" .. "\10"
    int PhysicianIndex = 0;
    std::array<QString, kPhysicianSlots> PhysicianName;
    std::array<QString, kPhysicianSlots> PhysicianPhone;
    std::array<QString, kPhysicianSlots> PhysicianAddress;

    // "Setting\Sample"
    int FilterType = 0;   // 0 "50Hz", 1 "60Hz"
    int FilterMethod = 0; // 0 "FIR", 1 "IIR"
    int Filter50Hz = 1;
    int FilterEMG = 0;
    int FilterBase = 1;
    int SampleECG = 1;    // stored as "ECG"
    int ECGLimit = 0;
    int ECGTimer = 60;    // seconds, 3..14400
    int SamplePCG = 0;    // stored as "PCG"
    int PCGLimit = 0;
    int PCGTimer = 60;    // seconds, 3..14400

    // "Setting\Analysis"
    int FilterRRRefP = 300; // ms, 0..300
    int Tachycardia = 100;  // bpm, 100..300
    int Bradycardia = 60;   // bpm, 0..60
    int MinSpo2 = 42;       // %, 0..MaxSpo2
    int MaxSpo2 = 100;      // %, MinSpo2..100
    int MaxDesatTime = 180; // s, MinDesatTime..180
    int MinDesatTime = 8;   // s, 8..MaxDesatTime
    int SwingIndex = 0;     // 0..100
    int MaxDrop = 2;        // %/s, 0..100
    int Desaturation = 4;   // %, 0..100
    int Level = 88;         // %, desaturation criteria level, 0..100
    int Detector = 0;       // beat detector: 0 designed, 1 enhanced

    // "Setting\Alarm" and its item keys "Setting\Alarm\0" .. "\2"
    int AlarmIndex = 0;
    std::array<QString, kAlarmItems> AlarmItem{QStringLiteral("HR"), QStringLiteral("Pulse"),
                                               QStringLiteral("SPO2")};
    std::array<int, kAlarmItems> AlarmUp{100, 100, 100};  // AlarmLow + 1 .. 100
    std::array<int, kAlarmItems> AlarmLow{50, 50, 50};    // 50 .. AlarmUp - 1
    std::array<int, kAlarmItems> AlarmOn{0, 0, 0};        // 0 "ON", 1 "OFF"

    // "Setting\Interface"
    int Smooth = 1;
    QString Language = QStringLiteral("English");
    int ECGWave = 1;
    int SPO2Wave = 1;

    // "Setting\Print" (value names with a blank, e.g. "Paper Style")
    int PaperStyle = 1;   // 0 "A4", 1 "B5"
    int PrintStyle = 1;   // 0 "Landscape", 1 "Portrait"
    int PrintECGPLETH = 0;
    int PrintECGQRS = 1;
    int PrintECGTrend = 1;
    int PrintECGMarkBox = 0;
    int PrintECGMark = 0;
    int PrintSPO2Trend = 1;
    int PrintSPO2Event = 1;
    int PrintSPO2PI = 0;

    bool operator==(const SystemSettings&) const = default;
};

extern SystemSettings g_Settings;

// The application key every stored key lives under.
extern const QString g_RegistryRoot; // "SOFTWARE\Halvik\TAVO_Vezi\"

// Reads the store into g_Settings, key by key in a fixed order. The first key
// that does not exist ends the load: it and every later field keep their
// current values. A missing text value loads as ""; a missing integer or one of
// the wrong type leaves its field unchanged; an integer outside its valid range
// (or a Min/Max or alarm pair out of order) gives the field its first-run
// value. Texts longer than 255 bytes are cut to 255 bytes at a UTF-8 character
// boundary. Never fails.
void LoadSettings();

// Writes every field of g_Settings. Returns false at the first key that cannot
// be created (the rest is then not written).
bool SaveSettings();

// Assigns the values of the settings dialog's "Default" button: texts empty,
// Language "English", AlarmItem names kept. Neither loads nor saves.
void ResetSettings();

// Start-up: LoadSettings(), and when the store has never been written (no
// "Setting\Hospital" key), SaveSettings() so that the first-run values are
// stored from the first start on.
void LoadOrInitSettings();

// The smooth line drawer's own copy of Smooth. Whoever assigns
// g_Settings.Smooth (start-up, the settings dialog's OK) calls
// ApplySmoothLines() so the drawer follows; the drawer reads only this flag.
extern bool g_SmoothLines;
void ApplySmoothLines(); // g_SmoothLines = (g_Settings.Smooth != 0)
