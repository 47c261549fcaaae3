#pragma once

#include <cstdint>
#include <string_view>

#include "sim/json_writer.h"

namespace zel::sim {

// CLOCK_MONOTONIC in microseconds.
std::int64_t MonotonicMicros();

// The event log: JSON Lines, one object per event, each line written with one write() so it is
// on its way as soon as it is logged. Write failures (a closed pipe) are not fatal.
class EventLog {
public:
    explicit EventLog(int fd) : fd_(fd) {}  // fd is not owned

    // An event object with its first two members, "t_us" and "event", for the caller to extend.
    static JsonObject Event(std::int64_t tUs, std::string_view name);
    void Write(const JsonObject& event);

private:
    int fd_;
};

}  // namespace zel::sim
