#pragma once

// The RealtimeKit client the playback threads use when the system does not let them set
// real-time scheduling themselves: MakeThreadRealtime on the system bus.

#include <cstdint>

namespace zel::app {

// Asks org.freedesktop.RealtimeKit1 to make thread `threadId` of this process real-time at
// `priority`. False without a Qt application object, a system bus or RealtimeKit, or when it
// refused. Blocks for the answer; callable from any thread.
bool MakeThreadRealtimeThroughRealtimeKit(std::uint64_t threadId, std::uint32_t priority);

}  // namespace zel::app
