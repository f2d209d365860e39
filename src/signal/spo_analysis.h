#pragma once

#include "signal/analysis_progress.h"
#include "signal/spo_result.h"
#include "signal/spo_settings.h"
#include "base/status.h"

#include <cstdint>
#include <filesystem>
#include <vector>

// Desaturation events and summary statistics of one "data.spo".
class CSpOAnalysis {
public:
    explicit CSpOAnalysis(const SpOSettings& settings = {}, AnalysisProgress* progress = nullptr);
    virtual ~CSpOAnalysis();
    CSpOAnalysis(const CSpOAnalysis&) = delete;
    CSpOAnalysis& operator=(const CSpOAnalysis&) = delete;

    // Loads the series, finds the events and computes the statistics. Fails
    // (leaving the reset block and no events) for an empty path, an
    // unreadable file or one shorter than 4 bytes.
    base::Status AnalyseFile(const std::filesystem::path& dataPath);

    // Writes the block and the events ("ana.spo"); a failed write leaves any
    // previous file as it was.
    base::Status SaveResult(const std::filesystem::path& resultPath) const;

    // Analyses a case's "data.spo" and, only when that succeeds, replaces its
    // result file: a failed analysis keeps the previous result rather than
    // writing an empty one.
    base::Status AnalyseAndSave(const std::filesystem::path& dataPath, const std::filesystem::path& resultPath);

    const SpOAnaResult& GetResult() const { return m_result; }
    const std::vector<SpOEvent>& GetEvents() const { return m_events; }
    std::size_t SampleCount() const { return m_spo2.size(); }

private:
    struct Candidate {
        std::int64_t start = -1;
        std::int64_t end = -1;
        bool open() const { return start != -1 && end != -1; }
    };

    void Reset();
    bool Load(const std::vector<std::uint8_t>& bytes);
    void ScanCandidates();
    void CloseCandidate();
    void MergeSwings();
    void ComputeStatistics();

    bool IsValid(std::uint16_t spo2) const;
    bool Qualifies(std::int64_t start, std::int64_t end) const;
    bool AllValid(std::int64_t start, std::int64_t end) const;
    SpOEvent MakeEvent(std::int64_t start, std::int64_t end) const;
    void Report(std::int64_t percent);

    SpOSettings m_settings;
    AnalysisProgress* m_progress;
    int m_lastPercent = -1;
    SpOAnaResult m_result;
    std::vector<SpOEvent> m_events;
    std::vector<std::uint16_t> m_spo2;
    Candidate m_candidate;
    std::uint16_t m_lowPulse = 240;
    float m_meanPulse = 0.0f;
};
