#pragma once

#include <cstdint>
#include <vector>

namespace synth {

struct EcgOptions {
    double seconds = 60.0;
    double rateBpm = 70.0;            // mean heart rate
    double rateSwingBpm = 0.0;        // slow sinusoidal rate variation (amplitude, period 60 s)
    double prematureShare = 0.0;      // share of beats that come 30 % early, wider QRS, no P
    double noiseMv = 0.0;             // white noise RMS in mV
    double wanderMv = 0.0;            // baseline wander amplitude in mV (0.2-0.4 Hz)
    double humMv = 0.0;               // 50 Hz mains hum amplitude in mV
    double qrsMv = 1.2;               // R-wave amplitude in mV
    std::uint32_t seed = 1;
};

struct EcgBeat {
    std::int64_t peakSample;
    bool premature;
};

struct EcgTrace {
    std::vector<std::uint16_t> samples;   // 200 Hz, 12-bit (0..4095), zero level 2048, 200 counts per mV
    std::vector<EcgBeat> beats;           // R-peak sample index of every beat, ascending
};

inline constexpr int kEcgRateHz = 200;
inline constexpr int kEcgZeroLevel = 2048;
inline constexpr int kEcgCountsPerMv = 200;
inline constexpr int kEcgMaxCount = 4095;

// Deterministic for a given seed. The R wave of every beat is centred exactly
// on its `peakSample`; a premature beat is followed by a compensatory pause.
EcgTrace MakeEcg(const EcgOptions& options);

} // namespace synth
