#pragma once

// The program-wide objects the main window works with. The application object owns them and
// hands them to the window by reference, so a test builds its own set.

#include <string>

#include "app/pages/page_table.h"
#include "device/device_link.h"
#include "macro/macro_store.h"
#include "macro/recorder.h"
#include "platform/hid_transport.h"
#include "platform/launcher.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"

namespace zel::app {

struct AppServices {
    std::string exeDir;  // the executable's folder: the files' places follow from it
    // What the user must see (message boxes in the program).
    platform::MessageSink& messages;
    // What the user need not be stopped for, such as a skin picture that cannot be read: a
    // paint must not wait for a message box.
    platform::MessageSink& diagnostics;
    platform::PointerSettings& pointer;
    platform::HidTransport* transport;  // null: no HID access, so no mouse is found
    platform::Launcher& launcher;       // starts the calculator and the terminal
    device::DeviceLink& link;
    settings::ProfileSettings& profile;
    macro::MacroStore& macros;
    macro::RecordClock& recordClock;  // times the pauses of a macro recording
    // The tables of the frame and the pages the window shows.
    const PageSet& pages = kShippedPages;
};

}  // namespace zel::app
