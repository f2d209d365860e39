#pragma once

#include <chrono>
#include <functional>

namespace base {

// What one try at something another holder may have (a lock) came to.
enum class Attempt { Done, Busy };

// Tries `attempt` until it is no longer busy, again after each `interval`.
// While it is busy, `waiting` (may be empty) hears it once, before the first
// wait, and `keepWaiting` is asked before every wait: false gives up. An empty
// `keepWaiting` waits for as long as it takes. False when given up.
bool RetryWhileBusy(const std::function<Attempt()>& attempt, const std::function<bool()>& keepWaiting,
                    const std::function<void()>& waiting, std::chrono::milliseconds interval);

} // namespace base
