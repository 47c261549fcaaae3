#pragma once

// Section and key names match without regard to case. Names in the files this program meets
// are ASCII; beyond ASCII the fold covers the Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals, which is what a user-chosen name in either edition can reasonably hold.

#include <string>
#include <string_view>

namespace zel::ini::detail {

// The lower-case form of a UTF-8 name, for equality tests only.
std::string FoldCase(std::string_view utf8);

}  // namespace zel::ini::detail
