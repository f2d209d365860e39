// Arbitrary bytes as ECG samples through the enhanced beat detector, once
// sample by sample (the live path) and once in runs of samples (the
// whole-file path): every beat must be well formed and final within 60
// samples, and both paths must give the same beats and heart rates.

#include "signal/enhanced_qrs_detector.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class CheckingSink final : public QrsRecordSink {
public:
    void Put(std::uint64_t index, const QrsRecord& beat) override
    {
        if (index != beats.size() || beat.Onset > beat.Peak || beat.Peak >= beat.End
            || (index > 0 && beat.Peak <= beats.back().Peak) || beat.BeatClass > kBeatPause)
            std::abort();
        beats.push_back(beat);
    }

    std::vector<QrsRecord> beats;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Short inputs are repeated so that the detector gets past its learning time.
    const std::size_t count = size / 2;
    if (count == 0)
        return 0;
    std::vector<std::uint16_t> samples(std::max<std::size_t>(count, 2000));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::size_t k = (i % count) * 2;
        samples[i] = static_cast<std::uint16_t>(data[k] | (data[k + 1] << 8));
    }

    CEnhancedQrsDetector live;
    CheckingSink liveBeats;
    live.SetSink(&liveBeats);
    std::vector<int> liveRates;
    for (const std::uint16_t sample : samples) {
        if (live.ProcessSample(sample))
            liveRates.push_back(live.HeartRate());
        if (live.HeartRate() < 0 || live.HeartRate() > 399)
            std::abort();
    }
    if (live.LongestDelay() > 60)
        std::abort();

    // Runs of uneven lengths, taken from the input, so that run ends fall anywhere.
    CEnhancedQrsDetector file;
    CheckingSink fileBeats;
    file.SetSink(&fileBeats);
    std::vector<int> fileRates;
    for (std::size_t done = 0, run = 0; done < samples.size(); ++run) {
        const std::size_t length = std::min<std::size_t>(1 + data[run % size] * 3, samples.size() - done);
        file.ProcessSamples(std::span<const std::uint16_t>(samples).subspan(done, length), fileRates);
        done += length;
    }
    if (fileBeats.beats != liveBeats.beats || fileRates != liveRates)
        std::abort();
    return 0;
}
