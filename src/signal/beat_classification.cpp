#include "signal/beat_classification.h"

#include <algorithm>
#include <cmath>

void ClassifyBeat(QrsRecord& beat, const QrsRecord& before)
{
    const bool clean = beat.NoiseCount < 2;
    if (beat.QrsWidth > 24 && clean && before.NoiseCount < 2) {
        beat.BeatClass = kBeatWide;
    } else if (beat.RRInterval > 400 && clean) {
        beat.BeatClass = kBeatPause;
    } else {
        const std::int32_t reference = before.RRInterval < 1 ? 1 : before.RRInterval;
        const std::int32_t percent = beat.RRInterval * 100 / reference;
        const bool followsClassified = before.BeatClass == kBeatNormal || before.BeatClass == kBeatPremature;
        if (percent < 78 && beat.RRInterval <= 120 && followsClassified && before.NoiseCount < 2)
            beat.BeatClass = kBeatPremature;
        else if (clean)
            beat.BeatClass = kBeatNormal;
    }
    if (!clean)
        beat.BeatClass = kBeatUnclassified;
}

int HeartRateOfBeats(const BeatRing& ring, std::int64_t beatCount, std::int64_t position)
{
    const auto beat = [&](std::int64_t index) -> const QrsRecord& { return ring[BeatRingSlot(index)]; };
    int heartRate = 0;
    if (beatCount >= 3) {
        std::int64_t sum = 0;
        int used = 0;
        bool stopped = false;
        for (int walked = 0; walked < kBeatRingSize - 1 && !stopped; ++walked) {
            const std::int64_t j = beatCount - 1 - walked;
            const QrsRecord& current = beat(j);
            const bool regular = (current.RRRatio >= 78 && current.RRRatio <= 128) || j == 0 || j == 1;
            if (current.NoiseCount < 2 && beat(j - 1).NoiseCount < 2 && regular && current.QrsWidth >= 6
                && current.QrsWidth <= 40) {
                sum += current.RRInterval;
                ++used;
            }
            stopped = sum > 800 || beat(j - 2).RRInterval == 0;
        }
        if (stopped) {
            const double ms = std::max(static_cast<double>(sum) * 5.0, 1.0);
            const auto rate = static_cast<std::int64_t>(std::trunc(used * 60000.0 / ms + 0.5));
            heartRate = static_cast<std::int16_t>(rate);
        }
    }
    if (heartRate < 5 || heartRate > 399 || position - static_cast<std::int64_t>(beat(beatCount - 1).Peak) > 1400)
        heartRate = 0;
    return heartRate;
}
