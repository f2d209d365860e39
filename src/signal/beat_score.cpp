#include "signal/beat_score.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

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

BeatScore ScoreBeats(std::span<const std::int64_t> reference, std::span<const std::int64_t> detected,
                     std::int64_t learningSamples)
{
    struct Candidate {
        std::int64_t distance;
        std::size_t ref;
        std::size_t det;
    };
    std::vector<std::int64_t> refs(reference.begin(), reference.end());
    std::vector<std::int64_t> dets(detected.begin(), detected.end());
    std::sort(refs.begin(), refs.end());
    std::sort(dets.begin(), dets.end());

    std::vector<Candidate> candidates;
    std::size_t first = 0;
    for (std::size_t r = 0; r < refs.size(); ++r) {
        while (first < dets.size() && dets[first] < refs[r] - kScoreMatchWindow)
            ++first;
        for (std::size_t d = first; d < dets.size() && dets[d] <= refs[r] + kScoreMatchWindow; ++d)
            candidates.push_back({std::llabs(dets[d] - refs[r]), r, d});
    }
    // Closest first; among equals the earlier reference, then the earlier detection.
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.distance != b.distance ? a.distance < b.distance : (a.ref != b.ref ? a.ref < b.ref : a.det < b.det);
    });
    std::vector<bool> refUsed(refs.size(), false);
    std::vector<bool> detUsed(dets.size(), false);
    BeatScore score;
    for (const Candidate& c : candidates) {
        if (refUsed[c.ref] || detUsed[c.det])
            continue;
        refUsed[c.ref] = true;
        detUsed[c.det] = true;
        if (refs[c.ref] >= learningSamples)
            ++score.truePositives;
    }
    for (std::size_t r = 0; r < refs.size(); ++r)
        score.falseNegatives += !refUsed[r] && refs[r] >= learningSamples;
    for (std::size_t d = 0; d < dets.size(); ++d)
        score.falsePositives += !detUsed[d] && dets[d] >= learningSamples;
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
