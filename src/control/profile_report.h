#pragma once

// `show`: one profile in words, as lines "KEY  VALUE" that use the keys and values `set`
// takes, or as one JSON object with the same content (the fields are listed in `--help`).

#include <cstdint>
#include <string>

#include "control/setting_names.h"
#include "settings/profile_values.h"

namespace zel::control {

struct ProfileReport {
    std::int32_t profile = 0;
    bool current = false;  // CurConfig names it
    settings::ProfileValues values;
};

std::string ProfileAsText(const ProfileReport& report, const FunctionNaming& naming);
std::string ProfileAsJson(const ProfileReport& report, const FunctionNaming& naming);

// A JSON string literal of UTF-8 text (quotes included).
std::string JsonString(std::string_view text);

}  // namespace zel::control
