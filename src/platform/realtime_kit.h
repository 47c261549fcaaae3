#pragma once

// The RealtimeKit client the playback threads use when the system does not let them set
// real-time scheduling themselves: MakeThreadRealtime on the system bus, through sd-bus, so
// that the window and the headless run (which has no Qt application object) ask alike.

#include <cstdint>

#include "platform/thread_priority.h"

namespace zel::platform {

// Asks org.freedesktop.RealtimeKit1 to make thread `threadId` of this process real-time at
// `priority`. Not granted, without a refusal, when there is no system bus or no RealtimeKit on
// it; a refusal carries RealtimeKit's D-Bus error message. Blocks for the answer (1 s at most);
// callable from any thread.
RealtimeKitAnswer MakeThreadRealtimeThroughRealtimeKit(std::uint64_t threadId,
                                                       std::uint32_t priority);

}  // namespace zel::platform
