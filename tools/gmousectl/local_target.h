#pragma once

// The target of a command zel-gmousectl carries out itself: the profile files of a folder and
// the mouse, opened only when a command uploads.

#include <atomic>
#include <memory>
#include <string>

#include "control/control_target.h"
#include "device/device_link.h"
#include "platform/app_paths.h"
#include "platform/hid_transport.h"
#include "platform/outcome.h"
#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"

namespace zel::gmousectl {

class LocalTarget {
public:
    explicit LocalTarget(const platform::AppPaths& paths);
    // The end of the tool's run: the desktop gets the user's own pointer speed and wheel lines
    // back unless a program that still runs has changed them too.
    ~LocalTarget();
    LocalTarget(const LocalTarget&) = delete;
    LocalTarget& operator=(const LocalTarget&) = delete;

    control::ControlTarget& target() { return target_; }

private:
    // Opens the mouse once; whether it is there, else why not.
    platform::Result<void> OpenMouse();
    // Whether the upload's writes to config.ini succeeded.
    device::UploadOutcome Upload();

    settings::ProfileSettings profile_;
    std::atomic<std::int32_t> currentProfile_{0};
    std::unique_ptr<platform::HidTransport> transport_;
    std::unique_ptr<platform::PointerSettings> pointer_;
    device::DeviceLink link_;
    bool opened_ = false;
    control::ControlTarget target_;
};

}  // namespace zel::gmousectl
