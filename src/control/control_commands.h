#pragma once

// Carries out one zel-gmousectl command on a target: the same profile actions, uploads and
// macro files as the window's buttons. Every message goes into the reply, never to a dialog.

#include <functional>
#include <string>

#include "control/command_line.h"
#include "control/control_protocol.h"
#include "control/control_target.h"
#include "platform/hid_transport.h"

namespace zel::control {

ControlReply RunCommand(const ParsedCommand& command, ControlTarget& target);

// `list`: every collection of the mouse in `transport`, opened once (read collections for
// reading, the others for writing) and closed again. `takeReason` returns what the transport
// said about the last refusal (empty when it said nothing).
ControlReply ListMouseInterfaces(platform::HidTransport& transport,
                                 const std::function<std::string()>& takeReason);

}  // namespace zel::control
