// zel-gmousectl commands that reach the running window: they act on the window's own model,
// files and mouse link, so the window stays the one writer and shows each change at once.

#include <QApplication>
#include <filesystem>
#include <vector>

#include "app/main_window.h"
#include "control/command_line.h"
#include "control/instance_requests.h"
#include "device/device_link.h"

namespace zel::app {

control::ControlReply MainWindow::AnswerControlRequest(const control::ControlRequest& request) {
    if (shutDown_) {
        return {false, control::kExitFailed, {}, "ZEL_GMouse is ending\n"};
    }
    control::ControlTarget target{
        paths_.configPath,
        paths_.skinsDir,
        paths_.macroPath,
        state_.languageFlag,
        services_.profile,
        state_.currentProfile,
        [this] { update(); },
        [this]() -> std::optional<std::string> {
            if (services_.link.found && services_.link.IsWriteOpen()) {
                return std::nullopt;
            }
            return std::string("ZEL_GMouse has no connection to the mouse");
        },
        [this] { return UploadSettings(); },
        [this](std::span<const macro::MacroRecord> records) {
            services_.macros.ReplaceUserMacros(records);
            AfterMacrosReplaced();
        },
        // A change under an open list or dialog would land in the middle of the user's choice.
        [this]() -> std::optional<std::string> {
            if (IsRecording()) {
                return std::string("ZEL_GMouse is recording a macro");
            }
            if (state_.popupOpen || QApplication::activeModalWidget() != nullptr ||
                QApplication::activePopupWidget() != nullptr) {
                return std::string("ZEL_GMouse has a list or a dialog open");
            }
            return std::nullopt;
        },
    };
    return control::AnswerControlRequest(
        request, std::filesystem::path(paths_.configPath).parent_path(), target);
}

}  // namespace zel::app
