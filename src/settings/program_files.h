#pragma once

// The files of one run of either program (the window, the headless run, zel-gmousectl): the
// layout's paths, and for a new user whose config.ini this run seeded, the edition of the
// user's locale. Whichever program starts first makes the same choice.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/app_paths.h"
#include "platform/outcome.h"

namespace zel::settings {

// The edition a new user starts in: 0 (CN, the Spanish texts) under a Spanish locale, 1 (EN)
// under any other.
std::uint8_t EditionForLocale(std::string_view locale);

// The edition config.ini stores (VER_SEL); when the file exists but cannot be read (no
// permission, not a regular file, over 1 MiB), the edition of the locale, as a new user's first
// start takes it, so that the reason is worded in the user's language.
std::uint8_t EditionOfConfig(const std::filesystem::path& configPath, std::string_view locale);

// The files of a run, and what the user is to be told about them: why the user's folder cannot
// be used, or that the locale's edition could not be stored (empty when all is well). The
// program goes on after a notice.
struct ProgramFiles {
    platform::AppPaths paths;
    std::string notice;
};

// platform::ResolveAppPaths, then, when it seeded config.ini, VER_SEL set to the edition of
// environment.messagesLocale. The macro path follows the stored edition (EditionOfConfig), and
// the notice is in its words. Fails when no user folder can be named, in the words of the
// locale's edition: the program must not start then.
platform::Result<ProgramFiles> ResolveProgramFiles(std::string_view exeDir,
                                                   const platform::UserEnvironment& environment);

// The notice for a user folder that cannot be used, in the words of `languageFlag`'s edition.
std::string UserFolderNotice(const platform::UserFolderProblem& problem, std::int32_t languageFlag);

}  // namespace zel::settings
