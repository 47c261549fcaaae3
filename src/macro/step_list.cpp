#include "macro/step_list.h"

#include <algorithm>
#include <cstdio>

#include "macro/key_codes.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "settings/parse_decimal.h"
#include "text/catalog.h"

namespace zel::macro {
namespace {

constexpr int kLastMenuMacro = kUserMacroCapacity - 1;

}  // namespace

std::string StepLineText(MacroStep step) {
    std::string text;
    if (step.action == kPressAction) {
        text = kPressMark;
    } else if (step.action == kReleaseAction) {
        text = kReleaseMark;
    }
    text += KeyName(step.code);
    return text;
}

std::string DelayLineText(std::uint16_t delay) {
    char text[16];
    std::snprintf(text, sizeof text, "    %dms", static_cast<int>(delay));
    return text;
}

std::uint16_t DelayFromLineText(std::string_view text) {
    const std::size_t unit = text.find("ms");
    if (unit != std::string_view::npos) {
        text = text.substr(0, unit);
    }
    return static_cast<std::uint16_t>(std::clamp(settings::ParseDecimal(text), 0, 65535));
}

int LineFromPointer(int itemHeight, int scrollPosition, int pointerY, int listTop) {
    if (itemHeight == 0) {
        return 0;
    }
    const long long offset = static_cast<long long>(itemHeight) * scrollPosition + pointerY -
                             static_cast<long long>(listTop);
    return static_cast<int>(offset / itemHeight);
}

MacroPageModel::MacroPageModel(MacroStore& store, platform::MessageSink& messages,
                               std::filesystem::path macroFile, std::int32_t languageFlag,
                               std::string caption)
    : store_(store),
      messages_(messages),
      macroFile_(std::move(macroFile)),
      languageFlag_(languageFlag),
      caption_(std::move(caption)) {}

void MacroPageModel::InitStepSelection() {
    const int steps = store_.UserMacro(store_.CurrentMacro()).stepCount;
    state.selectedLine = steps > 0 ? 2 * (steps - 1) : 0;
}

void MacroPageModel::ShowRepeatOf(const MacroRecord& record) {
    if (record.repeatOn != 1) {
        view.repeat = {"1", false};
    } else {
        view.repeat = {std::to_string(record.repeatCount.Value()), true};
    }
}

void MacroPageModel::RefreshStepList(int m) {
    state.downCount = 0;
    state.upCount = 0;
    view.stepLines.clear();
    view.stepSelection = kNoLine;
    const MacroRecord& record = store_.UserMacro(m);
    if (record.stepCount == 0) {
        return;
    }
    for (int k = 0; k < record.stepCount; ++k) {
        AddStepLines(m, k);
    }
    ShowRepeatOf(record);
}

void MacroPageModel::AddStepLines(int m, int k) {
    if (k < 0 || k >= kMaxSteps) {
        return;
    }
    const MacroRecord& record = store_.UserMacro(m);
    const auto step = static_cast<std::size_t>(k);
    if (k > 0) {
        view.stepLines.push_back(DelayLineText(record.delays[step - 1].Value()));
    }
    view.stepLines.push_back(StepLineText(record.steps[step]));
    if (record.steps[step].action == kPressAction) {
        ++state.downCount;
    } else if (record.steps[step].action == kReleaseAction) {
        ++state.upCount;
    }
    const int lines = static_cast<int>(view.stepLines.size());
    const int line = state.recording ? lines - 1 : state.selectedLine;
    view.stepSelection = line >= 0 && line < lines ? line : kNoLine;
}

void MacroPageModel::RefreshMacroList() {
    const int count = store_.UserCount();
    view.macroNames.clear();
    for (int i = 0; i < count; ++i) {
        view.macroNames.push_back(NameText(store_.UserMacro(i)));
    }
    view.macroSelection = kNoLine;
    if (count != 0) {
        const int selection = std::clamp(store_.CurrentMacro(), 0, count - 1);
        store_.SetCurrentMacro(selection);
        view.macroSelection = selection;
        SelectMacro();
    }
}

void MacroPageModel::SelectMacro() {
    const int selection = view.macroSelection;
    if (selection < 0 || selection >= static_cast<int>(view.macroNames.size())) {
        return;
    }
    store_.SetCurrentMacro(selection);
    view.nameText = view.macroNames[static_cast<std::size_t>(selection)];
    RefreshStepList(selection);
}

void MacroPageModel::Add() {
    const int count = store_.UserCount();
    if (count >= kUserMacroCapacity || view.nameText.empty()) {
        return;
    }
    const int index = store_.AddMacro(view.nameText);
    if (store_.UserCount() > count) {
        view.stepLines.clear();
        view.stepSelection = kNoLine;
        state.downCount = 0;
        state.upCount = 0;
        // The list shows the name as stored, which may be shorter than the text typed.
        view.macroNames.push_back(NameText(store_.UserMacro(index)));
    }
    if (index >= 0 && index < static_cast<int>(view.macroNames.size())) {
        view.macroSelection = index;
    }
}

void MacroPageModel::Delete() {
    const int i = view.macroSelection;
    if (view.macroNames.empty() || state.recording || i < 0 ||
        i >= static_cast<int>(view.macroNames.size())) {
        return;
    }
    store_.DeleteMacro(i);
    view.macroNames.erase(view.macroNames.begin() + i);
    const int s = i > 0 ? i - 1 : 0;
    if (!view.macroNames.empty()) {
        view.macroSelection = s;
        view.nameText = view.macroNames[static_cast<std::size_t>(s)];
    } else {
        view.macroSelection = kNoLine;
        view.nameText.clear();
        view.repeat = {"1", false};
    }
    RefreshStepList(s);
}

int MacroPageModel::Apply() {
    const long long value = settings::ParseDecimal(view.repeat.text);
    if (value < 1) {
        view.repeat.text = "1";
    } else if (value > 65535) {
        view.repeat.text = "65535";
    }
    const RepeatCountResult result = SetRepeatCount(store_, value, macroFile_);
    if (!result.saved) {
        messages_.ShowMessage(SaveFailedMessage(macroFile_, languageFlag_, result.whyNotSaved),
                              caption_);
    }
    return result.storedValue;
}

void MacroPageModel::ToggleRepeat() {
    store_.ToggleRepeat();
    ShowRepeatOf(store_.UserMacro(store_.CurrentMacro()));
}

bool MacroPageModel::OpenStepMenu(int line, bool insideList) {
    state.selectedLine = line;
    if (view.macroSelection < 0) {
        return false;
    }
    const int lines = static_cast<int>(view.stepLines.size());
    view.stepSelection = line >= 0 && line < lines ? line : kNoLine;
    state.stepLineCount = lines;
    return insideList && (line < lines || lines == 0);
}

void MacroPageModel::FinishStepMenu() {
    if (view.macroSelection < 0) {
        return;
    }
    // No selected line counts as line 0.
    state.menuStep = std::max(view.stepSelection, 0) / 2;
    state.menuMacro = std::min(view.macroSelection, kLastMenuMacro);
}

bool MacroPageModel::RunStepCommand(const StepCommand& command) {
    if (state.recording) {
        return false;
    }
    switch (command.kind) {
        case StepCommandKind::InsertBefore:
            InsertStep(state.menuMacro, state.menuStep, command.code, command.action);
            if (view.stepLines.empty()) {
                state.selectedLine = 0;  // the new step is the only line: it is the selected one
            }
            RefreshStepList(state.menuMacro);
            return false;
        case StepCommandKind::InsertAfter:
            if (!view.stepLines.empty()) {
                InsertStep(state.menuMacro, state.menuStep + 1, command.code, command.action);
            } else {
                InsertStep(state.menuMacro, 0, command.code, command.action);
                state.selectedLine = 0;
            }
            RefreshStepList(state.menuMacro);
            return false;
        case StepCommandKind::ModifyDelay:
            return ModifyDelay();
        case StepCommandKind::DeleteStep:
            DeleteStep();
            return false;
    }
    return false;
}

bool MacroPageModel::InsertStep(int m, int pos, std::uint8_t code, std::uint8_t action) {
    if (!IsMacro(m)) {
        return false;
    }
    const int n = store_.UserMacro(m).stepCount;
    if (n + 1 > kMaxInsertableSteps) {
        messages_.ShowMessage(text::Text(text::TextId::kMacroStepsOverflow, languageFlag_),
                              caption_);
        return false;
    }
    const int at = std::clamp(pos, 0, n);
    store_.EditUserMacro(m, [&](MacroRecord& record) {
        const auto first = static_cast<std::size_t>(at);
        const auto count = static_cast<std::size_t>(n);
        std::copy_backward(record.steps.begin() + first, record.steps.begin() + count,
                           record.steps.begin() + count + 1);
        std::copy_backward(record.delays.begin() + first, record.delays.begin() + count,
                           record.delays.begin() + count + 1);
        record.steps[first] = {code, action};
        record.delays[first].Set(kInsertedStepDelay);
        record.stepCount = static_cast<std::uint8_t>(n + 1);
    });
    state.selectedLine += 2;
    return true;
}

void MacroPageModel::DeleteStep() {
    const int m = state.menuMacro;
    const int k = state.menuStep;
    if (IsMacro(m) && k >= 0 && k < store_.UserMacro(m).stepCount) {
        store_.EditUserMacro(m, [k](MacroRecord& record) {
            const int n = record.stepCount - 1;
            const auto at = static_cast<std::size_t>(k);
            const auto end = static_cast<std::size_t>(n) + 1;
            std::copy(record.steps.begin() + at + 1, record.steps.begin() + end,
                      record.steps.begin() + at);
            std::copy(record.delays.begin() + at + 1, record.delays.begin() + end,
                      record.delays.begin() + at);
            record.stepCount = static_cast<std::uint8_t>(n);
        });
    }
    state.selectedLine = state.selectedLine > 2 ? state.selectedLine - 2 : 0;
    RefreshStepList(m);
}

bool MacroPageModel::ModifyDelay() {
    if (state.recording || state.stepLineCount == 0 || state.selectedLine % 2 == 0) {
        return false;
    }
    state.delayEditOpen = true;
    return true;
}

void MacroPageModel::ApplyDelayEdit(std::string_view lineText) {
    if (!state.delayEditOpen) {
        // An edit the list began on its own (Ctrl+A): nothing is stored, the list shows the
        // macro again.
        RefreshStepList(store_.CurrentMacro());
        return;
    }
    state.delayEditOpen = false;
    const int m = state.menuMacro;
    const int k = state.menuStep;
    if (IsMacro(m) && k >= 0 && k < kMaxSteps) {
        const std::uint16_t delay = DelayFromLineText(lineText);
        store_.EditUserMacro(m, [k, delay](MacroRecord& record) {
            record.delays[static_cast<std::size_t>(k)].Set(delay);
        });
    }
    RefreshStepList(m);
}

}  // namespace zel::macro
