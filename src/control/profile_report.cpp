#include "control/profile_report.h"

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

std::string ProfileAsText(const ProfileReport& report, const FunctionNaming& naming) {
    const settings::ProfileValues& v = report.values;
    std::string text =
        "Profile " + std::to_string(report.profile) + (report.current ? " (current)" : "") + "\n";
    for (std::size_t i = 0; i < v.K.size(); ++i) {
        text += Line("button" + std::to_string(i + 1), naming.NameOf(v.K[i]));
    }
    for (std::size_t i = 0; i < v.DPI_SET.size(); ++i) {
        const bool enabled = v.DPI_SET_EN[i] != 0;
        text += Line("dpi" + std::to_string(i + 1),
                     std::to_string(DpiOfStep(v.DPI_SET[i])) + (enabled ? "" : " (off)"));
    }
    text += Line("dpi-level", std::to_string(v.DPI_LEVEL + 1));
    text += Line("led", ModeName(kLedModeNames, v.LED_STATUS));
    text += Line("wheel", ModeName(kWheelModeNames, v.WHEEL_STATUS));
    text += Line("fire-interval", std::to_string(v.FIRE_TIME));
    text += Line("pointer-speed", std::to_string(v.DPI_SPEED + 1));
    text += Line("wheel-speed", std::to_string(v.WHEEL_SPEED + 1));
    text += Line("macro-mode", ModeName(kMacroModeNames, v.MACRO_MODE2));
    return text;
}

std::string ProfileAsJson(const ProfileReport& report, const FunctionNaming& naming) {
    const settings::ProfileValues& v = report.values;
    std::string json = "{\"profile\":" + std::to_string(report.profile) +
                       ",\"current\":" + (report.current ? "true" : "false") + ",\"buttons\":[";
    for (std::size_t i = 0; i < v.K.size(); ++i) {
        json += (i ? "," : "") + std::string("{\"button\":") + std::to_string(i + 1) +
                ",\"code\":" + std::to_string(v.K[i]) +
                ",\"function\":" + JsonString(naming.IdentifierOf(v.K[i])) +
                ",\"label\":" + JsonString(naming.NameOf(v.K[i])) + "}";
    }
    json += "],\"dpi\":[";
    for (std::size_t i = 0; i < v.DPI_SET.size(); ++i) {
        json += (i ? "," : "") + std::string("{\"level\":") + std::to_string(i + 1) +
                ",\"dpi\":" + std::to_string(DpiOfStep(v.DPI_SET[i])) +
                ",\"enabled\":" + (v.DPI_SET_EN[i] != 0 ? "true" : "false") + "}";
    }
    json += "],\"dpi_level\":" + std::to_string(v.DPI_LEVEL + 1) +
            ",\"led\":" + JsonString(ModeName(kLedModeNames, v.LED_STATUS)) +
            ",\"wheel\":" + JsonString(ModeName(kWheelModeNames, v.WHEEL_STATUS)) +
            ",\"fire_interval\":" + std::to_string(v.FIRE_TIME) +
            ",\"pointer_speed\":" + std::to_string(v.DPI_SPEED + 1) +
            ",\"wheel_speed\":" + std::to_string(v.WHEEL_SPEED + 1) +
            ",\"macro_mode\":" + JsonString(ModeName(kMacroModeNames, v.MACRO_MODE2)) + "}\n";
    return json;
}

}  // namespace zel::control
