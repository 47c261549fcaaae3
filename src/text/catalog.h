#pragma once

// The texts of both editions, looked up by identifier. This is the one place that reads the
// edition flag to choose words; everything else passes the flag through.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "text/text_id.h"

namespace zel::text {

// The text of `id` in the edition of `languageFlag` (non-zero: EN, else the CN edition, which
// is Spanish).
std::string_view Text(TextId id, std::int64_t languageFlag);

// The words of each edition; Text picks one of them.
std::string_view EnglishText(TextId id);
std::string_view SpanishText(TextId id);

using Placeholder = std::pair<std::string_view, std::string_view>;

// `pattern` with each placeholder ("{file}") replaced by its value. One pass over the pattern:
// a value that itself contains a placeholder is copied as it is.
std::string FillText(std::string_view pattern, std::initializer_list<Placeholder> values);

// Text(id, languageFlag) filled in.
std::string Message(TextId id, std::int64_t languageFlag,
                    std::initializer_list<Placeholder> values = {});

}  // namespace zel::text
