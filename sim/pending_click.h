#pragma once

// A click of a mouse button asked for on the control socket: its release is due a moment after
// the press.

#include <chrono>
#include <ctime>
#include <span>
#include <string>

namespace zel::sim {

struct PendingClick {
    std::chrono::steady_clock::time_point due;
    int button = 0;
    int client = 0;
    std::string pressText;
};

// The poll timeout until the earliest release is due: null (wait without end) when no click
// is pending, else `storage` filled in (zero when one is overdue).
timespec* TimeUntilNextRelease(std::span<const PendingClick> clicks, timespec& storage);

}  // namespace zel::sim
