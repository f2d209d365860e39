#pragma once

#include "base/status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

// One desaturation event: the fall from StartIndex to EndIndex (seconds).
struct SpOEvent {
    std::uint32_t StartIndex = 0;
    std::uint32_t EndIndex = 0;
    std::uint32_t StartSpo2 = 0;
    std::uint32_t EndSpo2 = 0;

    bool operator==(const SpOEvent&) const = default;
};
static_assert(sizeof(SpOEvent) == 16, "an event record is 16 bytes");

// The summary block at the head of "ana.spo".
struct SpOAnaResult {
    std::uint16_t LowestSpo2 = 100;
    std::uint16_t HighestSpo2 = 0;
    float AverageSpo2 = 0.0f;
    std::uint32_t ValidSeconds = 0;
    float MinutesBelowLevel = 0.0f;
    std::uint32_t Reserved1 = 0;
    std::array<std::uint32_t, 100> Spo2Histogram{};
    float EventsPerHour = 0.0f;
    float EventMinutes = 0.0f;
    float AverageEventSeconds = 0.0f;
    std::uint32_t EventsBelowLevel = 0;
    std::uint32_t Reserved2 = 0;
    std::array<std::uint32_t, 20> NadirHistogram{};
    std::uint16_t LowPulseRate = 0;
    std::uint16_t Padding = 0;
    float AveragePulseRate = 0.0f;

    bool operator==(const SpOAnaResult&) const = default;
};
static_assert(sizeof(SpOAnaResult) == 528, "the result block is 528 bytes");
static_assert(offsetof(SpOAnaResult, Spo2Histogram) == 20);
static_assert(offsetof(SpOAnaResult, EventsPerHour) == 420);
static_assert(offsetof(SpOAnaResult, NadirHistogram) == 440);
static_assert(offsetof(SpOAnaResult, LowPulseRate) == 520);
static_assert(offsetof(SpOAnaResult, AveragePulseRate) == 524);

inline constexpr std::size_t kSpOResultBytes = 528;
inline constexpr std::size_t kSpOEventBytes = 16;

// "ana.spo" in file form: the block, then the events in time order.
std::vector<std::uint8_t> EncodeSpOResult(const SpOAnaResult& result, std::span<const SpOEvent> events);

// Writes "ana.spo" beside the old one and renames it into place.
base::Status SaveSpOResult(const std::filesystem::path& path, const SpOAnaResult& result, std::span<const SpOEvent> events);

// Reads "ana.spo"; a trailing partial event is ignored. On failure (empty
// path, unreadable file, fewer than 528 bytes) `result` and `events` are left
// in their reset state.
base::Status LoadSpOResult(const std::filesystem::path& path, SpOAnaResult& result, std::vector<SpOEvent>& events);
