#include "signal/spo_analysis.h"

#include "base/little_endian.h"
#include "signal/file_io.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kLowestPulse = 30;
constexpr std::uint16_t kHighestPulse = 240;
constexpr float kPerMinute = 1.0f / 60.0f;
constexpr float kPerHour = 1.0f / 3600.0f;

} // namespace

CSpOAnalysis::CSpOAnalysis(const SpOSettings& settings, AnalysisProgress* progress)
    : m_settings(settings), m_progress(progress)
{
}

CSpOAnalysis::~CSpOAnalysis() = default;

void CSpOAnalysis::Reset()
{
    m_candidate = {};
    m_events.clear();
    m_spo2.clear();
    m_spo2.shrink_to_fit();
    m_result = SpOAnaResult{};
    m_lowPulse = kHighestPulse;
    m_meanPulse = 0.0f;
    m_lastPercent = -1;
}

void CSpOAnalysis::Report(std::int64_t percent)
{
    if (m_progress == nullptr || percent < 0 || percent > 100 || percent == m_lastPercent)
        return;
    m_lastPercent = static_cast<int>(percent);
    m_progress->SetPos(m_lastPercent);
}

bool CSpOAnalysis::IsValid(std::uint16_t spo2) const
{
    return m_settings.MinSpo2 <= spo2 && spo2 <= m_settings.MaxSpo2;
}

base::Status CSpOAnalysis::AnalyseFile(const std::filesystem::path& dataPath)
{
    if (dataPath.empty())
        return base::Status::Error("no data path");
    Reset();
    if (m_progress != nullptr)
        m_progress->SetText("IDS_STR_ANALYZE", "IDS_STR_ANA_SPO");
    Report(0);
    const auto bytes = ReadWholeFile(dataPath);
    if (!bytes)
        return base::Status::Error("cannot read " + dataPath.string());
    if (!Load(*bytes))
        return base::Status::Error(dataPath.string() + " holds no complete SpO2 record");
    ScanCandidates();
    if (m_settings.SwingIndex != 0)
        MergeSwings();
    ComputeStatistics();
    return base::Status::Ok();
}

bool CSpOAnalysis::Load(const std::vector<std::uint8_t>& bytes)
{
    const std::size_t words = bytes.size() / 2;
    if (words < 2)
        return false;
    const auto count = static_cast<std::int64_t>(words / 2);
    m_spo2.resize(static_cast<std::size_t>(count));
    std::int64_t pulses = 0;
    float pulseSum = 0.0f;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t* record = bytes.data() + 4 * i;
        m_spo2[static_cast<std::size_t>(i)] = base::le::GetU16(record);
        Report(20 * i / count);
        const std::uint16_t pulse = base::le::GetU16(record + 2);
        if (pulse >= kLowestPulse && pulse <= kHighestPulse) {
            m_lowPulse = std::min(m_lowPulse, pulse);
            ++pulses;
            pulseSum += static_cast<float>(pulse);
        }
    }
    if (pulses > 0)
        m_meanPulse = pulseSum / static_cast<float>(pulses);
    return true;
}

// A candidate is a run of falling or level valid samples that starts with a
// fall from a value strictly inside the valid range.
void CSpOAnalysis::ScanCandidates()
{
    const auto count = static_cast<std::int64_t>(m_spo2.size());
    for (std::int64_t i = 1; i < count; ++i) {
        Report(50 * i / count + 20);
        const std::uint16_t current = m_spo2[static_cast<std::size_t>(i)];
        const std::uint16_t previous = m_spo2[static_cast<std::size_t>(i - 1)];
        if (!IsValid(current) || current > previous) {
            CloseCandidate();
        } else if (current == previous) {
            if (m_candidate.open())
                m_candidate.end = i;
        } else if (m_candidate.open()) {
            m_candidate.end = i;
        } else if (m_settings.MinSpo2 < previous && previous < m_settings.MaxSpo2) {
            m_candidate = {i - 1, i};
        }
    }
    CloseCandidate();
}

void CSpOAnalysis::CloseCandidate()
{
    if (m_settings.SwingIndex == 0) {
        if (Qualifies(m_candidate.start, m_candidate.end))
            m_events.push_back(MakeEvent(m_candidate.start, m_candidate.end));
    } else if (m_candidate.open()) {
        m_events.push_back(MakeEvent(m_candidate.start, m_candidate.end)); // tested after the merge
    }
    m_candidate = {};
}

SpOEvent CSpOAnalysis::MakeEvent(std::int64_t start, std::int64_t end) const
{
    return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end),
            m_spo2[static_cast<std::size_t>(start)], m_spo2[static_cast<std::size_t>(end)]};
}

bool CSpOAnalysis::Qualifies(std::int64_t start, std::int64_t end) const
{
    if (start == -1 || end == -1)
        return false;
    const std::int32_t fall = static_cast<std::int32_t>(m_spo2[static_cast<std::size_t>(start)])
        - static_cast<std::int32_t>(m_spo2[static_cast<std::size_t>(end)]);
    const std::int64_t length = end - start;
    return fall >= m_settings.Desaturation && length >= m_settings.MinDesatTime && length <= m_settings.MaxDesatTime
        && fall <= static_cast<std::int64_t>(m_settings.MaxDrop) * length;
}

bool CSpOAnalysis::AllValid(std::int64_t start, std::int64_t end) const
{
    return std::all_of(m_spo2.begin() + start, m_spo2.begin() + end + 1,
                       [this](std::uint16_t value) { return IsValid(value); });
}

// Joins falls separated by a small, short recovery that stays below the level
// at which the first fall began.
void CSpOAnalysis::MergeSwings()
{
    const std::vector<SpOEvent> raw = std::move(m_events);
    m_events.clear();
    if (raw.empty())
        return;
    if (raw.size() == 1) {
        if (Qualifies(raw[0].StartIndex, raw[0].EndIndex))
            m_events.push_back(raw[0]);
        return;
    }
    const auto spo2At = [this](std::int64_t index) {
        return static_cast<std::int32_t>(m_spo2[static_cast<std::size_t>(index)]);
    };
    std::int64_t start = raw[0].StartIndex;
    std::int64_t end = raw[0].EndIndex;
    const auto appendIfSound = [&] {
        if (Qualifies(start, end) && AllValid(start, end))
            m_events.push_back(MakeEvent(start, end));
    };
    for (std::size_t k = 1; k < raw.size(); ++k) {
        const std::int64_t nextStart = raw[k].StartIndex;
        const bool merge = spo2At(nextStart) - spo2At(end) <= m_settings.SwingIndex
            && spo2At(nextStart) < spo2At(start) && nextStart - end <= m_settings.MinDesatTime;
        if (merge) {
            end = raw[k].EndIndex;
            continue;
        }
        appendIfSound();
        start = nextStart;
        end = raw[k].EndIndex;
    }
    appendIfSound();
}

void CSpOAnalysis::ComputeStatistics()
{
    const auto count = static_cast<std::int64_t>(m_spo2.size());
    if (count == 0)
        return;
    m_result = SpOAnaResult{};
    std::uint32_t valid = 0;
    std::int64_t sum = 0;
    std::uint32_t below = 0;
    std::uint16_t lowest = 100;
    std::uint16_t highest = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        Report(20 * i / count + 70);
        const std::uint16_t value = m_spo2[static_cast<std::size_t>(i)];
        if (IsValid(value)) {
            ++valid;
            sum += value;
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
            if (value < m_settings.Level)
                ++below;
        }
        if (value >= 1 && value <= 100)
            ++m_result.Spo2Histogram[value - 1];
    }
    m_result.LowestSpo2 = lowest;
    m_result.HighestSpo2 = highest;
    m_result.ValidSeconds = valid;
    m_result.AverageSpo2 = valid == 0 ? 0.0f : static_cast<float>(sum) / static_cast<float>(valid);
    m_result.MinutesBelowLevel = static_cast<float>(below) * kPerMinute;

    if (!m_events.empty()) {
        const float hours = static_cast<float>(count) * kPerHour;
        m_result.EventsPerHour = static_cast<float>(m_events.size()) / hours;
        float seconds = 0.0f;
        for (const SpOEvent& event : m_events) {
            seconds += static_cast<float>(static_cast<std::int64_t>(event.EndIndex) - event.StartIndex);
            if (event.EndSpo2 <= 99)
                ++m_result.NadirHistogram[event.EndSpo2 / 5];
            if (m_settings.MinSpo2 <= event.EndSpo2 && event.EndSpo2 <= m_settings.MaxSpo2
                && event.EndSpo2 < m_settings.Level)
                ++m_result.EventsBelowLevel;
        }
        m_result.AverageEventSeconds = seconds / static_cast<float>(m_events.size());
        m_result.EventMinutes = seconds * kPerMinute;
    }
    Report(100);
    m_result.LowPulseRate = m_lowPulse;
    m_result.AveragePulseRate = m_meanPulse;
}

base::Status CSpOAnalysis::SaveResult(const std::filesystem::path& resultPath) const
{
    return SaveSpOResult(resultPath, m_result, m_events);
}

base::Status CSpOAnalysis::AnalyseAndSave(const std::filesystem::path& dataPath,
                                          const std::filesystem::path& resultPath)
{
    if (base::Status analysed = AnalyseFile(dataPath); !analysed.ok())
        return analysed;
    return SaveResult(resultPath);
}
