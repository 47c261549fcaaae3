#include "settings/upload_derivations.h"

#include <cstddef>

namespace zel::settings {

UploadValues DeriveUploadValues(const ProfileValues& v) {
    UploadValues u;
    for (std::size_t b = 0; b < v.K.size(); ++b) {
        u.buttonDeviceCode[b] = DeviceButtonCode(v.K[b]);
        u.derived.reportsDpiLevel[b] = ReportsDpiLevel(v.K[b]);
        u.derived.cyclesUsbSpeed[b] = CyclesUsbSpeed(v.K[b]);
    }
    u.wheelStatus = static_cast<std::uint8_t>(v.WHEEL_STATUS & 0xFF);
    u.dpiLevel = UploadedDpiLevel(v.DPI_LEVEL);
    u.dpiEnableMask = DpiEnableMask(v.DPI_SET_EN);
    for (std::size_t i = 0; i < v.DPI_SET.size(); ++i) {
        u.derived.appliedDpiCode[i] = DpiDeviceCode(v.DPI_SET[i]);
    }
    u.derived.appliedLedStatus = v.LED_STATUS;
    u.ledDeviceCode = LedDeviceCode(v.LED_STATUS);
    u.systemMouseSpeed = SystemMouseSpeed(v.DPI_SPEED);
    u.wheelScrollLines = WheelScrollLines(v.WHEEL_SPEED);
    u.fireTime = v.FIRE_TIME;
    return u;
}

}  // namespace zel::settings
