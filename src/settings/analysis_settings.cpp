#include "settings/analysis_settings.h"

AnalysisSettings AnalysisSettingsFrom(const SystemSettings& settings)
{
    AnalysisSettings result;
    result.ecg.Filter50Hz = settings.Filter50Hz;
    result.ecg.Detector = settings.Detector;
    SpOSettings& spo = result.spo;
    spo.MinSpo2 = static_cast<std::uint16_t>(settings.MinSpo2);
    spo.MaxSpo2 = static_cast<std::uint16_t>(settings.MaxSpo2);
    spo.Desaturation = static_cast<std::int16_t>(settings.Desaturation);
    spo.MaxDrop = static_cast<std::int16_t>(settings.MaxDrop);
    spo.MinDesatTime = settings.MinDesatTime;
    spo.MaxDesatTime = settings.MaxDesatTime;
    spo.SwingIndex = static_cast<std::int16_t>(settings.SwingIndex);
    spo.Level = static_cast<std::uint16_t>(settings.Level);
    return result;
}
