#pragma once

// The files of one run of either program (the window, the headless run, zel-gmousectl): the
// layout's paths, and for a new user whose config.ini this run seeded, the edition of the
// user's locale. Whichever program starts first makes the same choice.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/app_paths.h"

namespace zel::settings {

// The edition a new user starts in: 0 (CN, the Spanish texts) under a Spanish locale, 1 (EN)
// under any other.
std::uint8_t EditionForLocale(std::string_view locale);

// The edition config.ini stores (VER_SEL); when the file exists but cannot be read (no
// permission, not a regular file, over 1 MiB), the edition of the locale, as a new user's first
// start takes it, so that the reason is worded in the user's language.
std::uint8_t EditionOfConfig(const std::filesystem::path& configPath, std::string_view locale);

// platform::ResolveAppPaths, then, when it seeded config.ini, VER_SEL set to the edition of
// environment.messagesLocale. The macro path follows the stored edition (EditionOfConfig).
platform::ResolvedPaths ResolveProgramFiles(std::string_view exeDir,
                                            const platform::UserEnvironment& environment);

}  // namespace zel::settings
