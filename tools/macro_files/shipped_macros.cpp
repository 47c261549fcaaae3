#include "shipped_macros.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "macro/key_codes.h"
#include "macro/macro_name.h"

namespace zel::tools {
namespace {

using macro::kPressAction;
using macro::kReleaseAction;
using macro::MacroRecord;

// HID keyboard usage IDs used below.
constexpr std::uint8_t kA = 4;
constexpr std::uint8_t kC = 6;
constexpr std::uint8_t kE = 8;
constexpr std::uint8_t kH = 11;
constexpr std::uint8_t kL = 15;
constexpr std::uint8_t kO = 18;
constexpr std::uint8_t kS = 22;
constexpr std::uint8_t kT = 23;
constexpr std::uint8_t kV = 25;
constexpr std::uint8_t kX = 27;
constexpr std::uint8_t kZ = 29;
constexpr std::uint8_t kTab = 43;
constexpr std::uint8_t kLeftControl = 224;
constexpr std::uint8_t kLeftShift = 225;
constexpr std::uint8_t kLeftAlt = 226;
constexpr std::uint8_t kLeftButton = macro::kLeftButtonCode;

// Pause after each step; shortest the player honours is 15 ms.
constexpr std::uint16_t kKeyPause = 30;
// Between the clicks of a double or triple click: well inside any double-click time.
constexpr std::uint16_t kClickPause = 40;

struct Step {
    std::uint8_t code;
    std::uint8_t action;
    std::uint16_t delay;
};

Step Down(std::uint8_t code, std::uint16_t delay = kKeyPause) {
    return {code, kPressAction, delay};
}
Step Up(std::uint8_t code, std::uint16_t delay = kKeyPause) {
    return {code, kReleaseAction, delay};
}

// A macro played once, or `repeatCount` times when that is given.
MacroRecord Make(std::string_view name, const std::vector<Step>& steps,
                 std::uint16_t repeatCount = 0) {
    MacroRecord record{};
    macro::SetName(record, name);
    record.repeatOn = repeatCount > 0 ? 1 : 0;
    record.repeatCount.Set(repeatCount > 0 ? repeatCount : 1);
    std::size_t k = 0;
    for (const Step& step : steps) {
        record.steps[k] = {step.code, step.action};
        record.delays[k].Set(step.delay);
        ++k;
    }
    record.stepCount = static_cast<std::uint8_t>(k);
    return record;
}

// Control held around one key.
MacroRecord Chord(std::string_view name, std::uint8_t modifier, std::uint8_t key) {
    return Make(name, {Down(modifier), Down(key), Up(key), Up(modifier)});
}

// Left-button clicks in quick succession.
MacroRecord Clicks(std::string_view name, int clicks) {
    std::vector<Step> steps;
    for (int i = 0; i < clicks; ++i) {
        steps.push_back(Down(kLeftButton, kClickPause));
        steps.push_back(Up(kLeftButton, kClickPause));
    }
    steps.back().delay = kKeyPause;
    return Make(name, steps);
}

}  // namespace

std::vector<MacroRecord> BuiltinMacros() {
    return {
        Chord("Copy", kLeftControl, kC),
        Chord("Paste", kLeftControl, kV),
        Chord("Cut", kLeftControl, kX),
        Chord("Undo", kLeftControl, kZ),
        Chord("Select All", kLeftControl, kA),
        Clicks("Double Click", 2),
        Clicks("Triple Click", 3),
        Chord("Switch Window", kLeftAlt, kTab),
    };
}

std::vector<MacroRecord> ExampleUserMacros(bool english) {
    const MacroRecord greeting =
        english ? Make("Type Hello", {Down(kLeftShift), Down(kH), Up(kH), Up(kLeftShift), Down(kE),
                                      Up(kE), Down(kL), Up(kL), Down(kL), Up(kL), Down(kO), Up(kO)})
                : Make("Escribir Hola", {Down(kLeftShift), Down(kH), Up(kH), Up(kLeftShift),
                                         Down(kO), Up(kO), Down(kL), Up(kL), Down(kA), Up(kA)});
    return {
        greeting,
        Chord(english ? "Save" : "Guardar", kLeftControl, kS),
        Chord(english ? "New Tab" : "Nueva pestaña", kLeftControl, kT),
        Make(english ? "Triple Shot" : "Disparo triple",
             {Down(kLeftButton, kClickPause), Up(kLeftButton, 60)}, 3),
    };
}

}  // namespace zel::tools
