#pragma once

// The running program's side of the instance socket: reading one request from a connection and
// answering a zel-gmousectl command with the program's own state.

#include <filesystem>
#include <optional>

#include "control/control_protocol.h"
#include "control/control_target.h"

namespace zel::control {

// A client is on the same machine and sends its request at once; one that does not is dropped
// after this long, so that it cannot hold the program up.
inline constexpr int kRequestTimeoutMs = 2000;

// Reads the request of a freshly accepted connection; nullopt for silence, garbage or too much.
std::optional<ControlRequest> ReadRequest(int connection);
bool SendReply(int connection, std::string_view reply);

// Carries out a forwarded command line on `target`. A request naming another folder than
// `ownConfigFolder` (the folder of the program's config.ini) is answered with `elsewhere`.
ControlReply AnswerControlRequest(const ControlRequest& request,
                                  const std::filesystem::path& ownConfigFolder,
                                  ControlTarget& target);

}  // namespace zel::control
