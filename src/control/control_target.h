#pragma once

// What zel-gmousectl's commands act on: the files and the live profile of whoever carries the
// command out. zel-gmousectl fills it with the files it was pointed at and a mouse it opens on
// demand; the running program fills it with its own state, so that its window shows a change
// at once and it stays the one writer of its files and the one user of the mouse.
//
// The commands run on the owner's main thread, one at a time.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "device/upload.h"
#include "macro/macro_record.h"
#include "platform/outcome.h"
#include "settings/profile_settings.h"

namespace zel::control {

// What the owner holds that is not saved yet and a command would replace.
struct UnsavedEdits {
    bool profile = false;     // edits of the loaded profile (`currentProfile`)
    bool userMacros = false;  // the user macros in memory differ from the user macro file
};

struct ControlTarget {
    std::filesystem::path configPath;
    std::filesystem::path skinsDir;
    std::filesystem::path userMacroPath;  // the user macro file of the edition in use
    std::int32_t languageFlag = 0;        // non-zero: EN edition

    // The profile loaded for editing (the window's model) and its number.
    settings::ProfileSettings& profile;
    std::atomic<std::int32_t>& currentProfile;

    // Shows the model as it now is (empty: no window).
    std::function<void()> repaint;
    // Whether the mouse can take an upload now, else why not. Asked before any command that
    // uploads writes anything.
    std::function<platform::Result<void>()> mouseProblem;
    // The Apply of the window: sends the loaded profile as profile `currentProfile`. Says
    // whether the mouse took every report and whether the writes to config.ini succeeded.
    std::function<device::UploadOutcome()> upload;
    // The user macro file now holds `records`; the owner's macros in memory follow (empty:
    // nothing in memory).
    std::function<void(std::span<const macro::MacroRecord> records)> userMacrosReplaced;
    // Whether the owner can take a change now, else why not (the window has a choice list or a
    // dialog open, or records a macro). Commands that only read run all the same.
    std::function<platform::Result<void>()> busy = {};
    // What the owner holds unsaved (empty: nothing, as for the tool and the headless run). A
    // command that would reload the loaded profile or replace the user macros is refused while
    // they hold unsaved edits, unless it was given --discard-unsaved.
    std::function<UnsavedEdits()> unsavedEdits = {};
};

}  // namespace zel::control
