#pragma once

#include <memory>

#include "platform/hid_transport.h"

namespace zel::platform {

// The virtual mouse when ZEL_GMOUSE_SIM names its socket, otherwise the machine's hidraw
// devices. The one place that chooses.
std::unique_ptr<HidTransport> MakeHidTransport();

}  // namespace zel::platform
