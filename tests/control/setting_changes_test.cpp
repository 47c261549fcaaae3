#include "control/setting_changes.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "settings/profile_operations.h"
#include "settings/profile_values.h"

namespace zel::control {
namespace {

using settings::ProfileValues;

FunctionNaming Naming() {
    FunctionNaming naming;
    naming.functionNames[1] = "Left Click";
    naming.functionNames[2] = "Right Click";
    naming.functionNames[4] = "Forward";
    naming.functionNames[6] = "DPI Cycle";
    naming.functionNames[18] = "None";  // offered by no list
    naming.functionNames[24] = "Volume Up";
    naming.functionNames[39] = "Calculator";  // offered by no list, but a whole function
    naming.functionNames[41] = "Macro 1";
    naming.otherEditionNames[1] = "Clic izquierdo";
    naming.otherEditionNames[24] = "Subir volumen";
    naming.otherEditionNames[41] = "Macro 1";
    naming.userMacroNames = {"Type Hello", "Save"};
    return naming;
}

ProfileValues Start() {
    ProfileValues v = settings::kResetDefaults;
    v.DPI_SET_EN = {1, 1, 1, 0};
    return v;
}

struct Good {
    std::vector<SettingChange> changes;
    std::function<void(ProfileValues&)> expect;  // what the start values become
};

TEST(SettingChanges, CarriesOutEveryKey) {
    const Good cases[] = {
        {{{"button4", "Volume Up"}}, [](ProfileValues& v) { v.K[3] = 24; }},
        {{{"button4", "volume up"}}, [](ProfileValues& v) { v.K[3] = 24; }},
        {{{"button5", "24"}}, [](ProfileValues& v) { v.K[4] = 24; }},
        {{{"button4", "volume-up"}}, [](ProfileValues& v) { v.K[3] = 24; }},
        {{{"button4", "Volume-Up"}}, [](ProfileValues& v) { v.K[3] = 24; }},
        {{{"button4", "subir volumen"}}, [](ProfileValues& v) { v.K[3] = 24; }},
        {{{"button4", "volume-down"}}, [](ProfileValues& v) { v.K[3] = 25; }},  // no layout name
        {{{"button4", "calculator"}}, [](ProfileValues& v) { v.K[3] = 39; }},
        {{{"button4", "terminal"}}, [](ProfileValues& v) { v.K[3] = 40; }},
        {{{"button4", "builtin-macro-2"}}, [](ProfileValues& v) { v.K[3] = 32; }},
        {{{"button6", "user-macro-2"}}, [](ProfileValues& v) { v.K[5] = 42; }},
        {{{"button1", "Forward"}, {"button4", "Clic izquierdo"}},
         [](ProfileValues& v) {
             v.K[0] = 4;
             v.K[3] = 1;
         }},
        {{{"button6", "Save"}}, [](ProfileValues& v) { v.K[5] = 42; }},
        {{{"button1", "Forward"}, {"button4", "Left Click"}},
         [](ProfileValues& v) {
             v.K[0] = 4;
             v.K[3] = 1;
         }},
        {{{"dpi1", "7200"}}, [](ProfileValues& v) { v.DPI_SET[0] = 11; }},
        {{{"dpi4", "300"}},
         [](ProfileValues& v) {
             v.DPI_SET[3] = 0;
             v.DPI_SET_EN[3] = 1;
         }},
        {{{"dpi2", "off"}}, [](ProfileValues& v) { v.DPI_SET_EN[1] = 0; }},
        {{{"dpi4", "off"}}, [](ProfileValues&) {}},
        {{{"dpi1", "off"}},
         [](ProfileValues& v) {
             v.DPI_SET_EN[0] = 0;
             v.DPI_LEVEL = 1;
         }},
        {{{"dpi-level", "4"}, {"dpi4", "600"}},
         [](ProfileValues& v) {
             v.DPI_SET[3] = 1;
             v.DPI_SET_EN[3] = 1;
             v.DPI_LEVEL = 3;
         }},
        {{{"led", "steady"}}, [](ProfileValues& v) { v.LED_STATUS = 2; }},
        {{{"wheel", "alternate"}}, [](ProfileValues& v) { v.WHEEL_STATUS = 1; }},
        {{{"macro-mode", "hold"}}, [](ProfileValues& v) { v.MACRO_MODE2 = 1; }},
        {{{"fire-interval", "0"}}, [](ProfileValues& v) { v.FIRE_TIME = 0; }},
        {{{"fire-interval", "300"}}, [](ProfileValues& v) { v.FIRE_TIME = 300; }},
        {{{"pointer-speed", "1"}}, [](ProfileValues& v) { v.DPI_SPEED = 0; }},
        {{{"wheel-speed", "10"}}, [](ProfileValues& v) { v.WHEEL_SPEED = 9; }},
    };
    for (const Good& c : cases) {
        SCOPED_TRACE(c.changes.front().key + "=" + c.changes.front().value);
        settings::ProfileSettings profile;
        settings::StoreProfileValues(profile, Start());
        const platform::Result<void> applied = ApplySettingChanges(profile, c.changes, Naming());
        ASSERT_TRUE(applied.ok()) << applied.error().message;
        ProfileValues expected = Start();
        c.expect(expected);
        EXPECT_EQ(settings::TakeProfileValues(profile), expected);
    }
}

TEST(SettingChanges, RefusesBadKeysAndValuesAndSaysWhatIsAllowed) {
    const std::pair<std::vector<SettingChange>, const char*> cases[] = {
        {{{"dpi1", "12345"}}, "300, 600, 900, 1200"},
        {{{"dpi1", "1200dpi"}}, "or off"},
        {{{"dpi5", "1200"}}, "unknown key"},
        {{{"dpi0", "1200"}}, "unknown key"},
        {{{"button7", "1"}}, "unknown key"},
        {{{"colour", "red"}}, "the keys are button1"},
        {{{"button2", "Teleport"}}, "24  volume-up  Volume Up"},
        {{{"button2", "Teleport"}}, "39  calculator  Calculator"},
        {{{"button2", "18"}}, "a function identifier, name or number"},  // offered by no list
        {{{"button2", "43"}}, "a function identifier, name or number"},  // two user macros exist
        {{{"button2", "user-macro-3"}}, "a function identifier, name or number"},
        {{{"button2", ""}}, "a function identifier, name or number"},
        {{{"button1", "Forward"}}, "no button would be left with Left Click"},
        {{{"dpi-level", "0"}}, "1, 2, 3 or 4"},
        {{{"dpi-level", "4"}}, "level 4 is off"},
        {{{"dpi1", "off"}, {"dpi2", "off"}, {"dpi3", "off"}}, "at least one DPI level"},
        {{{"led", "rainbow"}}, "cycle-slow, cycle-fast, steady, off"},
        {{{"wheel", "1"}}, "standard, alternate"},
        {{{"macro-mode", "repeat"}}, "normal, hold"},
        {{{"fire-interval", "-1"}}, "0 ... 300"},
        {{{"fire-interval", "301"}}, "0 ... 300"},
        {{{"fire-interval", ""}}, "0 ... 300"},
        {{{"pointer-speed", "11"}}, "1 ... 10"},
        {{{"wheel-speed", "0"}}, "1 ... 10"},
        {{{"fire-interval", "80"}, {"dpi1", "12345"}}, "for dpi1"},
    };
    for (const auto& [changes, allowed] : cases) {
        SCOPED_TRACE(changes.back().key + "=" + changes.back().value);
        settings::ProfileSettings profile;
        settings::StoreProfileValues(profile, Start());
        const platform::Result<void> applied = ApplySettingChanges(profile, changes, Naming());
        ASSERT_FALSE(applied.ok());
        EXPECT_EQ(applied.error().code, platform::ErrorCode::kInvalidInput);
        EXPECT_NE(applied.error().message.find(allowed), std::string::npos)
            << applied.error().message;
    }
}

TEST(FunctionNaming, NamesWhatTheListsShow) {
    const FunctionNaming naming = Naming();
    EXPECT_EQ(naming.NameOf(1), "Left Click");
    EXPECT_EQ(naming.NameOf(41), "Type Hello");  // a user macro shows its own name
    EXPECT_EQ(naming.NameOf(50), "50");          // no such macro, no name
    EXPECT_EQ(naming.NameOf(-3), "-3");
    EXPECT_EQ(naming.CodeOf("save"), 42);
    EXPECT_EQ(naming.CodeOf("Macro 1"), std::nullopt);  // the row shows the macro's name
    EXPECT_EQ(naming.CodeOf("0"), std::nullopt);
}

TEST(FunctionNaming, IdentifiersAreStableAsciiAndBeatMacroNames) {
    FunctionNaming naming = Naming();
    EXPECT_EQ(naming.IdentifierOf(1), "left-click");
    EXPECT_EQ(naming.IdentifierOf(14), "report-rate");  // the row the window labels "OFF"
    EXPECT_EQ(naming.IdentifierOf(30), "calculator-key");
    EXPECT_EQ(naming.IdentifierOf(38), "builtin-macro-8");
    EXPECT_EQ(naming.IdentifierOf(52), "user-macro-12");
    EXPECT_EQ(naming.IdentifierOf(18), "18");  // offered by no list: its number
    EXPECT_EQ(naming.IdentifierOf(99), "99");
    // Every identifier is distinct, lower-case ASCII, and names the code it is given for.
    std::set<std::string_view> seen;
    for (std::int32_t code = -1; code <= 60; ++code) {
        const std::string_view identifier = FunctionIdentifier(code);
        if (identifier.empty()) {
            continue;
        }
        EXPECT_TRUE(seen.insert(identifier).second) << identifier;
        for (const char c : identifier) {
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << identifier;
        }
    }
    naming.userMacroNames = {"volume-up", "Save"};
    EXPECT_EQ(naming.CodeOf("volume-up"), 24);
    EXPECT_EQ(naming.CodeOf("user-macro-1"), 41);
}

}  // namespace
}  // namespace zel::control
