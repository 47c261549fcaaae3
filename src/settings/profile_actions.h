#pragma once

// The profile actions of the main page: save, revert and hide, choose, import, export and the
// reset of every profile. They change the loaded profile and config.ini (or an exchange file);
// what belongs to the window or to other parts of the program (repainting, hiding, the macro
// files, the upload) is reached through hooks, so the actions run headless in tests.
//
// Window thread only, one action at a time.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/message_sink.h"
#include "settings/file_result.h"
#include "settings/profile_settings.h"

namespace zel::settings {

// Profile numbers with a meaning of their own.
inline constexpr std::int32_t kFirstUserProfile = 1;
inline constexpr std::int32_t kLastUserProfile = 5;
inline constexpr std::int32_t kUploadedProfile = 6;  // the settings last sent to the mouse
inline constexpr std::int32_t kExchangeProfile = 7;  // the one profile of an exchange file

// What the actions ask of the rest of the program. An empty hook is skipped.
struct ProfileActionHooks {
    // Repaints the window with the model as it now is.
    std::function<void()> repaint;
    // Forgets the button under the pointer (the window is about to disappear).
    std::function<void()> clearHotButton;
    // Minimises and hides the window and makes sure the tray icon exists.
    std::function<void()> hideToTray;
    // Replaces the user macros in memory with those of `file` (and refreshes the macro page when
    // it is shown). False when the file could not be read: the macros in memory are then left
    // as they were.
    std::function<bool(const std::filesystem::path& file)> loadDefaultMacros;
    // Writes the user macros in memory to `file`.
    std::function<bool(const std::filesystem::path& file)> saveUserMacros;
    // Sends the current profile to the mouse (which also writes CurConfig, Config6 and the
    // profile's own section); false when those writes failed.
    std::function<bool(std::int32_t currentProfile)> upload;
};

// Everything an action reads or changes. The window builds one for each action, so the
// references always name its live state.
struct ProfileActionContext {
    ProfileSettings& profile;
    // Also read by the macro player thread, which saves the DPI level the mouse switched to.
    std::atomic<std::int32_t>& currentProfile;
    std::int32_t languageFlag;  // non-zero: EN edition
    std::filesystem::path configPath;
    std::filesystem::path skinsDir;
    std::filesystem::path macroPath;  // the edition's user macro file
    platform::MessageSink& messages;
    ProfileActionHooks hooks;
};

// The default macro file of the edition, used by the reset: skins/INI_EN/defMacro.dat or
// skins/INI_CN/defMacro.dat.
std::filesystem::path DefaultMacroFileIn(const std::filesystem::path& skinsDir,
                                         std::int32_t languageFlag);

// The message of a profile that could not be written to `file` (Save, Export, Apply), with the
// reason when it is known.
std::string ProfileWriteFailedMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                                      const ini::FileResult& result = {});

// The message of a config.ini that exists but cannot be read (no permission, not a regular file,
// over 1 MiB): its reason, and that nothing was sent or written.
std::string ConfigCannotReadMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                                    const ini::FileResult& result);

// Writes the loaded profile into its own section of config.ini and nothing else; repaints. A
// file that cannot be written is reported, the model stays as it is. Returns whether it was
// written.
bool SaveCurrentProfile(const ProfileActionContext& context);

// Gives up the edits that were not uploaded but keeps the DPI level in use: the model's
// DPI_LEVEL goes into Config6, the model is loaded from Config6; then the window hides to the
// tray and repaints.
void RevertAndHide(const ProfileActionContext& context);

// Loads profile 1 ... 5 for editing and makes it current in the window. Nothing is uploaded and
// CurConfig is not written: the profile becomes the mouse's only when it is applied. A profile
// config.ini lacks gets its factory settings (LoadProfileOrFactory), never a profile of zeros.
// Any other number changes nothing (false); so does a config.ini that cannot be read, which is
// reported (false).
bool SelectProfile(const ProfileActionContext& context, std::int32_t profile);

enum class ImportResult {
    Loaded,           // the model holds the file's profile
    Unreadable,       // missing, not a readable regular file, or too large: nothing changed
    NoProfileInFile,  // the file has no section Config7: nothing changed
    Unusable,         // no button with the primary click or no DPI level enabled: nothing changed
};

// Loads the profile of an exchange file (section Config7) into the model and repaints. It is
// neither saved nor uploaded and the current profile number stays. Values are taken as the file
// gives them, but a profile that would leave the mouse without a primary click or without an
// enabled DPI level (a file without that section would load every field as 0) is refused with
// a message, as the window never lets an edit do either. A file that cannot be read or is over
// 1 MiB is refused, unread, with the reason.
ImportResult ImportProfile(const ProfileActionContext& context, const std::filesystem::path& file);

// Writes the model, edited or not, into section Config7 of `file`; the file's other sections
// stay. A file that cannot be written is reported. Repaints; returns whether it was written.
bool ExportProfile(const ProfileActionContext& context, const std::filesystem::path& file);

// Puts every profile back to its factory state, in this order: the built-in defaults into the
// model (MACRO_MODE2 kept) for Config1; profiles 5, 4, 3, 2 each loaded from its reset template
// (profile 5 of the EN edition from CfgReset_EN5); all five written to config.ini in one atomic
// replacement, so that an interrupted reset leaves either the old profiles or all of them reset;
// the current profile loaded again; the edition's default macros loaded and written to the user
// macro file; the upload.
//
// A template missing from config.ini would leave its profile all 0; that profile gets the
// built-in defaults instead and the user is told. A config.ini that exists but cannot be read
// is reported and nothing at all is done (false). When the default macro file cannot be read,
// the user macros stay as they were, in memory and in their file. When any of its writes fails
// (config.ini or the user macro file) the user is told once, naming the first file that could
// not be written; the rest of the reset, the upload included, still runs. Returns whether
// everything was written.
bool ResetAllProfiles(const ProfileActionContext& context);

}  // namespace zel::settings
