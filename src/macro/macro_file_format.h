#pragma once

// The text form of one macro record in a macro file: 1064 groups of three decimal digits, one
// group per byte of the record in file order (name, header, then code, action and delay of each
// step interleaved), keyboard codes as Windows virtual-key codes.

#include <cstddef>
#include <string>
#include <string_view>

#include "macro/macro_record.h"
#include "platform/outcome.h"

namespace zel::macro {

inline constexpr std::size_t kGroupCount = 1064;
inline constexpr std::size_t kEncodedRecordLength = 3 * kGroupCount;  // 3192 characters

// The 3192-character value of a record.
std::string EncodeMacroRecord(const MacroRecord& record);

// A record from a stored value, leniently: each group of three characters converts like any
// number in the program's files (leading blanks, a sign, digits up to the first other
// character, nothing gives 0) and keeps its low 8 bits; characters beyond 3192 are ignored and
// missing groups are 0. The name always ends up terminated.
MacroRecord DecodeMacroRecord(std::string_view value);

// A record from a value that must be exactly as the program writes it: 3192 digits, each group
// at most 255, and each step up to the step count a key or button code (not 0) pressed or
// released. Anything else is a kMalformed error saying what is wrong. For files a user imports
// from a script, which are refused rather than half-read.
platform::Result<MacroRecord> DecodeMacroRecordStrictly(std::string_view value);

}  // namespace zel::macro
