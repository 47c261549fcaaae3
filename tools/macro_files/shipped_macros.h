#pragma once

// The macros the program ships with: the eight built-in macros and the example user macros of
// each edition.

#include <vector>

#include "macro/macro_record.h"

namespace zel::tools {

// Built-in macros 1 ... 8 (function codes 31 ... 38).
std::vector<macro::MacroRecord> BuiltinMacros();

// Example user macros; `english` picks English names, otherwise Spanish.
std::vector<macro::MacroRecord> ExampleUserMacros(bool english);

}  // namespace zel::tools
