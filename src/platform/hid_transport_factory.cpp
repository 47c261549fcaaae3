#include "platform/hid_transport_factory.h"

#include "platform/hidraw_transport.h"

namespace zel::platform {

std::unique_ptr<HidTransport> MakeHidTransport() { return std::make_unique<HidrawTransport>(); }

}  // namespace zel::platform
