#include "device/shutdown.h"

#include "device/device_link.h"

namespace zel::device {

void ShutdownLink(DeviceLink& link, platform::PointerSettings& pointer,
                  const ShutdownHooks& hooks) {
    if (hooks.removeTrayIcon) {
        hooks.removeTrayIcon();
    }
    if (hooks.stopWorkers) {
        hooks.stopWorkers();
    }
    link.SendShutdown();
    pointer.RestoreDesktopValues();
    if (hooks.destroyWindow) {
        hooks.destroyWindow();
    }
}

}  // namespace zel::device
