#pragma once

// Application: the application object of the windowed program. It owns the program-wide
// objects (device link, profile, macros, transport, desktop pointer settings, message sinks)
// and runs the main window until the shutdown sequence ends it.

#include <memory>
#include <string>

#include "app/window/message_box_sink.h"
#include "device/device_link.h"
#include "macro/macro_store.h"
#include "macro/recorder.h"
#include "platform/hid_transport.h"
#include "platform/launcher.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"

namespace zel::app {

class SingleInstance;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the main window inside the running QApplication. `stopFd` (-1: none) becomes
    // readable when the program is asked to end (SIGINT, SIGTERM, SIGHUP, SIGQUIT), which runs
    // the shutdown sequence. Returns the exit status: 0 after a run with the mouse, 1 when the
    // program could not start (no mouse, a missing skin layout). Once the window exists, `instance`
    // (when given) takes the show requests of later starts.
    int RunMainWindow(int stopFd, SingleInstance* instance = nullptr);

private:
    std::string exeDir_;
    MessageBoxSink messages_;
    platform::StderrMessageSink diagnostics_;
    std::unique_ptr<platform::PointerSettings> pointer_;
    std::unique_ptr<platform::HidTransport> transport_;
    platform::PathLauncher launcher_;
    device::DeviceLink link_;
    settings::ProfileSettings profile_;
    macro::MacroStore macros_;
    macro::SystemRecordClock recordClock_;
};

// `ZEL_GMouse`: the windowed program.
int RunWindowed(int argc, char** argv);

}  // namespace zel::app
