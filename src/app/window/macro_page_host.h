#pragma once

// MacroPageHost: the advanced page's macro work inside the main window. It owns the page's
// state and the recording for the window's whole life, and the page's four controls (name and
// repeat edits, macro list, step list) while the page is shown. The window's RunCommand calls
// the page's macro actions here; the keys of a recording and the step list's right-click come
// here too.

#include <QPoint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "macro/macro_store.h"
#include "macro/recorder.h"
#include "macro/step_list.h"
#include "platform/app_paths.h"
#include "platform/message_sink.h"
#include "skin/skin_layout.h"

class QKeyEvent;
class QWidget;

namespace zel::macro::ui {
class MacroPageControls;
class RecordingCapture;
}  // namespace zel::macro::ui

namespace zel::app {

class SkinnedMenu;

class MacroPageHost {
public:
    // What the host works with, all owned by the window and outliving the host. `window`
    // carries the controls, the recording's keyboard grab and the file dialogs; `paths`,
    // `layout` and `stepMenu` are read when used, since an edition switch changes them.
    struct Context {
        QWidget& window;
        macro::MacroStore& macros;
        platform::MessageSink& messages;
        macro::RecordClock& recordClock;
        const platform::AppPaths& paths;
        const skin::SkinLayout& layout;
        SkinnedMenu& stepMenu;
        // What the window does once the user macros were replaced (an import).
        std::function<void()> macrosReplaced;
    };

    explicit MacroPageHost(Context context);
    ~MacroPageHost();
    MacroPageHost(const MacroPageHost&) = delete;
    MacroPageHost& operator=(const MacroPageHost&) = delete;

    // Initialisation: the page state, the recorder and its keyboard capture, without the four
    // controls' windows.
    void Construct();
    // Initialisation: the step list's selected line is the last step of the current macro.
    void InitStepSelection();
    // Entering and leaving the advanced page.
    void CreateControls();
    void DestroyControls();
    void RefreshMacroList();
    // The controls are named by the captions of the edition shown.
    void ShowCaptions();
    // Apply saves to the macro file of the edition shown.
    void SetMacroFile(const std::filesystem::path& file);

    // Hidden to the tray: the controls go unless a recording keeps the page as it is.
    void ReleaseWhileHidden();
    // Shown again: the controls let go come back if the advanced page is still the one shown.
    void RebuildForShowing(bool advancedPageShown);

    // What the advanced page's macro buttons run (the window's RunCommand calls them).
    void ImportMacros();
    void ExportMacros();
    void AddMacroFromNameEdit();
    void DeleteSelectedMacro();
    void ToggleRecording();
    void ApplyRepeatCount();
    void ToggleRepeatOfCurrentMacro();
    // While recording, every key event of the window passes here and goes no further.
    void RecordKey(QKeyEvent& event);
    // Right-button release on the advanced page while not recording.
    void OpenStepMenu(const QPoint& globalPos);
    // Shows the step list's context menu at `globalPos`; the chosen command, nothing for none.
    std::optional<macro::StepCommand> RunStepMenu(const QPoint& globalPos);

    // The page state (null before the initialisation) and the controls (null while the page
    // is not shown).
    const macro::MacroPageModel* model() const { return model_.get(); }
    macro::ui::MacroPageControls* controls() const { return controls_.get(); }
    bool IsRecording() const { return model_ && model_->state.recording; }
    // The user macros hold edits that Set has not saved to the page's macro file (a macro
    // added, deleted, recorded, its steps or repeat changed, or macros imported in the window).
    bool HasUnsavedMacroEdits() const;

private:
    Context context_;
    // Declared in this order so that they go in the reverse one: the controls use the capture,
    // the capture the recorder, the recorder the page state.
    std::unique_ptr<macro::MacroPageModel> model_;
    std::unique_ptr<macro::Recorder> recorder_;
    std::unique_ptr<macro::ui::RecordingCapture> recordCapture_;
    std::unique_ptr<macro::ui::MacroPageControls> controls_;
    bool controlsReleased_ = false;  // hidden on the advanced page, the controls let go
};

}  // namespace zel::app
