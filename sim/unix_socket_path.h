#pragma once

// The Unix socket files of the virtual mouse: their address, and whether a live server holds
// one already (a leftover file of a server that ended may be replaced).

#include <sys/un.h>

#include <string>

namespace zel::sim {

// `path` must fit sun_path (checked by the caller).
sockaddr_un UnixSocketAddress(const std::string& path);

// Whether something answers on the socket file at `path`.
bool SomeoneListens(const std::string& path);

}  // namespace zel::sim
