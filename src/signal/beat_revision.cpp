#include "signal/beat_revision.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// The ring of the last 20 values of normal beats and their integer average.
class RecentValues {
public:
    void Append(int value)
    {
        int& slot = m_values[m_appended % m_values.size()];
        m_sum += value - slot;
        slot = value;
        ++m_appended;
        const std::size_t held = std::min<std::size_t>(m_appended, m_values.size());
        m_average = static_cast<int>(m_sum / static_cast<long long>(held));
    }
    int average() const { return m_average; }
    std::size_t appended() const { return m_appended; }

private:
    std::array<int, 20> m_values{};
    std::size_t m_appended = 0;
    long long m_sum = 0; // of the values held
    int m_average = 0;
};

// Quotient in double with IEEE results for a zero divisor (infinity or NaN),
// as the comparisons below expect.
double Ratio(double numerator, double denominator)
{
    if (denominator == 0.0) {
        if (numerator == 0.0)
            return std::numeric_limits<double>::quiet_NaN();
        return numerator > 0 ? std::numeric_limits<double>::infinity()
                             : -std::numeric_limits<double>::infinity();
    }
    return numerator / denominator;
}

bool IsEctopic(std::uint32_t beatClass) { return beatClass == kBeatWide || beatClass == kBeatPremature; }

} // namespace

void ReviseBeatClasses(std::vector<QrsRecord>& beats)
{
    const std::size_t count = beats.size();
    if (count <= 4)
        return;
    RecentValues intervals;
    RecentValues widths;
    for (std::size_t x = 3; x + 1 < count; ++x) {
        const QrsRecord& q = beats[x - 2];
        const QrsRecord& p = beats[x - 1];
        const QrsRecord& f = beats[x + 1];
        QrsRecord& beat = beats[x];

        if (q.BeatClass == kBeatNormal && p.BeatClass == kBeatNormal) {
            intervals.Append(p.RRInterval);
            widths.Append(p.QrsWidth);
        }
        const double averageRR = intervals.average();
        const int widthLimit = widths.average() + 2;
        const std::uint32_t byWidth = beat.QrsWidth > widthLimit ? kBeatWide : kBeatPremature;

        if (beat.RRInterval > 400) {
            beat.BeatClass = (beat.NoiseCount < 2 && beat.RRInterval <= 6000) ? kBeatPause : kBeatLongPause;
            continue;
        }
        if (IsEctopic(p.BeatClass) && Ratio(beat.RRInterval, averageRR) < 0.78 && intervals.appended() > 20) {
            if (q.BeatClass == kBeatNormal && f.BeatClass == kBeatNormal && Ratio(f.RRInterval, averageRR) >= 0
                && std::fabs(Ratio(p.RRInterval + beat.RRInterval, averageRR) - 1) < 0.2)
                beat.BeatClass = kBeatNormal;
            else if (f.BeatClass != 7) // a following class 7 leaves the beat as it is
                beat.BeatClass = byWidth;
            continue;
        }
        if (q.BeatClass == kBeatNormal && p.BeatClass == kBeatNormal && f.BeatClass != 8
            && beat.RRRatio * 0.01 < 0.78 && p.RRRatio * 0.01 < 1.8 && f.BeatClass != 7) {
            beat.BeatClass = byWidth;
            continue;
        }
        if (IsEctopic(q.BeatClass) && p.BeatClass == kBeatNormal && beat.RRRatio * 0.01 < 0.78
            && f.BeatClass != 7 && f.BeatClass != 8) {
            const bool shortAgainstNext = Ratio(beat.RRInterval, f.RRInterval) < 0.78;
            const bool shortAgainstPair = Ratio(2 * beat.RRInterval, p.RRInterval + q.RRInterval) < 0.78;
            beat.BeatClass = (shortAgainstNext || shortAgainstPair) ? byWidth : kBeatNormal;
            continue;
        }
        beat.BeatClass = kBeatNormal;
    }
}

void TrimBeatsBeyond(std::vector<QrsRecord>& beats, std::uint64_t sampleCount)
{
    for (std::size_t k = 0; k < beats.size(); ++k) {
        if (beats[k].Peak > sampleCount) {
            beats.resize(k);
            return;
        }
    }
}
