#include "synthetic_spo2.h"

#include "gaussian_noise.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

// Share (0..1) of the event's depth reached at the given second.
double DepthShare(const Desaturation& event, double second)
{
    double t = second - event.startSecond;
    if (t < 0.0)
        return 0.0;
    if (t < event.fallSeconds)
        return t / event.fallSeconds;
    t -= event.fallSeconds;
    if (t < event.holdSeconds)
        return 1.0;
    t -= event.holdSeconds;
    if (t < event.riseSeconds)
        return 1.0 - t / event.riseSeconds;
    return 0.0;
}

} // namespace

SpO2Trace MakeSpO2(const SpO2Options& options)
{
    SpO2Trace trace;
    const auto count = static_cast<std::size_t>(std::max<long long>(0, std::llround(options.seconds)));
    trace.spo2.resize(count);
    trace.pulse.resize(count);
    GaussianNoise random(options.seed);
    for (std::size_t s = 0; s < count; ++s) {
        const double second = static_cast<double>(s);
        double depth = 0.0;
        for (const Desaturation& event : options.desaturations)
            depth = std::max(depth, event.depthPercent * DepthShare(event, second));
        double spo2 = options.baselinePercent - depth;
        double pulse = options.pulseBpm;
        if (options.noisePercent != 0.0) {
            spo2 += options.noisePercent * random.NextNormal();
            pulse += options.noisePercent * random.NextNormal();
        }
        trace.spo2[s] = static_cast<std::uint16_t>(std::clamp(std::round(spo2), 0.0, 100.0));
        trace.pulse[s] = static_cast<std::uint16_t>(std::clamp(std::round(pulse), 0.0, 65535.0));
    }
    return trace;
}

} // namespace synth
