// zel-gmousectl commands that reach the running window: they act on the window's own model,
// files and mouse link, so the window stays the one writer and shows each change at once.

#include <QApplication>
#include <filesystem>
#include <string>

#include "app/session/startup_sequence.h"
#include "app/window/main_window.h"
#include "control/command_line.h"
#include "control/instance_requests.h"
#include "device/device_link.h"
#include "settings/config_files.h"
#include "settings/profile_values.h"
#include "text/console_text.h"

namespace zel::app {

bool MainWindow::HasUnsavedEdits() const {
    settings::ProfileSettings stored;
    settings::LoadProfile(paths_.configPath, state_.currentProfile.load(), false,
                          static_cast<std::uint8_t>(state_.languageFlag), stored);
    return settings::TakeProfileValues(stored) != settings::TakeProfileValues(services_.profile);
}

control::ControlReply MainWindow::AnswerControlRequest(const control::ControlRequest& request) {
    if (IsShutDown()) {
        return {false, control::kExitFailed, {}, std::string(text::console::kEnding) + "\n"};
    }
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
        [this]() -> platform::Result<void> {
            constexpr auto kBusy = platform::ErrorCode::kUnavailable;
            if (IsRecording()) {
                return platform::Error{kBusy, std::string(text::console::kRecordingMacro)};
            }
            if (state_.popupOpen || QApplication::activeModalWidget() != nullptr ||
                QApplication::activePopupWidget() != nullptr) {
                return platform::Error{kBusy, std::string(text::console::kListOrDialogOpen)};
            }
            return platform::Ok();
        },
        // A command that reloads the profile shown or replaces the user macros would drop what
        // the user changed in the window and has not saved.
        [this] {
            return control::UnsavedEdits{HasUnsavedEdits(), macroHost_.HasUnsavedMacroEdits()};
        },
    };
    return control::AnswerControlRequest(
        request, std::filesystem::path(paths_.configPath).parent_path(), target);
}

}  // namespace zel::app
