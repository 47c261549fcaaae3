#pragma once

// The texts ZEL_GMouse writes to standard error and answers zel-gmousectl with. They are for
// logs and scripts, so they stay English in both editions; a text with placeholders ({file})
// is filled with FillText.

#include <cstdio>
#include <string>
#include <string_view>

#include "text/catalog.h"

namespace zel::text::console {

// A picture of the skin could not be read; the window draws a plain dark layer instead.
inline constexpr std::string_view kSkinPictureMissing =
    "Skin picture missing or unreadable: {file}";

// Why the running program turns a zel-gmousectl command away.
inline constexpr std::string_view kEnding = "ZEL_GMouse is ending";
inline constexpr std::string_view kRecordingMacro = "ZEL_GMouse is recording a macro";
inline constexpr std::string_view kListOrDialogOpen = "ZEL_GMouse has a list or a dialog open";

// zel-gmousectl asked for something that needs the mouse while the program has none.
inline constexpr std::string_view kNoConnectionToMouse =
    "ZEL_GMouse has no connection to the mouse";

// The start of the window or the service: why it ends or goes on with less.
inline constexpr std::string_view kStartEnds = "ZEL_GMouse: {reason}; this start ends.";
inline constexpr std::string_view kAlreadyRunning =
    "ZEL_GMouse is already running for this user; this start ends.";
inline constexpr std::string_view kStartWarning = "ZEL_GMouse: warning: {reason}";
inline constexpr std::string_view kUnreachable =
    "ZEL_GMouse: zel-gmousectl cannot reach this program: {reason}";
inline constexpr std::string_view kCannotStart = "ZEL_GMouse cannot start: {reason}.";

// One of these lines on standard error, its {reason} filled in.
inline void PrintLine(std::string_view pattern, std::string_view reason) {
    const std::string line = FillText(pattern, {{"{reason}", reason}});
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace zel::text::console
