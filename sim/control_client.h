#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace zel::sim {

struct ControlReply {
    enum class Status {
        Ok,          // carried out; text is the answer ("state": the JSON object)
        Failed,      // the simulator refused the command; text says why
        Unreachable  // no simulator answered; text says why
    };
    Status status = Status::Unreachable;
    std::string text;
};

// Sends one control command to the simulator serving on socketPath and waits for its answer.
ControlReply SendControlCommand(std::string_view socketPath, std::string_view command,
                                std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace zel::sim
