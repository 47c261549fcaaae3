// zel-gmousectl commands that reach the running window: they act on the window's own model,
// files and mouse link, so the window stays the one writer and shows each change at once.

#include <QApplication>
#include <filesystem>
#include <vector>

#include "app/main_window.h"
#include "app/startup_sequence.h"
#include "control/command_line.h"
#include "control/instance_requests.h"
#include "device/device_link.h"
#include "settings/config_files.h"
#include "settings/profile_values.h"

namespace zel::app {
namespace {

// The profile a `set` command line writes; nullopt for other commands.
std::optional<std::int32_t> ProfileSetBy(const control::ControlRequest& request,
                                         const std::filesystem::path& configPath) {
    const control::ParseResult parsed = control::ParseCommandLine(request.args);
    if (!parsed.ok() || parsed->kind != control::CommandKind::Set) {
        return std::nullopt;
    }
    return parsed->profile.value_or(settings::ReadCurrentProfile(configPath));
}

}  // namespace

bool MainWindow::HasUnsavedEdits() const {
    settings::ProfileSettings stored;
    settings::LoadProfile(paths_.configPath, state_.currentProfile.load(), false,
                          static_cast<std::uint8_t>(state_.languageFlag), stored);
    return settings::TakeProfileValues(stored) != settings::TakeProfileValues(services_.profile);
}

control::ControlReply MainWindow::AnswerControlRequest(const control::ControlRequest& request) {
    if (shutDown_) {
        return {false, control::kExitFailed, {}, "ZEL_GMouse is ending\n"};
    }
    // A `set` of the profile shown reloads it from the file, which would drop what the user
    // changed in the window and has not saved.
    const std::optional<std::int32_t> profileSet = ProfileSetBy(request, paths_.configPath);
    const bool setsEditedProfile =
        profileSet && *profileSet == state_.currentProfile.load() && HasUnsavedEdits();
    control::ControlTarget target{
        paths_.configPath,
        paths_.skinsDir,
        paths_.macroPath,
        state_.languageFlag,
        services_.profile,
        state_.currentProfile,
        [this] { update(); },
        [this] { return MouseProblem(services_.link); },
        [this] { return UploadSettings(); },
        [this](std::span<const macro::MacroRecord> records) {
            services_.macros.ReplaceUserMacros(records);
            AfterMacrosReplaced();
        },
        // A change under an open list or dialog would land in the middle of the user's choice.
        [this, setsEditedProfile, profileSet]() -> platform::Result<void> {
            constexpr auto kBusy = platform::ErrorCode::kUnavailable;
            if (setsEditedProfile) {
                return platform::Error{kBusy, "ZEL_GMouse holds unsaved edits of profile " +
                                                  std::to_string(*profileSet) +
                                                  " (save or revert them in the window)"};
            }
            if (IsRecording()) {
                return platform::Error{kBusy, "ZEL_GMouse is recording a macro"};
            }
            if (state_.popupOpen || QApplication::activeModalWidget() != nullptr ||
                QApplication::activePopupWidget() != nullptr) {
                return platform::Error{kBusy, "ZEL_GMouse has a list or a dialog open"};
            }
            return platform::Ok();
        },
    };
    return control::AnswerControlRequest(
        request, std::filesystem::path(paths_.configPath).parent_path(), target);
}

}  // namespace zel::app
