#pragma once

#include <cstdint>
#include <vector>

namespace synth {

struct Desaturation {
    double startSecond;      // SpO2 starts falling here
    double fallSeconds;      // time to reach the nadir
    double holdSeconds;      // time at the nadir
    double riseSeconds;      // time back to the baseline
    int depthPercent;        // baseline - nadir
};

struct SpO2Options {
    double seconds = 3600.0;
    int baselinePercent = 97;
    double pulseBpm = 70.0;
    std::vector<Desaturation> desaturations;  // explicit events (ascending, not overlapping)
    double noisePercent = 0.0;                // small jitter, rounded away mostly
    std::uint32_t seed = 1;
};

struct SpO2Trace {
    std::vector<std::uint16_t> spo2;   // one value per second, percent
    std::vector<std::uint16_t> pulse;  // one value per second, beats per minute
};

// Deterministic for a given seed. Without noise, second s reads the baseline
// minus depth x (fraction of the event's profile reached at s): linear fall,
// flat hold at exactly the nadir, linear rise. The jitter (RMS noisePercent)
// is added to both SpO2 and pulse before rounding; SpO2 is kept within 0..100.
SpO2Trace MakeSpO2(const SpO2Options& options);

} // namespace synth
