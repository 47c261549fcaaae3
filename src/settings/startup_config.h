#pragma once

// config.ini as the program reads it at start: the current profile, the edition and the
// profile's settings. A file that holds the profile is read key by key as it is; a missing file
// or a missing profile section gets the factory settings (and they are written back), so the
// mouse never receives a profile of zeros. Every later reading of a profile for the mouse (a
// profile chosen in the window, zel-gmousectl's commands) follows the same rule.

#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zel::settings {

struct StartupConfig {
    std::int32_t currentProfile = 1;  // CurConfig; outside 1 ... 5 it counts as 1
    std::uint8_t languageFlag = 0;    // VER_SEL
    // What the user is told once, in the edition's language; empty when the file was fine.
    std::string notice;
};

// CurConfig as the start takes it: missing, or outside 1 ... 5, it is profile 1.
std::int32_t CurrentUserProfile(const ini::IniDocument& document);

// Section Config<n> of the document when it holds one; otherwise the factory settings of
// profile n, as the reset gives them: its reset template (CfgReset<n>, CfgReset_EN5) when the
// document holds it, else the built-in defaults (always for profile 1, which has no template).
// Returns whether the document held the profile's own section.
bool LoadProfileOrFactory(const ini::IniDocument& document, std::int32_t profile,
                          std::uint8_t languageFlag, ProfileSettings& settings);

// The start-up read of config.ini's content: the current profile and the edition, and the
// profile's settings into `profile` (LoadProfileOrFactory). When the document does not hold the
// profile's section, the writes that complete it are added to `completion`: the section whole,
// and CurConfig and VER_SEL when the document has none; when it does, nothing is added. The
// notice is left to the caller, which knows where the content came from.
StartupConfig ReadStartupConfig(const ini::IniDocument& document, ProfileSettings& profile,
                                ini::IniWriteBatch& completion);

// Loads the current profile into `profile` (ReadStartupConfig over the file's content):
// - the file holds section Config<n>: read as LoadProfile reads it, nothing is written;
// - the file or that section is missing (an empty or damaged file too): the factory settings,
//   written back complete as Config<n> (with CurConfig and VER_SEL when the file has none);
// - the file cannot be read (no permission, not a regular file: a FIFO never blocks here; over
//   1 MiB): the factory settings in memory only, the file is left alone, and the notice (in
//   the edition `editionIfUnreadable`, since the file's own cannot be read) names the reason.
// Temporary files that killed writers left behind in the file's folder (of config.ini and of the
// user macro files) are removed first.
StartupConfig LoadStartupConfig(const std::filesystem::path& configPath, ProfileSettings& profile,
                                std::uint8_t editionIfUnreadable);

}  // namespace zel::settings
