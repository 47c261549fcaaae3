#pragma once

// The texts ZEL_GMouse writes to standard error and answers zel-gmousectl with. They are for
// logs and scripts, so they stay English in both editions; a text with placeholders ({file})
// is filled with FillText.

#include <string_view>

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

}  // namespace zel::text::console
