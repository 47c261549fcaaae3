#include "control/setting_names.h"

#include <charconv>

#include "settings/button_function.h"

namespace zel::control {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::int32_t> FunctionNaming::OfferedCodes() const {
    std::vector<std::int32_t> codes;
    for (const settings::ButtonFunction& function : settings::kButtonFunctionTable) {
        if (function.list == settings::ChoiceList::None) {
            continue;
        }
        if (function.list == settings::ChoiceList::UserMacros &&
            function.code - settings::kFirstUserMacroFunction >=
                static_cast<std::int32_t>(userMacroNames.size())) {
            continue;  // no such macro: the list has no row for it
        }
        codes.push_back(function.code);
    }
    return codes;
}

std::string FunctionNaming::NameOf(std::int32_t code) const {
    if (code >= settings::kFirstUserMacroFunction) {
        const auto index = static_cast<std::size_t>(code - settings::kFirstUserMacroFunction);
        if (index < userMacroNames.size()) {
            return userMacroNames[index];
        }
    }
    if (code >= 0 && static_cast<std::size_t>(code) < functionNames.size() &&
        !functionNames[static_cast<std::size_t>(code)].empty()) {
        return functionNames[static_cast<std::size_t>(code)];
    }
    return std::to_string(code);
}

std::optional<std::int32_t> FunctionNaming::CodeOf(std::string_view text) const {
    const std::vector<std::int32_t> offered = OfferedCodes();
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty()) {
        for (const std::int32_t code : offered) {
            if (code == number) {
                return code;
            }
        }
        return std::nullopt;
    }
    for (const std::int32_t code : offered) {
        if (SameLetters(NameOf(code), text)) {
            return code;
        }
    }
    return std::nullopt;
}

std::string ModeName(std::span<const std::string_view> names, std::int32_t value) {
    if (value >= 0 && static_cast<std::size_t>(value) < names.size()) {
        return std::string(names[static_cast<std::size_t>(value)]);
    }
    return std::to_string(value);
}

}  // namespace zel::control
