#pragma once

// How often a thread of this process has been woken: the sum of its voluntary and involuntary
// context switches (/proc/self/task/TID/status). A thread blocked with nothing to do adds none;
// a thread that wakes on a timer adds one per wake-up.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace zel::test {

// The switches of the thread named `name` (its comm); nullopt when no thread has that name.
inline std::optional<std::int64_t> ThreadContextSwitches(std::string_view name) {
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string taskName;
        if (!std::getline(comm, taskName) || taskName != name) {
            continue;
        }
        std::ifstream status(task.path() / "status");
        std::int64_t sum = 0;
        for (std::string line; std::getline(status, line);) {
            const auto colon = line.find(':');
            if (colon != std::string::npos && line.find("ctxt_switches") != std::string::npos) {
                sum += std::stoll(line.substr(colon + 1));
            }
        }
        return sum;
    }
    return std::nullopt;
}

}  // namespace zel::test
