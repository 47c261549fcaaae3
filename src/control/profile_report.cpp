#include "control/profile_report.h"

#include "control/setting_table.h"
#include "platform/hex_text.h"
#include "settings/dpi_step_table.h"

namespace zel::control {
namespace {

std::uint16_t DpiOfStep(std::int32_t step) {
    return settings::DpiShownForDeviceCode(settings::DpiDeviceCode(step));
}

std::string Line(std::string_view key, std::string_view value) {
    std::string line(key);
    line.resize(std::max<std::size_t>(line.size() + 1, 15), ' ');
    return line + std::string(value) + "\n";
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u" + platform::HexNumber(static_cast<unsigned char>(c), 4);
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

namespace {

// One value as `show` prints it: the value `set` takes for the key.
std::string ShownValue(const CommandSetting& setting, std::size_t index,
                       const settings::ProfileValues& v, const FunctionNaming& naming) {
    switch (setting.kind) {
        case SettingKind::kButton:
            return naming.NameOf(v.K[index]);
        case SettingKind::kDpi:
            return std::to_string(DpiOfStep(v.DPI_SET[index])) +
                   (v.DPI_SET_EN[index] != 0 ? "" : " (off)");
        case SettingKind::kDpiLevel:
            return std::to_string(v.DPI_LEVEL + 1);
        case SettingKind::kLed:
            return ModeName(kLedModeNames, v.LED_STATUS);
        case SettingKind::kWheel:
            return ModeName(kWheelModeNames, v.WHEEL_STATUS);
        case SettingKind::kFireInterval:
            return std::to_string(v.FIRE_TIME);
        case SettingKind::kPointerSpeed:
            return std::to_string(v.DPI_SPEED + 1);
        case SettingKind::kWheelSpeed:
            return std::to_string(v.WHEEL_SPEED + 1);
        case SettingKind::kMacroMode:
            return ModeName(kMacroModeNames, v.MACRO_MODE2);
    }
    return {};
}

// One value in the JSON object: a family's entry is an object, a mode a string, the rest numbers.
std::string JsonValue(const CommandSetting& setting, std::size_t index,
                      const settings::ProfileValues& v, const FunctionNaming& naming) {
    const std::string number = std::to_string(index + 1);
    switch (setting.kind) {
        case SettingKind::kButton:
            return "{\"button\":" + number + ",\"code\":" + std::to_string(v.K[index]) +
                   ",\"function\":" + JsonString(naming.IdentifierOf(v.K[index])) +
                   ",\"label\":" + JsonString(naming.NameOf(v.K[index])) + "}";
        case SettingKind::kDpi:
            return "{\"level\":" + number +
                   ",\"dpi\":" + std::to_string(DpiOfStep(v.DPI_SET[index])) +
                   ",\"enabled\":" + (v.DPI_SET_EN[index] != 0 ? "true" : "false") + "}";
        case SettingKind::kLed:
        case SettingKind::kWheel:
        case SettingKind::kMacroMode:
            return JsonString(ShownValue(setting, index, v, naming));
        case SettingKind::kDpiLevel:
        case SettingKind::kFireInterval:
        case SettingKind::kPointerSpeed:
        case SettingKind::kWheelSpeed:
            return ShownValue(setting, index, v, naming);
    }
    return {};
}

}  // namespace

std::string ProfileAsText(const ProfileReport& report, const FunctionNaming& naming) {
    std::string text =
        "Profile " + std::to_string(report.profile) + (report.current ? " (current)" : "") + "\n";
    for (const CommandSetting& setting : kCommandSettings) {
        for (std::size_t index = 0; index < setting.count; ++index) {
            text +=
                Line(KeyName(setting, index), ShownValue(setting, index, report.values, naming));
        }
    }
    return text;
}

std::string ProfileAsJson(const ProfileReport& report, const FunctionNaming& naming) {
    std::string json = "{\"profile\":" + std::to_string(report.profile) +
                       ",\"current\":" + (report.current ? "true" : "false");
    for (const CommandSetting& setting : kCommandSettings) {
        json += ",\"" + std::string(setting.jsonKey) + "\":";
        if (setting.count == 1) {
            json += JsonValue(setting, 0, report.values, naming);
            continue;
        }
        json += "[";
        for (std::size_t index = 0; index < setting.count; ++index) {
            json += (index ? "," : "") + JsonValue(setting, index, report.values, naming);
        }
        json += "]";
    }
    return json + "}\n";
}

}  // namespace zel::control
