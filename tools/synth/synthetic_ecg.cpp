#include "synthetic_ecg.h"

#include "gaussian_noise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace synth {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kSwingPeriodSeconds = 60.0;
constexpr double kFirstBeatSeconds = 0.4;     // leaves room for the first P wave
constexpr double kPrematureFactor = 0.7;      // 30 % early
constexpr double kMinRateBpm = 20.0;

struct Wave {
    double offsetSeconds;   // centre relative to the R peak
    double amplitudeMv;
    double sigmaSeconds;
};

// One P-Q-R-S-T complex. Offsets of P and T scale with the square root of the
// R-R interval, as the QT interval does, so fast rhythms do not overlap.
std::array<Wave, 5> NormalComplex(double rrSeconds, double qrsMv)
{
    const double scale = std::sqrt(std::clamp(rrSeconds, 0.3, 2.0));
    return {{
        {-0.17 * scale, 0.12, 0.022},          // P
        {-0.028, -0.10 * qrsMv, 0.009},        // Q
        {0.0, qrsMv, 0.011},                   // R: QRS about 90 ms with Q and S
        {0.028, -0.20 * qrsMv, 0.009},         // S
        {0.27 * scale, 0.30, 0.068},           // T: about 160 ms wide at half height
    }};
}

// Premature ventricular beat: no P wave, QRS twice as wide, discordant T.
std::array<Wave, 5> PrematureComplex(double rrSeconds, double qrsMv)
{
    const double scale = std::sqrt(std::clamp(rrSeconds, 0.3, 2.0));
    return {{
        {0.0, 0.0, 0.02},                      // no P
        {-0.050, -0.12 * qrsMv, 0.016},
        {0.0, 1.1 * qrsMv, 0.022},
        {0.050, -0.30 * qrsMv, 0.016},
        {0.30 * scale, -0.28, 0.075},
    }};
}

double RateAt(const EcgOptions& options, double seconds)
{
    const double rate = options.rateBpm
        + options.rateSwingBpm * std::sin(kTwoPi * seconds / kSwingPeriodSeconds);
    return std::max(rate, kMinRateBpm);
}

std::vector<EcgBeat> PlaceBeats(const EcgOptions& options, std::int64_t sampleCount,
                                GaussianNoise& random)
{
    std::vector<EcgBeat> beats;
    double nextNormal = kFirstBeatSeconds;
    double previous = -1.0;
    bool previousPremature = false;
    while (true) {
        const double rr = 60.0 / RateAt(options, nextNormal);
        bool premature = false;
        double beatTime = nextNormal;
        // Never two in a row, never the first beat: each premature beat
        // keeps a normal beat on both sides.
        if (previous >= 0.0 && !previousPremature && options.prematureShare > 0.0
            && random.NextUniform() < options.prematureShare) {
            premature = true;
            beatTime = previous + kPrematureFactor * (nextNormal - previous);
        }
        const auto peak = static_cast<std::int64_t>(std::llround(beatTime * kEcgRateHz));
        if (peak >= sampleCount)
            break;
        beats.push_back({peak, premature});
        previousPremature = premature;
        previous = beatTime;
        // A premature beat does not reset the sinus rhythm, and the sinus beat
        // due while the ventricles are still refractory is not conducted: the
        // next normal beat comes one interval after that one (a full
        // compensatory pause).
        nextNormal += rr;
    }
    return beats;
}

void AddComplex(std::vector<double>& mv, std::int64_t peak, const std::array<Wave, 5>& waves)
{
    const auto count = static_cast<std::int64_t>(mv.size());
    for (const Wave& wave : waves) {
        if (wave.amplitudeMv == 0.0)
            continue;
        const double centre = static_cast<double>(peak) + wave.offsetSeconds * kEcgRateHz;
        const double sigma = wave.sigmaSeconds * kEcgRateHz;
        const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(centre - 5 * sigma));
        const auto last = std::min<std::int64_t>(count - 1, static_cast<std::int64_t>(centre + 5 * sigma) + 1);
        for (std::int64_t n = first; n <= last; ++n) {
            const double z = (static_cast<double>(n) - centre) / sigma;
            mv[static_cast<std::size_t>(n)] += wave.amplitudeMv * std::exp(-0.5 * z * z);
        }
    }
}

} // namespace

EcgTrace MakeEcg(const EcgOptions& options)
{
    EcgTrace trace;
    const auto sampleCount = std::max<std::int64_t>(0, std::llround(options.seconds * kEcgRateHz));
    GaussianNoise random(options.seed);
    trace.beats = PlaceBeats(options, sampleCount, random);

    std::vector<double> mv(static_cast<std::size_t>(sampleCount), 0.0);
    for (std::size_t k = 0; k < trace.beats.size(); ++k) {
        const EcgBeat& beat = trace.beats[k];
        const std::int64_t previousPeak = k > 0 ? trace.beats[k - 1].peakSample
                                                : beat.peakSample - kEcgRateHz;
        const double rr = static_cast<double>(beat.peakSample - previousPeak) / kEcgRateHz;
        AddComplex(mv, beat.peakSample, beat.premature ? PrematureComplex(rr, options.qrsMv)
                                                       : NormalComplex(rr, options.qrsMv));
    }

    const double wanderPhase1 = kTwoPi * random.NextUniform();
    const double wanderPhase2 = kTwoPi * random.NextUniform();
    const double humPhase = kTwoPi * random.NextUniform();
    trace.samples.resize(mv.size());
    for (std::size_t n = 0; n < mv.size(); ++n) {
        const double t = static_cast<double>(n) / kEcgRateHz;
        double value = mv[n];
        if (options.wanderMv != 0.0)
            value += options.wanderMv * (0.6 * std::sin(kTwoPi * 0.23 * t + wanderPhase1)
                                         + 0.4 * std::sin(kTwoPi * 0.37 * t + wanderPhase2));
        if (options.humMv != 0.0)
            value += options.humMv * std::sin(kTwoPi * 50.0 * t + humPhase);
        if (options.noiseMv != 0.0)
            value += options.noiseMv * random.NextNormal();
        const double counts = std::round(kEcgZeroLevel + value * kEcgCountsPerMv);
        trace.samples[n] = static_cast<std::uint16_t>(std::clamp(counts, 0.0, double{kEcgMaxCount}));
    }
    return trace;
}

} // namespace synth
