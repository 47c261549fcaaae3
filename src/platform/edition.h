#pragma once

// The two editions of the program, told apart by `languageFlag` (stored as VER_SEL): EN,
// English, and CN, whose texts, layouts and macros are Spanish. Every reading of the flag goes
// through one of the two rules below.

#include <cstdint>

namespace zel::platform {

// Texts, menus, fonts, layouts and files: every non-zero flag is the EN edition, so a flag read
// from a hand-edited file still picks a complete edition.
constexpr bool IsEnglishEdition(std::int64_t languageFlag) {
    return languageFlag != 0;
}

// The EN edition button drawn pressed and profile 5's EN reset template: only a flag of
// exactly 1 counts as EN there (another non-zero value shows neither edition button pressed
// and resets profile 5 from the shared template), as the shipped files have always had it.
constexpr bool IsExactlyEnglishFlag(std::int64_t languageFlag) {
    return languageFlag == 1;
}

// The flag that stands for the other edition (a switch of edition).
constexpr std::int32_t OtherEditionFlag(std::int64_t languageFlag) {
    return IsEnglishEdition(languageFlag) ? 0 : 1;
}

}  // namespace zel::platform
