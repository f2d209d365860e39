#include "signal/beat_score.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

BeatScore& BeatScore::operator+=(const BeatScore& other)
{
    truePositives += other.truePositives;
    falseNegatives += other.falseNegatives;
    falsePositives += other.falsePositives;
    return *this;
}

namespace {

std::optional<double> Percent(std::uint64_t part, std::uint64_t whole)
{
    if (whole == 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

std::string FormatPercent(const std::optional<double>& value)
{
    if (!value)
        return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", *value);
    return text;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> BeatScore::Sensitivity() const
{
    return Percent(truePositives, truePositives + falseNegatives);
}

std::optional<double> BeatScore::PositivePredictivity() const
{
    return Percent(truePositives, truePositives + falsePositives);
}

std::string BeatScore::Line() const
{
    char counts[96];
    std::snprintf(counts, sizeof counts, "  TP %llu  FN %llu  FP %llu", static_cast<unsigned long long>(truePositives),
                  static_cast<unsigned long long>(falseNegatives), static_cast<unsigned long long>(falsePositives));
    return "Se " + FormatPercent(Sensitivity()) + "  +P " + FormatPercent(PositivePredictivity()) + counts;
}

ReferenceBeats ParseReferenceBeats(std::string_view text)
{
    ReferenceBeats result;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        std::int64_t sample = -1;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), sample);
        const std::string_view rest = line.substr(static_cast<std::size_t>(end - line.data()));
        const bool separated = rest.empty() || rest.front() == ' ' || rest.front() == '\t';
        if (error != std::errc() || sample < 0 || !separated) {
            result.samples.clear();
            result.error = "line " + std::to_string(lineNumber) + " is not \"<sample index> <code>\"";
            return result;
        }
        result.samples.push_back(sample);
    }
    std::sort(result.samples.begin(), result.samples.end());
    return result;
}

namespace {

// Detections at one sample index. They are paired front to back, so the
// paired ones are always the group's first `taken`.
struct DetectionGroup {
    std::int64_t sample;
    std::uint64_t count;
    std::uint64_t taken = 0;
};

std::vector<DetectionGroup> GroupDetections(std::span<const std::int64_t> detected)
{
    std::vector<std::int64_t> sorted(detected.begin(), detected.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<DetectionGroup> groups;
    for (const std::int64_t sample : sorted) {
        if (groups.empty() || groups.back().sample != sample)
            groups.push_back({sample, 0});
        ++groups.back().count;
    }
    return groups;
}

// Takes the earliest free detection at `sample`; false when there is none.
bool TakeDetectionAt(std::vector<DetectionGroup>& groups, std::int64_t sample)
{
    const auto group = std::lower_bound(groups.begin(), groups.end(), sample,
                                        [](const DetectionGroup& g, std::int64_t s) { return g.sample < s; });
    if (group == groups.end() || group->sample != sample || group->taken == group->count)
        return false;
    ++group->taken;
    return true;
}

// Takes the earliest free detection at reference - distance, else at
// reference + distance (sample indices that would overflow hold none).
bool TakeDetectionNear(std::vector<DetectionGroup>& groups, std::int64_t reference, std::int64_t distance)
{
    std::int64_t sample = 0;
    if (!__builtin_sub_overflow(reference, distance, &sample) && TakeDetectionAt(groups, sample))
        return true;
    return !__builtin_add_overflow(reference, distance, &sample) && TakeDetectionAt(groups, sample);
}

} // namespace

// Pairing all candidate pairs in the order (distance, reference, detection),
// skipping beats already used, is the same as visiting the distances 0 to 30
// in turn and, for each, the free reference beats in order (TakeDetectionNear).
// Time O(31 n log n), memory O(n), whatever the beats.
BeatScore ScoreBeats(std::span<const std::int64_t> reference, std::span<const std::int64_t> detected,
                     std::int64_t learningSamples)
{
    std::vector<std::int64_t> refs(reference.begin(), reference.end());
    std::sort(refs.begin(), refs.end());
    std::vector<DetectionGroup> groups = GroupDetections(detected);

    std::vector<bool> refUsed(refs.size(), false);
    BeatScore score;
    for (std::int64_t distance = 0; distance <= kScoreMatchWindow; ++distance) {
        for (std::size_t r = 0; r < refs.size(); ++r) {
            if (refUsed[r] || !TakeDetectionNear(groups, refs[r], distance))
                continue;
            refUsed[r] = true;
            if (refs[r] >= learningSamples)
                ++score.truePositives;
        }
    }
    for (std::size_t r = 0; r < refs.size(); ++r)
        score.falseNegatives += !refUsed[r] && refs[r] >= learningSamples;
    for (const DetectionGroup& group : groups)
        score.falsePositives += group.sample >= learningSamples ? group.count - group.taken : 0;
    return score;
}

std::vector<std::int64_t> DetectedPeaks(std::span<const QrsRecord> beats)
{
    std::vector<std::int64_t> peaks;
    peaks.reserve(beats.size());
    for (const QrsRecord& beat : beats)
        peaks.push_back(beat.Peak);
    std::sort(peaks.begin(), peaks.end());
    return peaks;
}
