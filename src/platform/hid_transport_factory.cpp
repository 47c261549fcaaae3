#include "platform/hid_transport_factory.h"

#include "platform/hidraw_transport.h"
#include "platform/sim_transport.h"

namespace zel::platform {

std::unique_ptr<HidTransport> MakeHidTransport() {
    if (auto simulator = SimTransport::FromEnvironment()) {
        return simulator;
    }
    return std::make_unique<HidrawTransport>();
}

}  // namespace zel::platform
