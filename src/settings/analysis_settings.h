#pragma once

#include "settings/system_settings.h"
#include "signal/ecg_settings.h"
#include "signal/spo_settings.h"

// The settings the analysers read, taken from the stored settings. The beat
// detection (the ECG view on opening a case, tavo-analyze) and the SpO2
// analysis (the review window) take their copies here, so a stored value
// reaches every analyser the same way.
struct AnalysisSettings {
    EcgSettings ecg;
    SpOSettings spo;
};

// The values are copied as they are: LoadSettings has already put every field
// within its valid range.
AnalysisSettings AnalysisSettingsFrom(const SystemSettings& settings);
