#include "local_target.h"

#include <chrono>
#include <thread>

#include "device/discovery.h"
#include "device/upload.h"
#include "platform/hid_transport_factory.h"
#include "platform/message_sink.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/program_files.h"
#include "settings/startup_config.h"

namespace zel::gmousectl {
namespace {

// Between finding the mouse and the first report, as the program waits.
constexpr auto kSettleTime = std::chrono::milliseconds(5);

}  // namespace

LocalTarget::LocalTarget(const platform::AppPaths& paths)
    : target_{paths.configPath,
              paths.skinsDir,
              paths.macroPath,
              settings::EditionOfConfig(paths.configPath,
                                        platform::UserEnvironment::FromProcess().messagesLocale),
              profile_,
              currentProfile_,
              {},
              [this] { return OpenMouse(); },
              [this] { return Upload(); },
              {}} {
    // As the program starts: CurConfig outside 1 ... 5 is profile 1, a profile the file lacks
    // gets its factory settings. (A file that cannot be read leaves the document empty; the
    // commands refuse it before anything is sent.)
    ini::IniDocument config;
    ini::IniDocument::LoadExisting(paths.configPath, config);
    currentProfile_ = settings::CurrentUserProfile(config);
    settings::LoadProfileOrFactory(config, currentProfile_,
                                   static_cast<std::uint8_t>(target_.languageFlag), profile_);
}

LocalTarget::~LocalTarget() {
    if (pointer_) {
        pointer_->RestoreDesktopValues();
    }
}

platform::Result<void> LocalTarget::OpenMouse() {
    if (opened_) {
        if (!link_.found) {
            return platform::Error{platform::ErrorCode::kNotFound, "no mouse found"};
        }
        return platform::Ok();
    }
    opened_ = true;
    transport_ = platform::MakeHidTransport();
    pointer_ = platform::MakeDesktopPointerSettings();
    platform::RecordingMessageSink messages;
    if (!transport_ || !device::DiscoverMouse(link_, *transport_, messages, target_.languageFlag)) {
        std::string reason = "no mouse found (see zel-gmousectl list)";
        for (const std::string& message : messages.messages) {
            reason += "\n" + message;
        }
        return platform::Error{platform::ErrorCode::kNotFound, std::move(reason)};
    }
    std::this_thread::sleep_for(kSettleTime);
    return platform::Ok();
}

device::UploadOutcome LocalTarget::Upload() {
    if (!pointer_) {
        return {};  // the mouse was never opened: nothing was sent, nothing written
    }
    return device::UploadSettings({profile_, link_, *pointer_, target_.configPath, {}},
                                  currentProfile_.load());
}

}  // namespace zel::gmousectl
