#include "app/menus/menu_command.h"

#include <array>
#include <cstdint>
#include <utility>

#include "macro/key_codes.h"
#include "macro/macro_record.h"

namespace zel::app {
namespace {

using macro::StepCommand;
using macro::StepCommandKind;

constexpr std::uint8_t kLeftButton = macro::kLeftButtonCode;
constexpr std::uint8_t kRightButton = macro::kRightButtonCode;
constexpr std::uint8_t kMiddleButton = macro::kMiddleButtonCode;
constexpr std::uint8_t kPress = macro::kPressAction;
constexpr std::uint8_t kRelease = macro::kReleaseAction;

constexpr StepCommand Before(std::uint8_t button, std::uint8_t action) {
    return {StepCommandKind::InsertBefore, button, action};
}
constexpr StepCommand After(std::uint8_t button, std::uint8_t action) {
    return {StepCommandKind::InsertAfter, button, action};
}

constexpr std::array<std::pair<MenuCommand, StepCommand>, 14> kStepCommands{{
    {MenuCommand::InsertLeftPressBefore, Before(kLeftButton, kPress)},
    {MenuCommand::InsertLeftReleaseBefore, Before(kLeftButton, kRelease)},
    {MenuCommand::InsertRightPressBefore, Before(kRightButton, kPress)},
    {MenuCommand::InsertRightReleaseBefore, Before(kRightButton, kRelease)},
    {MenuCommand::InsertMiddlePressBefore, Before(kMiddleButton, kPress)},
    {MenuCommand::InsertMiddleReleaseBefore, Before(kMiddleButton, kRelease)},
    {MenuCommand::InsertLeftPressAfter, After(kLeftButton, kPress)},
    {MenuCommand::InsertLeftReleaseAfter, After(kLeftButton, kRelease)},
    {MenuCommand::InsertRightPressAfter, After(kRightButton, kPress)},
    {MenuCommand::InsertRightReleaseAfter, After(kRightButton, kRelease)},
    {MenuCommand::InsertMiddlePressAfter, After(kMiddleButton, kPress)},
    {MenuCommand::InsertMiddleReleaseAfter, After(kMiddleButton, kRelease)},
    {MenuCommand::ModifyDelay, {StepCommandKind::ModifyDelay}},
    {MenuCommand::DeleteStep, {StepCommandKind::DeleteStep}},
}};

}  // namespace

std::optional<macro::StepCommand> StepCommandOf(MenuCommand command) {
    for (const auto& [menuCommand, stepCommand] : kStepCommands) {
        if (menuCommand == command) {
            return stepCommand;
        }
    }
    return std::nullopt;
}

}  // namespace zel::app
