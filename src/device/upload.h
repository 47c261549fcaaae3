#pragma once

// Making the mouse and the desktop follow the loaded profile.

#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"

namespace zel::device {

class DeviceLink;

// What an upload reads and writes. The application keeps one and passes it on every upload.
struct UploadContext {
    settings::ProfileSettings& profile;
    DeviceLink& link;
    platform::PointerSettings& pointer;
    std::filesystem::path configPath;
    // Asks the window to repaint with the applied values (empty: no window).
    std::function<void()> repaint;
};

// Records `currentProfile` as the current one and stores the profile as profile 6, sends the
// button, wheel, DPI and LED reports, asks for a repaint, sets the pointer speed and wheel
// scroll lines where the desktop can tell their current values, sends the fire-time report,
// and stores the profile under its own number. The three file writes are committed together at
// the end as one atomic replacement of the configuration file (none when nothing changed).
// Reports are skipped while the write channel is not open; the file and the desktop settings
// are updated all the same. A failed send does not stop it. Returns whether the file writes
// were made (false: a write-protected file, a full disk; the reports were sent all the same).
bool UploadSettings(const UploadContext& context, std::int32_t currentProfile);

}  // namespace zel::device
