#include "control/setting_names.h"

#include "platform/whole_number.h"
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

// By code. Never change one: scripts name the functions by these.
constexpr std::array<std::string_view, settings::kLastButtonFunction + 1> kFunctionIdentifiers = {
    "",  // 0: nothing assigned
    "left-click",
    "right-click",
    "middle-click",
    "forward",  // 1 ... 4
    "back",
    "dpi-cycle",  // 5, 6
    "",
    "",
    "",
    "",  // 7 ... 10: list headings
    "fire-key",
    "double-click",
    "triple-click",
    "report-rate",  // 11 ... 14
    "dpi-up",
    "dpi-down",  // 15, 16
    "",
    "",
    "",
    "",  // 17 ... 20: not offered
    "browser-home",
    "media-player",
    "email",
    "volume-up",  // 21 ... 24
    "volume-down",
    "previous-track",
    "next-track",
    "mute",  // 25 ... 28
    "play-pause",
    "calculator-key",  // 29, 30
    "builtin-macro-1",
    "builtin-macro-2",
    "builtin-macro-3",
    "builtin-macro-4",  // 31 ... 34
    "builtin-macro-5",
    "builtin-macro-6",
    "builtin-macro-7",
    "builtin-macro-8",  // 35 ... 38
    "calculator",
    "terminal",  // 39, 40
    "user-macro-1",
    "user-macro-2",
    "user-macro-3",
    "user-macro-4",  // 41 ... 44
    "user-macro-5",
    "user-macro-6",
    "user-macro-7",
    "user-macro-8",  // 45 ... 48
    "user-macro-9",
    "user-macro-10",
    "user-macro-11",
    "user-macro-12",  // 49 ... 52
};

// The calculator and the terminal have no row in the lists but are whole functions of their
// own, so scripts may set them.
bool RunsOnTheHostUnlisted(const settings::ButtonFunction& function) {
    return function.hostAction == settings::HostAction::Calculator ||
           function.hostAction == settings::HostAction::CommandPrompt;
}

std::string NameIn(const std::array<std::string, 55>& names, std::int32_t code) {
    if (code >= 0 && static_cast<std::size_t>(code) < names.size()) {
        return names[static_cast<std::size_t>(code)];
    }
    return {};
}

}  // namespace

std::string_view FunctionIdentifier(std::int32_t code) {
    if (!settings::IsKnownButtonFunction(code)) {
        return {};
    }
    return kFunctionIdentifiers[static_cast<std::size_t>(code)];
}

std::vector<std::int32_t> FunctionNaming::OfferedCodes() const {
    std::vector<std::int32_t> codes;
    for (const settings::ButtonFunction& function : settings::kButtonFunctionTable) {
        if (function.list == settings::ChoiceList::None && !RunsOnTheHostUnlisted(function)) {
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
    if (std::string name = NameIn(functionNames, code); !name.empty()) {
        return name;
    }
    return std::to_string(code);
}

std::string FunctionNaming::IdentifierOf(std::int32_t code) const {
    const std::string_view identifier = FunctionIdentifier(code);
    return identifier.empty() ? std::to_string(code) : std::string(identifier);
}

std::optional<std::int32_t> FunctionNaming::CodeOf(std::string_view text) const {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::vector<std::int32_t> offered = OfferedCodes();
    if (const auto number = platform::ParseWholeNumber<std::int32_t>(text)) {
        for (const std::int32_t code : offered) {
            if (code == *number) {
                return code;
            }
        }
        return std::nullopt;
    }
    // The identifiers first, so that no name a user gives a macro can hide one; then the names
    // of the edition in use, then those of the other edition (a user macro only by its own
    // name: the layout's "Macro 1" is not what its row shows).
    for (const std::int32_t code : offered) {
        if (SameLetters(FunctionIdentifier(code), text)) {
            return code;
        }
    }
    for (const std::int32_t code : offered) {
        if (SameLetters(NameOf(code), text)) {
            return code;
        }
    }
    for (const std::int32_t code : offered) {
        const std::string other = NameIn(otherEditionNames, code);
        if (code < settings::kFirstUserMacroFunction && !other.empty() &&
            SameLetters(other, text)) {
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
