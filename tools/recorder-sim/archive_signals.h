#pragma once

#include "sim_options.h"

#include "synth/synthetic_ecg.h"
#include "synth/synthetic_spo2.h"

#include <optional>
#include <vector>

namespace recsim {

// The signals of one simulated archive, before any file format: the same
// signals can feed the card writer or a live serial link.
struct ArchiveSignals {
    std::optional<synth::EcgTrace> ecg;
    std::optional<synth::SpO2Trace> spo2;
    std::vector<synth::Desaturation> desaturations;
};

ArchiveSignals MakeArchiveSignals(const SimOptions& options, int index);

// Desaturation events spread over `seconds`, about `perHour` of them, each
// inside its own slot so that none overlap; deterministic for the seed.
std::vector<synth::Desaturation> PlanDesaturations(double seconds, double perHour, std::uint32_t seed);

} // namespace recsim
