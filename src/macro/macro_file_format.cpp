#include "macro/macro_file_format.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "macro/key_codes.h"
#include "macro/macro_name.h"
#include "platform/whole_number.h"
#include "settings/parse_decimal.h"
#include "settings/unicode_text.h"

namespace zel::macro {
namespace {

using Groups = std::array<std::uint8_t, kGroupCount>;

constexpr std::size_t kNameGroups = 2 * kNameUnits;  // groups 0 ... 39
constexpr std::size_t kRepeatOnGroup = 40;
constexpr std::size_t kRepeatLowGroup = 41;
constexpr std::size_t kRepeatHighGroup = 42;
constexpr std::size_t kStepCountGroup = 43;
constexpr std::size_t kFirstStepGroup = 44;  // then 4 groups per step
static_assert(kFirstStepGroup + 4 * kMaxSteps == kGroupCount);

Groups ToGroups(const MacroRecord& record) {
    Groups groups{};
    for (std::size_t i = 0; i < record.name.size(); ++i) {
        groups[2 * i] = static_cast<std::uint8_t>(record.name[i] & 0xFF);
        groups[2 * i + 1] = static_cast<std::uint8_t>(record.name[i] >> 8);
    }
    groups[kRepeatOnGroup] = record.repeatOn;
    groups[kRepeatLowGroup] = record.repeatCount.low;
    groups[kRepeatHighGroup] = record.repeatCount.high;
    groups[kStepCountGroup] = record.stepCount;
    for (std::size_t k = 0; k < kMaxSteps; ++k) {
        const std::size_t g = kFirstStepGroup + 4 * k;
        groups[g] = UsageToVk(record.steps[k].code);
        groups[g + 1] = record.steps[k].action;
        groups[g + 2] = record.delays[k].low;
        groups[g + 3] = record.delays[k].high;
    }
    return groups;
}

MacroRecord FromGroups(const Groups& groups) {
    MacroRecord record{};
    for (std::size_t i = 0; i < record.name.size(); ++i) {
        record.name[i] = static_cast<char16_t>(groups[2 * i] | (groups[2 * i + 1] << 8));
    }
    TerminateName(record);
    record.repeatOn = groups[kRepeatOnGroup];
    record.repeatCount.low = groups[kRepeatLowGroup];
    record.repeatCount.high = groups[kRepeatHighGroup];
    record.stepCount = groups[kStepCountGroup];
    for (std::size_t k = 0; k < kMaxSteps; ++k) {
        const std::size_t g = kFirstStepGroup + 4 * k;
        record.steps[k].code = VkToUsage(groups[g]);
        record.steps[k].action = groups[g + 1];
        record.delays[k].low = groups[g + 2];
        record.delays[k].high = groups[g + 3];
    }
    return record;
}

// One byte as three digits, zero-padded ("00%d", "0%d", "%d").
void AppendGroup(std::string& out, std::uint8_t value) {
    if (value < 10) {
        out += "00";
    } else if (value < 100) {
        out += '0';
    }
    out += std::to_string(value);
}

// Groups are counted in characters (UTF-16 code units, as the files were written on Windows),
// so a stray non-ASCII character shifts the following groups exactly as it did there. Such a
// character is no digit, sign or blank, so it ends a group's number.
std::uint8_t GroupValue(std::u16string_view units) {
    std::string text;
    for (char16_t unit : units) {
        text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return static_cast<std::uint8_t>(settings::ParseDecimal(text) & 0xFF);
}

}  // namespace

std::string EncodeMacroRecord(const MacroRecord& record) {
    std::string out;
    out.reserve(kEncodedRecordLength);
    for (std::uint8_t value : ToGroups(record)) {
        AppendGroup(out, value);
    }
    return out;
}

MacroRecord DecodeMacroRecord(std::string_view value) {
    Groups groups{};
    const bool ascii = std::all_of(value.begin(), value.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        // One character a byte: the groups are read from the bytes, as the units would give them.
        const std::string_view text = value.substr(0, kEncodedRecordLength);
        for (std::size_t g = 0; g < kGroupCount && 3 * g < text.size(); ++g) {
            groups[g] =
                static_cast<std::uint8_t>(settings::ParseDecimal(text.substr(3 * g, 3)) & 0xFF);
        }
        return FromGroups(groups);
    }
    std::u16string units = text::Utf8ToUtf16(value);
    if (units.size() > kEncodedRecordLength) {
        units.resize(kEncodedRecordLength);
    }
    const std::u16string_view text = units;
    for (std::size_t g = 0; g < kGroupCount && 3 * g < text.size(); ++g) {
        groups[g] = GroupValue(text.substr(3 * g, 3));
    }
    return FromGroups(groups);
}

platform::Result<MacroRecord> DecodeMacroRecordStrictly(std::string_view value) {
    const auto malformed = [](std::string message) {
        return platform::Error{platform::ErrorCode::kMalformed, std::move(message)};
    };
    if (value.size() != kEncodedRecordLength) {
        return malformed(std::to_string(value.size()) + " characters instead of " +
                         std::to_string(kEncodedRecordLength));
    }
    Groups groups{};
    for (std::size_t g = 0; g < kGroupCount; ++g) {
        const std::string_view group = value.substr(3 * g, 3);
        const auto number = platform::ParseWholeNumber<unsigned>(group);
        const std::string where =
            "\"" + std::string(group) + "\" at character " + std::to_string(3 * g + 1);
        if (!number) {
            return malformed(where + " is not a three-digit number");
        }
        if (*number > 255) {
            return malformed(where + " is over 255");
        }
        groups[g] = static_cast<std::uint8_t>(*number);
    }
    MacroRecord record = FromGroups(groups);
    for (std::size_t k = 0; k < record.stepCount; ++k) {
        const MacroStep& step = record.steps[k];
        if (step.code == 0 || (step.action != kPressAction && step.action != kReleaseAction)) {
            return malformed("step " + std::to_string(k + 1) + " of " +
                             std::to_string(unsigned{record.stepCount}) + " has key code " +
                             std::to_string(unsigned{groups[kFirstStepGroup + 4 * k]}) +
                             " and action " + std::to_string(unsigned{step.action}) +
                             " (a key or button code, and 1 press or 2 release)");
        }
    }
    return record;
}

}  // namespace zel::macro
