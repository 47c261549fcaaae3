#pragma once

// Making the mouse and the desktop follow the loaded profile.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/pointer_settings.h"
#include "settings/file_result.h"
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

struct UploadOutcome {
    // False when the write channel was open but a report did not reach the mouse (it went away
    // half-way): the profile was then neither made current nor recorded as last uploaded.
    bool reportsSent = true;
    // False when config.ini could not be written (a write-protected file, a full disk, a file
    // that could not be read); saveResult says why.
    bool saved = true;
    ini::FileResult saveResult = {};
    bool Succeeded() const { return reportsSent && saved; }
};

// Records `currentProfile` as the current one and stores the profile as profile 6, sends the
// button, wheel, DPI and LED reports, asks for a repaint, sets the pointer speed and wheel
// scroll lines where the desktop can tell their current values, sends the fire-time report,
// and stores the profile under its own number. The file writes are committed together at the
// end as one atomic replacement of the configuration file (none when nothing changed).
// Reports are skipped while the write channel is not open; the file and the desktop settings
// are updated all the same. A failed send does not stop the series, but then only the profile's
// own section is written: `CurConfig` and profile 6 keep what the mouse last took whole.
UploadOutcome UploadSettings(const UploadContext& context, std::int32_t currentProfile);

}  // namespace zel::device
