#pragma once

// The steps of a start that the window and the headless run share: the edition's texts of what
// the search for the mouse found, the pause before the first upload, and the answer to "can the
// mouse take an upload now" that the command line asks before any change.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/device_link.h"
#include "device/discovery.h"
#include "platform/message_sink.h"
#include "platform/outcome.h"

namespace zel::app {

// Between finding the mouse and the first upload.
inline constexpr auto kSettleTime = std::chrono::milliseconds(5);

// What the start's search found.
enum class MouseAtStart {
    Found,          // opened: the start uploads
    AccessRefused,  // plugged in but not to be opened: the start waits for the replug
    Missing,        // not plugged in: the program ends
};

// Tells the user what a refused or missing mouse needs (nothing when found) and says which.
MouseAtStart ReportMouseAtStart(const device::DiscoveryResult& discovery, std::int32_t languageFlag,
                                platform::MessageSink& messages, std::string_view caption);

// A mouse just found (at the start or on a replug) is given a moment before the first upload.
void WaitForMouseToSettle();

// Whether the mouse can take an upload now, else why not.
platform::Result<void> MouseProblem(const device::DeviceLink& link);

}  // namespace zel::app
