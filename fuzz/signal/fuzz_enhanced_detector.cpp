// Arbitrary bytes as ECG samples through the enhanced beat detector; every
// beat it writes must be well formed and final within 60 samples.

#include "signal/enhanced_qrs_detector.h"

#include <cstdint>
#include <cstdlib>

namespace {

class CheckingSink final : public QrsRecordSink {
public:
    void Put(std::uint64_t index, const QrsRecord& beat) override
    {
        if (index != m_next || beat.Onset > beat.Peak || beat.Peak >= beat.End
            || (index > 0 && beat.Peak <= m_lastPeak) || beat.BeatClass > kBeatPause)
            std::abort();
        m_lastPeak = beat.Peak;
        ++m_next;
    }

private:
    std::uint64_t m_next = 0;
    std::uint32_t m_lastPeak = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CEnhancedQrsDetector detector;
    CheckingSink sink;
    detector.SetSink(&sink);
    // Short inputs are repeated so that the detector gets past its learning time.
    const std::size_t samples = size / 2;
    if (samples == 0)
        return 0;
    const std::size_t total = samples < 2000 ? 2000 : samples;
    for (std::size_t i = 0; i < total; ++i) {
        const std::size_t k = (i % samples) * 2;
        detector.ProcessSample(static_cast<std::uint16_t>(data[k] | (data[k + 1] << 8)));
        const int rate = detector.HeartRate();
        if (rate < 0 || rate > 399)
            std::abort();
    }
    if (detector.LongestDelay() > 60)
        std::abort();
    return 0;
}
