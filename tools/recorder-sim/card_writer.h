#pragma once

#include "base/status.h"
#include "sim_options.h"

namespace recsim {

// Writes every archive's device files into the card folder and, when a truth
// folder is named, the expected case streams and the beat and event lists.
base::Status WriteCard(const SimOptions& options);

} // namespace recsim
