#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim {

// A command of `zel-mouse-sim send`.
struct ControlCommand {
    enum class Kind { Press, Release, Click, Input, Unplug, Plug, State, Quit };
    Kind kind = Kind::State;
    int button = 0;                   // Press, Release, Click: 1 … 6
    std::vector<std::uint8_t> bytes;  // Input: the raw input report
};

// How long a click holds the button down.
inline constexpr std::chrono::milliseconds kClickHold{30};

struct ControlCommandParse {
    std::optional<ControlCommand> command;
    std::string error;  // set when command is empty
};

// "press N", "release N", "click N", "input HEX", "unplug", "plug", "state", "quit"; words are
// separated by blanks, the command word in any case. HEX may be split by blanks between bytes.
ControlCommandParse ParseControlCommand(std::string_view text);

// The canonical text of a command (what `send` puts on the socket).
std::string FormatControlCommand(const ControlCommand& command);

}  // namespace zel::sim
