#include "device/upload.h"

#include <cstddef>

#include "device/device_link.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_values.h"
#include "settings/upload_derivations.h"

namespace zel::device {

namespace {
constexpr std::int32_t kLastUploadedProfile = 6;
}

bool UploadSettings(const UploadContext& context, std::int32_t currentProfile) {
    auto& profile = context.profile;
    auto& link = context.link;

    // One reading of the model for the reports and profile 6, so they agree with each other
    // even while the player thread changes the DPI level.
    const settings::ProfileValues values = settings::TakeProfileValues(profile);
    const settings::UploadValues upload = settings::DeriveUploadValues(values);

    // The file writes of the whole upload are collected here and committed at its end as one
    // replacement of the file, in the order they are made: the file ends up exactly as if each
    // had been written at its step, but a failure half-way leaves it untouched, and nothing in
    // the program reads it while the upload runs (writes from the player thread are merged
    // under the file's lock).
    ini::IniWriteBatch batch(context.configPath);
    {
        settings::ProfileSettings uploaded;
        settings::StoreProfileValues(uploaded, values);
        settings::WriteCurrentProfile(batch, currentProfile);
        settings::SaveProfile(batch, kLastUploadedProfile, uploaded);
    }

    for (std::size_t button = 0; button < upload.buttonDeviceCode.size(); ++button) {
        profile.reportsDpiLevel[button].store(upload.derived.reportsDpiLevel[button],
                                              std::memory_order_relaxed);
        profile.cyclesUsbSpeed[button].store(upload.derived.cyclesUsbSpeed[button],
                                             std::memory_order_relaxed);
        link.SendButtonFunction(button, upload.buttonDeviceCode[button]);
    }

    link.SendWheel(upload.wheelStatus);

    for (std::size_t level = 0; level < upload.derived.appliedDpiCode.size(); ++level) {
        const std::uint8_t code = upload.derived.appliedDpiCode[level];
        profile.appliedDpiCode[level].store(code, std::memory_order_relaxed);
        link.SendDpiLevel(static_cast<std::uint8_t>(level), upload.dpiLevel, code,
                          upload.dpiEnableMask);
    }

    profile.appliedLedStatus.store(upload.derived.appliedLedStatus, std::memory_order_relaxed);
    link.SendLed(upload.ledDeviceCode);

    if (context.repaint) {
        context.repaint();
    }

    if (context.pointer.GetPointerSpeed()) {
        context.pointer.SetPointerSpeed(upload.systemMouseSpeed);
    }
    if (context.pointer.GetWheelScrollLines()) {
        context.pointer.SetWheelScrollLines(upload.wheelScrollLines);
    }

    link.SendFireTime(upload.fireTime);

    // Read again: a DPI level the mouse reported during the upload is the newer value.
    settings::SaveProfile(batch, currentProfile, profile);
    return batch.Commit();
}

}  // namespace zel::device
