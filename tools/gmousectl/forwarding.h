#pragma once

// Finding out who carries a command out: the running ZEL_GMouse of this user (the command goes
// over its instance socket), or zel-gmousectl itself (then it holds the instance lock while it
// works, so that no program starts using the mouse and the files meanwhile).

#include <optional>
#include <string>
#include <vector>

#include "control/control_protocol.h"
#include "control/instance_channel.h"
#include "platform/outcome.h"

namespace zel::gmousectl {

struct Forwarding {
    // The program's reply; nullopt when there is no program to ask (or it uses other files:
    // `elsewhere` is then set).
    std::optional<control::ControlReply> reply;
    bool elsewhere = false;
};

// Sends the words to the running program, waiting up to `startWaitMs` for a program that holds
// the lock but does not listen yet (it is starting). When nobody runs, takes `lock` and returns
// no reply. `configDir` is the absolute folder of --config-dir, or empty. When the usual runtime
// folder is not private, says so on standard error and meets the program in the replacement.
// Fails, saying why, when neither the program nor this tool can carry the command out.
platform::Result<Forwarding> ForwardToProgram(const std::vector<std::string>& words,
                                              const std::string& configDir,
                                              control::InstanceLock& lock, int startWaitMs = 5000);

}  // namespace zel::gmousectl
