#include "app/window/macro_page_host.h"

#include <QKeyEvent>
#include <QWidget>
#include <utility>

#include "app/menus/menu_command.h"
#include "app/menus/skinned_menu.h"
#include "app/window/profile_file_dialogs.h"
#include "macro/macro_files.h"
#include "macro/ui/macro_page.h"
#include "macro/ui/recording_capture.h"
#include "platform/app_identity.h"

namespace zel::app {

MacroPageHost::MacroPageHost(Context context) : context_(std::move(context)) {}

MacroPageHost::~MacroPageHost() = default;

// The macro file is set once the edition's file is known.
void MacroPageHost::Construct() {
    if (model_) {
        return;
    }
    model_ = std::make_unique<macro::MacroPageModel>(
        context_.macros, context_.messages, context_.paths.macroPath, platform::kProgramName);
    recorder_ = std::make_unique<macro::Recorder>(*model_, context_.recordClock);
    recordCapture_ = std::make_unique<macro::ui::RecordingCapture>(*recorder_, context_.window);
}

void MacroPageHost::InitStepSelection() {
    model_->SetMacroFile(context_.paths.macroPath);
    model_->InitStepSelection();
}

void MacroPageHost::CreateControls() {
    if (controls_ || !model_) {
        return;
    }
    controls_ = std::make_unique<macro::ui::MacroPageControls>(
        context_.window, macro::ui::ControlRectsOf(context_.layout), *model_, *recordCapture_,
        [this](QWidget& /*owner*/, const QPoint& globalPos) { return RunStepMenu(globalPos); },
        [this] { context_.window.update(); });
    controls_->ShowCaptions(macro::ui::ControlCaptionsOf(context_.layout));
}

void MacroPageHost::DestroyControls() {
    controls_.reset();
}

void MacroPageHost::RefreshMacroList() {
    if (controls_) {
        controls_->RefreshMacroList();
    } else if (model_) {
        model_->RefreshMacroList();
    }
}

void MacroPageHost::ShowCaptions() {
    if (controls_) {
        controls_->ShowCaptions(macro::ui::ControlCaptionsOf(context_.layout));
    }
}

void MacroPageHost::SetMacroFile(const std::filesystem::path& file) {
    if (model_) {
        model_->SetMacroFile(file);
    }
}

bool MacroPageHost::HasUnsavedMacroEdits() const {
    return model_ && macro::UserMacrosDifferFromFile(context_.macros, model_->macroFile());
}

void MacroPageHost::ReleaseWhileHidden() {
    if (controls_ && !IsRecording()) {
        DestroyControls();
        controlsReleased_ = true;
    }
}

void MacroPageHost::RebuildForShowing(bool advancedPageShown) {
    if (!controlsReleased_) {
        return;
    }
    controlsReleased_ = false;
    if (advancedPageShown) {
        CreateControls();
        RefreshMacroList();
    }
}

void MacroPageHost::ImportMacros() {
    const auto file = AskMacroFileToImport(&context_.window, FileDialogFolder(context_.paths));
    if (!file) {
        return;
    }
    if (macro::LoadChosenUserMacros(context_.macros, *file, context_.messages)) {
        context_.macrosReplaced();
    }
}

void MacroPageHost::ExportMacros() {
    const auto file = AskMacroFileToExport(&context_.window, FileDialogFolder(context_.paths));
    if (!file) {
        return;
    }
    const ini::FileResult saved = macro::SaveUserMacrosWithReason(context_.macros, *file);
    if (!saved.ok()) {
        context_.messages.ShowMessage(macro::SaveFailedMessage(*file, saved),
                                      platform::kProgramName);
    }
}

void MacroPageHost::AddMacroFromNameEdit() {
    if (controls_) {
        controls_->Add();
    }
}

void MacroPageHost::DeleteSelectedMacro() {
    if (controls_) {
        controls_->Delete();
    }
}

void MacroPageHost::ToggleRecording() {
    if (controls_) {
        controls_->ToggleRecording();
    }
}

void MacroPageHost::ApplyRepeatCount() {
    if (controls_) {
        controls_->Apply();
    }
}

void MacroPageHost::ToggleRepeatOfCurrentMacro() {
    if (controls_) {
        controls_->ToggleRepeat();
    }
}

void MacroPageHost::RecordKey(QKeyEvent& event) {
    if (recordCapture_) {
        recordCapture_->TakeKeyEvent(event);
    }
}

void MacroPageHost::OpenStepMenu(const QPoint& globalPos) {
    if (controls_) {
        controls_->OpenStepMenu(globalPos);
    }
}

std::optional<macro::StepCommand> MacroPageHost::RunStepMenu(const QPoint& globalPos) {
    const std::optional<MenuCommand> command = CommandOf(context_.stepMenu.exec(globalPos));
    return command ? StepCommandOf(*command) : std::nullopt;
}

}  // namespace zel::app
