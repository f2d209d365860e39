#pragma once

inline constexpr int kDesignedDetector = 0;
inline constexpr int kEnhancedDetector = 1;

// The settings the beat detection reads, filled by the caller from the
// settings store.
struct EcgSettings {
    int Filter50Hz = 1; // 0: the power-line notch is off
    int Detector = kDesignedDetector;
};
