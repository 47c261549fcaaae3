#pragma once

// The macro page without its widgets: what its four controls hold (the macro list, the name
// and repeat edits, the step list) and the page operations on them and on the macro store.
// The Qt page copies the user's input into `view` before an operation and shows `view` after
// it, so every rule of the page is here and testable without a window.
//
// Step list content for a macro with n steps: 2n - 1 lines. Line 2k shows step k; line 2k - 1
// shows delay k - 1, the pause between step k - 1 and step k. The last step's delay is not
// shown.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_store.h"
#include "platform/message_sink.h"

namespace zel::macro {

inline constexpr int kMaxInsertableSteps = 254;  // an insertion never makes a macro longer
inline constexpr std::uint16_t kInsertedStepDelay = 30;
inline constexpr std::string_view kPressMark = "[\xE2\x86\x93]";    // [↓]
inline constexpr std::string_view kReleaseMark = "[\xE2\x86\x91]";  // [↑]
inline constexpr int kNoLine = -1;                                  // a list without a selection

// "[↓]" + KeyName for a press, "[↑]" + KeyName for a release, the bare name otherwise.
std::string StepLineText(MacroStep step);
// "    %dms": four blanks, the delay in decimal, "ms".
std::string DelayLineText(std::uint16_t delay);

// The value an edited delay line stores: the text before its first "ms" (all of it when there
// is none), read as a lenient decimal number and clamped to 0 ... 65535.
std::uint16_t DelayFromLineText(std::string_view text);

// The step-list line under a pointer at `pointerY` (screen) for a list whose client area starts
// at `listTop`, scrolled by `scrollPosition` lines of `itemHeight` pixels. 0 when the item
// height is 0. Integer division as the list's own hit test does.
int LineFromPointer(int itemHeight, int scrollPosition, int pointerY, int listTop);

// What a command of the step list's context menu does to the macro.
enum class StepCommandKind { InsertBefore, InsertAfter, ModifyDelay, DeleteStep };
struct StepCommand {
    StepCommandKind kind;
    std::uint8_t code = 0;    // inserted mouse button: 240 left, 241 right, 242 middle
    std::uint8_t action = 0;  // inserted action: 1 press, 2 release
    friend bool operator==(const StepCommand&, const StepCommand&) = default;
};

// The repeat-count edit: its text and whether it takes input.
struct RepeatBox {
    std::string text;
    bool enabled = true;
    friend bool operator==(const RepeatBox&, const RepeatBox&) = default;
};

// What the four controls hold. The page keeps it in step with its widgets.
struct MacroPageView {
    std::vector<std::string> macroNames;  // macroList entries (UTF-8)
    int macroSelection = kNoLine;
    std::string nameText;  // nameEdit
    RepeatBox repeat;      // repeatEdit
    std::vector<std::string> stepLines;
    int stepSelection = kNoLine;
};

// The page's own state.
struct StepListState {
    int selectedLine = 0;  // line of the last right-click, moved by the step commands
    int downCount = 0;     // press and release steps shown since the list's last rebuild
    int upCount = 0;
    int menuMacro = 0;  // macro and step the context menu acts on
    int menuStep = 0;
    int stepLineCount = 0;       // lines when the menu was opened
    bool recording = false;      // set by the recorder; step commands wait for its end
    bool delayEditOpen = false;  // Modify Delay started the edit that ends next
};

class MacroPageModel {
public:
    // `caption` titles the page's message boxes; `macroFile` is where Apply saves, the file of
    // the edition of `languageFlag`, in whose words the page's messages are.
    MacroPageModel(MacroStore& store, platform::MessageSink& messages,
                   std::filesystem::path macroFile, std::int32_t languageFlag, std::string caption);

    MacroStore& store() { return store_; }
    const MacroStore& store() const { return store_; }
    // The macro file and the edition change together (an edition switch).
    void SetMacroFile(std::filesystem::path macroFile, std::int32_t languageFlag) {
        macroFile_ = std::move(macroFile);
        languageFlag_ = languageFlag;
    }
    const std::filesystem::path& macroFile() const { return macroFile_; }

    MacroPageView view;
    StepListState state;

    // At start-up: the last step line of the current macro (0 when it has no steps).
    void InitStepSelection();

    // The step list rebuilt for user macro m. Without steps the repeat box keeps its content;
    // otherwise it shows the macro's repeat count (enabled) or "1" (disabled).
    void RefreshStepList(int m);
    // Appends the delay line of step k - 1 (k > 0) and the line of step k, counts the step and
    // selects the last line while recording, else line selectedLine.
    void AddStepLines(int m, int k);

    // The macro list rebuilt from the store; the current macro (kept within the list) selected.
    void RefreshMacroList();
    // The macro list's selection became view.macroSelection.
    void SelectMacro();

    // Advanced buttons: Add (name from view.nameText), Delete (the selected macro), Apply
    // (count from view.repeat.text; the only action that saves), the repeat switch.
    void Add();
    void Delete();
    // The stored count. A failed save is reported through the message sink.
    int Apply();
    void ToggleRepeat();

    // Right-button release over the step list: `line` from LineFromPointer, `insideList` when
    // the pointer lies in the list's client area. True when the context menu is to be shown.
    // Call FinishStepMenu after the menu closed, before its command runs.
    bool OpenStepMenu(int line, bool insideList);
    void FinishStepMenu();

    // A command chosen from the context menu. True when it asks the step list to begin editing
    // the selected line (Modify Delay on a delay line).
    bool RunStepCommand(const StepCommand& command);

    // Inserts step (c, a) with delay 30 at `pos` of user macro m; the overflow message ("Overflow
    // !!!") and nothing changed when the macro already has 254 steps. False when nothing was
    // inserted.
    bool InsertStep(int m, int pos, std::uint8_t code, std::uint8_t action);
    void DeleteStep();
    bool ModifyDelay();
    // An in-place edit ended (kept or discarded); `lineText` is the text of line selectedLine.
    // Only an edit opened by Modify Delay stores a delay; any edit leaves the list rebuilt.
    void ApplyDelayEdit(std::string_view lineText);

private:
    bool IsMacro(int m) const { return m >= 0 && m < store_.UserCount(); }
    void ShowRepeatOf(const MacroRecord& record);

    MacroStore& store_;
    platform::MessageSink& messages_;
    std::filesystem::path macroFile_;
    std::int32_t languageFlag_;
    std::string caption_;
};

}  // namespace zel::macro
