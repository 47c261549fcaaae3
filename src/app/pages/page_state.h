#pragma once

// How the pages' controls read the state they show: which members look pressed and what the
// live captions say. Shared by painting and by everything else that describes a control.

#include <cstdint>
#include <optional>
#include <string>

#include "app/pages/page_controls.h"
#include "app/pages/page_table.h"
#include "macro/macro_store.h"
#include "macro/step_list.h"
#include "settings/profile_settings.h"
#include "skin/skin_layout.h"

namespace zel::app {

// What the controls show, read at one moment.
struct PageStateView {
    const settings::ProfileSettings& profile;
    const macro::MacroStore& macros;
    const skin::SkinLayout& layout;
    std::uint8_t currentPage = 0;
    int currentProfile = 0;
    std::int32_t languageFlag = 0;
    bool recording = false;
    macro::StepListState steps;
    // The tables of the frame and the pages the window shows.
    const PageSet& pages = kShippedPages;
};

// The member's indicator is on: the control is drawn pressed.
bool IsShownPressed(const Control& control, int member, const PageStateView& view);

// The text a control shows in place of its layout caption; none for a layout caption. A function
// code without a name reads as an empty text.
std::optional<std::string> LiveCaption(const Control& control, int member,
                                       const PageStateView& view);

// What a control is called, as the user sees it in the edition shown, unique on its page: its
// caption, the caption of its label entry ("Side button (front)" for a function field, "Level 1
// on" for a level's check box), the words for what it does where the caption alone is ambiguous
// ("Import macros") or says little ("Set repeat count"), or the word a user would say for a
// control that shows only a picture. `member` -1 names the whole row.
std::string ControlName(const Control& control, int member, const PageStateView& view);

// The value a control shows, as a user reads it: a level's DPI ("1200 DPI"), a speed's step
// counted from one ("7"), the fire interval ("50ms"), a function field's function. Empty for a
// control without a value.
std::string ControlValueText(const Control& control, int member, const PageStateView& view);

// The value a step bar or the slider shows: the step pressed, or the fire interval in ms.
int ControlValue(const Control& control, const PageStateView& view);
// The values it can take.
int ControlMaximum(const Control& control);
// The number shown for value `value` of a step bar or the slider: a level's DPI, a speed's step
// counted from one, the fire interval in ms. Grows with `value`.
int ShownValue(const Control& control, int value);

}  // namespace zel::app
