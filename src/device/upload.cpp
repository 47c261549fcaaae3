#include "device/upload.h"

#include <cstddef>
#include <utility>

#include "device/device_link.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_values.h"
#include "settings/upload_derivations.h"

namespace zel::device {

namespace {
constexpr std::int32_t kLastUploadedProfile = 6;
}

UploadOutcome UploadSettings(const UploadContext& context, std::int32_t currentProfile) {
    auto& profile = context.profile;
    auto& link = context.link;

    // One reading of the model for the reports and profile 6, so they agree with each other
    // even while the player thread changes the DPI level.
    const settings::ProfileValues values = settings::TakeProfileValues(profile);
    const settings::UploadValues upload = settings::DeriveUploadValues(values);
    // What the player and the window read of this upload is in place before the first report.
    settings::StoreDerivedValues(profile, upload.derived);

    // Closed channel: nothing is sent, and that is not a failed send.
    const bool sending = link.IsWriteOpen();
    bool everySendTaken = true;
    const auto sent = [&](bool taken) { everySendTaken = everySendTaken && (taken || !sending); };

    for (std::size_t button = 0; button < upload.buttonDeviceCode.size(); ++button) {
        sent(link.SendButtonFunction(button, upload.buttonDeviceCode[button]));
    }

    sent(link.SendWheel(upload.wheelStatus));

    for (std::size_t level = 0; level < upload.derived.appliedDpiCode.size(); ++level) {
        sent(link.SendDpiLevel(static_cast<std::uint8_t>(level), upload.dpiLevel,
                               upload.derived.appliedDpiCode[level], upload.dpiEnableMask));
    }

    sent(link.SendLed(upload.ledDeviceCode));

    if (context.repaint) {
        context.repaint();
    }

    if (context.pointer.GetPointerSpeed()) {
        context.pointer.SetPointerSpeed(upload.systemMouseSpeed);
    }
    if (context.pointer.GetWheelScrollLines()) {
        context.pointer.SetWheelScrollLines(upload.wheelScrollLines);
    }

    sent(link.SendFireTime(upload.fireTime));

    // The file writes of the whole upload are collected here and committed as one replacement
    // of the file, in the order of the steps: the file ends up exactly as if each had been
    // written at its step, but a failure half-way leaves it untouched (writes from the player
    // thread are merged under the file's lock). Profile 6 is what the mouse holds, so it and
    // CurConfig are written only when the mouse took every report.
    ini::IniWriteBatch batch(context.configPath);
    if (everySendTaken) {
        settings::ProfileSettings uploaded;
        settings::StoreProfileValues(uploaded, values);
        settings::WriteCurrentProfile(batch, currentProfile);
        settings::SaveProfile(batch, kLastUploadedProfile, uploaded);
    }
    // Read again: a DPI level the mouse reported during the upload is the newer value.
    settings::SaveProfile(batch, currentProfile, profile);
    ini::FileResult written = batch.CommitWithReason();
    const bool saved = written.ok();
    return {everySendTaken, saved, std::move(written)};
}

}  // namespace zel::device
