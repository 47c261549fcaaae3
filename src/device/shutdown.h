#pragma once

// The program's one exit sequence.

#include <functional>

#include "platform/pointer_settings.h"

namespace zel::device {

class DeviceLink;

// What the application does around the device steps. Empty hooks are skipped.
struct ShutdownHooks {
    std::function<void()> removeTrayIcon;
    // Stops the reader and player threads, so that the shutdown report is the last one sent
    // and no thread stays blocked on the mouse.
    std::function<void()> stopWorkers;
    // Destroys the main window (headless: leaves the event loop); the process then ends.
    std::function<void()> destroyWindow;
};

// Removes the tray icon, stops the worker threads, sends the shutdown report (when the write
// channel is open), gives the desktop back the pointer speed and wheel lines it had before the
// program changed them, and destroys the window.
void ShutdownLink(DeviceLink& link, platform::PointerSettings& pointer, const ShutdownHooks& hooks);

}  // namespace zel::device
