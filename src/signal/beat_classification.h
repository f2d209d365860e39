#pragma once

#include "signal/qrs_record.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Rules shared by every beat detector, so that the beat lists of all of them
// read the same way in the views, the trend and the reports.

inline constexpr int kBeatRingSize = 40;
using BeatRing = std::array<QrsRecord, kBeatRingSize>;

// Slot of an absolute beat index; older indices wrap like (index + 40) mod 40.
inline std::size_t BeatRingSlot(std::int64_t index)
{
    return static_cast<std::size_t>(((index % kBeatRingSize) + kBeatRingSize) % kBeatRingSize);
}

// The live class of a complete beat from its own fields and the beat before it.
void ClassifyBeat(QrsRecord& beat, const QrsRecord& before);

// Mean rate over the most recent clean, regular beats covering at least 4 s:
// beats per minute, 0 when no valid rate. `beatCount` beats are complete in
// `ring`; `position` is the current sample index.
int HeartRateOfBeats(const BeatRing& ring, std::int64_t beatCount, std::int64_t position);
