#pragma once

// The KEY=VALUE pairs of `set`, checked and carried out on a loaded profile. All pairs are
// checked against the profile as the earlier pairs left it, and the caller saves only when
// every pair was good, so a bad pair leaves the files as they were.

#include <span>
#include <string>
#include <string_view>

#include "control/command_line.h"
#include "control/setting_names.h"
#include "platform/outcome.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zel::control {

// Changes `profile` pair by pair (dpi-level last, so that it may name a level the same command
// enables). The first bad key or value stops it: the message says what is allowed, and
// `profile` may then hold some of the changes (the caller drops it).
platform::Result<void> ApplySettingChanges(settings::ProfileSettings& profile,
                                           std::span<const SettingChange> changes,
                                           const FunctionNaming& naming);

// The exchange profile (section Config7) of a file to import, checked by the same rules: every
// stored key there and a decimal number in its range (a function the lists offer, a DPI step, an
// LED, wheel or macro mode, a speed step, a fire interval, an enabled DPI level), and the profile
// keeps a button with the primary click and an enabled DPI level. The message names the first
// bad key and value.
platform::Result<void> CheckImportedProfile(const ini::IniDocument& document,
                                            const FunctionNaming& naming);

}  // namespace zel::control
