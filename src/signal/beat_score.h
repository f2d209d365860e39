#pragma once

#include "signal/qrs_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Accuracy of a beat list against annotated reference beats, compared the way
// the ANSI/AAMI EC57 beat-by-beat comparison does it at 200 samples per second.
struct BeatScore {
    std::uint64_t truePositives = 0;
    std::uint64_t falseNegatives = 0;
    std::uint64_t falsePositives = 0;

    BeatScore& operator+=(const BeatScore& other);
    // Percentages; nullopt when there is nothing to divide by.
    std::optional<double> Sensitivity() const;
    std::optional<double> PositivePredictivity() const;
    // "Se 99.82 %  +P 99.71 %  TP 1895  FN 3  FP 5"
    std::string Line() const;
};

inline constexpr std::int64_t kScoreMatchWindow = 30;    // 150 ms: a match when |Peak - reference| <= 30
inline constexpr std::int64_t kScoreLearningSamples = 60000; // the first 5 minutes are left out

// Reads a reference list, one beat a line: "<sample index> <code>"; blank
// lines and lines starting with '#' are skipped. The error names the first
// line that is not of that form.
struct ReferenceBeats {
    std::vector<std::int64_t> samples; // ascending
    std::string error;                 // empty when the text was read
};
ReferenceBeats ParseReferenceBeats(std::string_view text);

// Pairs detections with reference beats, closest pairs first (among equal
// distances the earlier reference beat, then the earlier detection), each
// beat used at most once. Pairs and unmatched beats count only when their reference beat
// (for a pair or a missed beat) or their detection (for a false one) lies at or
// after `learningSamples`.
BeatScore ScoreBeats(std::span<const std::int64_t> reference, std::span<const std::int64_t> detected,
                     std::int64_t learningSamples = kScoreLearningSamples);

// The `Peak` of each record, ascending.
std::vector<std::int64_t> DetectedPeaks(std::span<const QrsRecord> beats);
