#include "control/setting_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "control/command_help.h"
#include "control/profile_report.h"
#include "control/setting_changes.h"
#include "settings/profile_operations.h"

namespace zel::control {
namespace {

std::vector<std::string> EveryKey() {
    std::vector<std::string> keys;
    for (const CommandSetting& setting : kCommandSettings) {
        for (std::size_t index = 0; index < setting.count; ++index) {
            keys.push_back(KeyName(setting, index));
        }
    }
    return keys;
}

TEST(SettingTable, KeysAreFoundByTheirWholeName) {
    const struct {
        const char* key;
        SettingKind kind;
        std::size_t index;
    } found[] = {
        {"button1", SettingKind::kButton, 0}, {"button6", SettingKind::kButton, 5},
        {"dpi4", SettingKind::kDpi, 3},       {"dpi-level", SettingKind::kDpiLevel, 0},
        {"led", SettingKind::kLed, 0},        {"macro-mode", SettingKind::kMacroMode, 0},
        {"wheel", SettingKind::kWheel, 0},    {"wheel-speed", SettingKind::kWheelSpeed, 0}};
    for (const auto& c : found) {
        const auto key = FindSettingKey(c.key);
        ASSERT_TRUE(key.has_value()) << c.key;
        EXPECT_EQ(key->setting->kind, c.kind) << c.key;
        EXPECT_EQ(key->index, c.index) << c.key;
    }
    for (const char* unknown : {"", "button", "button0", "button7", "dpi5", "dpi", "Led", "led ",
                                "K0", "LED_STATUS", "dpi_level"}) {
        EXPECT_FALSE(FindSettingKey(unknown).has_value()) << unknown;
    }
    EXPECT_EQ(FileKeyRange(SettingOf(SettingKind::kButton)), "K0 ... K5");
    EXPECT_EQ(KeyRange(SettingOf(SettingKind::kDpi)), "dpi1 ... dpi4");
}

// What `show` prints, what `set` takes, what an unknown key is told and what the help lists are
// the same keys in the same order.
TEST(SettingTable, ShowSetAndTheHelpNameTheSameKeysInOrder) {
    FunctionNaming naming;
    const std::string shown = ProfileAsText({1, false, settings::kResetDefaults}, naming);
    std::istringstream lines(shown);
    std::string line;
    std::getline(lines, line);  // "Profile 1"
    std::vector<std::string> printed;
    while (std::getline(lines, line)) {
        printed.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(printed, EveryKey());

    settings::ProfileSettings profile;
    const SettingChange unknown{"nope", "1"};
    const platform::Result<void> refused =
        ApplySettingChanges(profile, std::span(&unknown, 1), naming);
    ASSERT_FALSE(refused.ok());
    std::string list;
    for (const std::string& key : EveryKey()) {
        list += (list.empty() ? "" : ", ") + key;
    }
    EXPECT_EQ(refused.error().message, "unknown key \"nope\": the keys are " + list);

    const std::string setHelp = HelpText("set");
    const std::string showHelp = HelpText("show");
    const std::string json = ProfileAsJson({1, false, settings::kResetDefaults}, naming);
    std::size_t helpAt = 0;
    std::size_t fieldAt = 0;
    std::size_t jsonAt = 0;
    for (const CommandSetting& setting : kCommandSettings) {
        SCOPED_TRACE(setting.key);
        helpAt = setHelp.find("\n  " + KeyRange(setting) + "  ", helpAt);
        EXPECT_NE(helpAt, std::string::npos);
        fieldAt = showHelp.find("\n  " + std::string(setting.jsonKey) + "  ", fieldAt);
        EXPECT_NE(fieldAt, std::string::npos);
        jsonAt = json.find(",\"" + std::string(setting.jsonKey) + "\":", jsonAt);
        EXPECT_NE(jsonAt, std::string::npos);
    }
    EXPECT_TRUE(showHelp.ends_with("A value outside the known names is given as its number.\n"));
}

}  // namespace
}  // namespace zel::control
