#pragma once

// The name field of a macro record: UTF-16 code units, zero-terminated, at most 19 units. The
// program's text is UTF-8; these helpers convert at the record's edge.

#include <string>
#include <string_view>

#include "macro/macro_record.h"

namespace zel::macro {

// The name's code units up to its terminator (all 20 if a record lacks one).
std::u16string_view NameUnits(const MacroRecord& record);

// The name as UTF-8 text.
std::string NameText(const MacroRecord& record);

// The code units a text would be stored as: the text up to any NUL character, cut to 19 units
// at a character boundary (a surrogate pair is never split).
std::u16string NameUnitsFor(std::string_view text);

// Replaces the name: all 20 units are cleared, then NameUnitsFor(text) is copied in.
void SetName(MacroRecord& record, std::string_view text);

// Makes sure a name read from a file is terminated: a name that fills all 20 units is cut to 19
// (to 18 when unit 18 would be the first half of a surrogate pair).
void TerminateName(MacroRecord& record);

}  // namespace zel::macro
