#pragma once

#include <cstdint>

// The analysis settings the desaturation search reads, copied in by the
// caller; the defaults are the first-run values.
struct SpOSettings {
    std::uint16_t MinSpo2 = 42;
    std::uint16_t MaxSpo2 = 100;
    std::int16_t Desaturation = 4;  // least fall, SpO2 points
    std::int16_t MaxDrop = 2;       // fastest mean fall, points per second
    std::int32_t MinDesatTime = 8;  // seconds; also the widest gap the swing merge bridges
    std::int32_t MaxDesatTime = 180;
    std::int16_t SwingIndex = 0;    // 0: no merging of falls
    std::uint16_t Level = 88;       // desaturation criteria level
};
