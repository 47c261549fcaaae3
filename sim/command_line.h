#pragma once

#include <span>
#include <string>

#include "sim/control_command.h"
#include "sim/socket_server.h"

namespace zel::sim {

// The command line of zel-mouse-sim:
//   serve --socket PATH [--log FILE] [--feature-len N] [--input-len N] [--unplugged]
//   serve --uhid [--socket PATH] [--log FILE] [--feature-len N] [--input-len N] [--unplugged]
//   send --socket PATH COMMAND
struct CommandLine {
    enum class Mode { Help, Serve, Send };
    Mode mode = Mode::Help;
    std::string error;  // set when the command line is not usable

    ServeOptions serve;
    // The mouse is a kernel HID device (uhid); serve.socketPath, if given, carries control
    // commands only.
    bool uhid = false;
    std::string logPath;  // empty: standard output

    std::string socketPath;  // send
    ControlCommand command;  // send
};

// args without the program name.
CommandLine ParseCommandLine(std::span<const std::string> args);
std::string UsageText();

}  // namespace zel::sim
