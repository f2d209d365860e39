#include "base/retry.h"

#include <thread>

namespace base {

bool RetryWhileBusy(const std::function<Attempt()>& attempt, const std::function<bool()>& keepWaiting,
                    const std::function<void()>& waiting, std::chrono::milliseconds interval)
{
    bool told = false;
    while (attempt() == Attempt::Busy) {
        if (!told && waiting)
            waiting();
        told = true;
        if (keepWaiting && !keepWaiting())
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

} // namespace base
