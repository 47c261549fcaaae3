#include "control/setting_table.h"

#include <algorithm>

#include "control/setting_names.h"

namespace zel::control {
namespace {

// The help's lists: the name in a column of `width` after two blanks, the text beside it, its
// further lines indented to the same column.
std::string HelpLine(std::string_view name, std::size_t width, std::string_view text) {
    std::string line = "  " + std::string(name);
    line.resize(std::max(line.size() + 1, 2 + width), ' ');
    const std::string indent(2 + width, ' ');
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        line += text.substr(start, end - start);
        line += '\n';
        if (end == std::string_view::npos) {
            return line;
        }
        line += indent;
        start = end + 1;
    }
}

std::string Range(std::string_view first, std::string_view last) {
    return std::string(first) + " ... " + std::string(last);
}

}  // namespace

std::string KeyName(const CommandSetting& setting, std::size_t index) {
    return setting.count == 1 ? std::string(setting.key)
                              : std::string(setting.key) + std::to_string(index + 1);
}

std::string KeyRange(const CommandSetting& setting) {
    return setting.count == 1 ? std::string(setting.key)
                              : Range(KeyName(setting, 0), KeyName(setting, setting.count - 1));
}

std::string FileKeyName(const CommandSetting& setting, std::size_t index) {
    return setting.count == 1 ? std::string(setting.fileKey)
                              : std::string(setting.fileKey) + std::to_string(index);
}

std::string FileKeyRange(const CommandSetting& setting) {
    return setting.count == 1
               ? std::string(setting.fileKey)
               : Range(FileKeyName(setting, 0), FileKeyName(setting, setting.count - 1));
}

std::optional<SettingKey> FindSettingKey(std::string_view key) {
    for (const CommandSetting& setting : kCommandSettings) {
        for (std::size_t index = 0; index < setting.count; ++index) {
            if (key == KeyName(setting, index)) {
                return SettingKey{&setting, index};
            }
        }
    }
    return std::nullopt;
}

std::string SettingKeyList() {
    std::string keys;
    for (const CommandSetting& setting : kCommandSettings) {
        for (std::size_t index = 0; index < setting.count; ++index) {
            keys += keys.empty() ? "" : ", ";
            keys += KeyName(setting, index);
        }
    }
    return keys;
}

std::span<const std::string_view> ModeNamesOf(SettingKind kind) {
    switch (kind) {
        case SettingKind::kLed:
            return kLedModeNames;
        case SettingKind::kWheel:
            return kWheelModeNames;
        case SettingKind::kMacroMode:
            return kMacroModeNames;
        case SettingKind::kButton:
        case SettingKind::kDpi:
        case SettingKind::kDpiLevel:
        case SettingKind::kFireInterval:
        case SettingKind::kPointerSpeed:
        case SettingKind::kWheelSpeed:
            return {};
    }
    return {};
}

std::string SetKeysHelp() {
    std::string text;
    for (const CommandSetting& setting : kCommandSettings) {
        text += HelpLine(KeyRange(setting), 22, setting.keyHelp);
    }
    return text;
}

std::string JsonFieldsHelp() {
    std::string text;
    for (const CommandSetting& setting : kCommandSettings) {
        text += HelpLine(setting.jsonKey, 15, setting.fieldHelp);
    }
    return text;
}

}  // namespace zel::control
