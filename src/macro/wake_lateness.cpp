#include "macro/wake_lateness.h"

#include <algorithm>

namespace zel::macro {

void WakeLateness::Record(std::chrono::microseconds lateness) {
    recent_[next_] = std::max(lateness, std::chrono::microseconds{0});
    next_ = (next_ + 1) % kRemembered;
    seen_ = std::min(seen_ + 1, kRemembered);
}

std::chrono::microseconds WakeLateness::Lead() const {
    if (seen_ < kRemembered) {
        return std::chrono::microseconds{0};
    }
    return std::min(*std::min_element(recent_.begin(), recent_.end()), kLongestLead);
}

}  // namespace zel::macro
