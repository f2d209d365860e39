#include "archive_signals.h"

#include <cmath>
#include <random>

namespace recsim {
namespace {

// Shortest slot that holds the longest event (30 + 20 + 25 s) with room around it.
constexpr double kMinSlotSeconds = 120.0;

class Uniform {
public:
    explicit Uniform(std::uint32_t seed) : m_engine(seed) {}
    double Between(double low, double high)
    {
        return low + (high - low) * (static_cast<double>(m_engine()) / 4294967296.0);
    }

private:
    std::mt19937 m_engine;
};

} // namespace

std::vector<synth::Desaturation> PlanDesaturations(double seconds, double perHour, std::uint32_t seed)
{
    std::vector<synth::Desaturation> events;
    const auto wanted = static_cast<int>(std::llround(seconds / 3600.0 * perHour));
    const int count = std::min(wanted, static_cast<int>(seconds / kMinSlotSeconds));
    if (count <= 0)
        return events;
    const double slot = seconds / count;
    Uniform random(seed ^ 0x5EEDu);
    for (int k = 0; k < count; ++k) {
        synth::Desaturation event{};
        event.fallSeconds = std::round(random.Between(10.0, 30.0));
        event.holdSeconds = std::round(random.Between(5.0, 20.0));
        event.riseSeconds = std::round(random.Between(10.0, 25.0));
        event.depthPercent = static_cast<int>(random.Between(4.0, 13.0));
        const double length = event.fallSeconds + event.holdSeconds + event.riseSeconds;
        event.startSecond = std::round(slot * k + random.Between(0.1, 0.9) * (slot - length - 10.0));
        events.push_back(event);
    }
    return events;
}

ArchiveSignals MakeArchiveSignals(const SimOptions& options, int index)
{
    ArchiveSignals signals;
    const std::uint32_t seed = options.seed + static_cast<std::uint32_t>(index);
    if (options.type != archive::SampleType::SpO2) {
        synth::EcgOptions ecg;
        ecg.seconds = options.seconds;
        ecg.rateBpm = options.rateBpm;
        ecg.rateSwingBpm = options.rateSwingBpm;
        ecg.prematureShare = options.prematureShare;
        ecg.noiseMv = options.noiseMv;
        ecg.wanderMv = options.wanderMv;
        ecg.humMv = options.humMv;
        ecg.seed = seed;
        signals.ecg = synth::MakeEcg(ecg);
    }
    if (options.type != archive::SampleType::Ecg) {
        signals.desaturations = PlanDesaturations(options.seconds, options.eventsPerHour, seed);
        synth::SpO2Options spo2;
        spo2.seconds = options.seconds;
        spo2.baselinePercent = options.baselinePercent;
        spo2.pulseBpm = options.rateBpm;
        spo2.desaturations = signals.desaturations;
        spo2.noisePercent = 0.0;
        spo2.seed = seed;
        signals.spo2 = synth::MakeSpO2(spo2);
    }
    return signals;
}

} // namespace recsim
