#include "sim/pending_click.h"

#include <algorithm>

namespace zel::sim {

timespec* TimeUntilNextRelease(std::span<const PendingClick> clicks, timespec& storage) {
    if (clicks.empty()) {
        return nullptr;
    }
    const auto due =
        std::min_element(clicks.begin(), clicks.end(),
                         [](const PendingClick& a, const PendingClick& b) { return a.due < b.due; })
            ->due;
    const auto left = std::max(due - std::chrono::steady_clock::now(),
                               std::chrono::steady_clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    storage.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    storage.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return &storage;
}

}  // namespace zel::sim
