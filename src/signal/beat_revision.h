#pragma once

#include "signal/qrs_record.h"

#include <cstdint>
#include <vector>

// Second look at the live beat classes with the whole beat list at hand: the
// running average of normal R-R intervals and widths decides which short
// beats are premature and which are wide. Changes only BeatClass; lists of
// 4 beats or fewer are left alone.
void ReviseBeatClasses(std::vector<QrsRecord>& beats);

// Drops every beat from the first one whose Peak lies beyond the samples.
void TrimBeatsBeyond(std::vector<QrsRecord>& beats, std::uint64_t sampleCount);
