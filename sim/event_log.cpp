#include "sim/event_log.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace zel::sim {

std::int64_t MonotonicMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

JsonObject EventLog::Event(std::int64_t tUs, std::string_view name) {
    JsonObject event;
    event.AddInt("t_us", tUs).AddString("event", name);
    return event;
}

void EventLog::Write(const JsonObject& event) {
    const std::string line = event.Text() + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace zel::sim
