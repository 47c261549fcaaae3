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

// What a control is called, as the user sees it in the edition shown: its caption, the caption of
// its label entry (with the value for a function field: "Side button (front): Forward"), or the
// word a user would say for a control that shows only a picture. `member` -1 names the whole row.
std::string ControlName(const Control& control, int member, const PageStateView& view);

// The value a step bar or the slider shows: the step pressed, or the fire interval in ms.
int ControlValue(const Control& control, const PageStateView& view);
// The values it can take.
int ControlMaximum(const Control& control);

}  // namespace zel::app
