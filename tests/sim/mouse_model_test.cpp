#include "sim/mouse_model.h"

#include <gtest/gtest.h>

#include <functional>

#include "sim/hex.h"
#include "sim/mouse_state_json.h"

namespace zel::sim {

void PrintTo(const MouseState& state, std::ostream* os) {
    JsonObject object;
    AddMouseState(object, state);
    *os << object.Text();
}

namespace {

// "" stands for no bytes.
std::vector<std::uint8_t> Bytes(std::string_view hex) {
    if (hex.empty()) {
        return {};
    }
    HexParseResult parsed = ParseHex(hex, kMaxReportLength);
    EXPECT_TRUE(parsed.ok()) << hex << ": " << parsed.error;
    return parsed.bytes;
}

using Outcome = FeatureResult::Outcome;

struct FeatureCase {
    const char* name;
    const char* report;
    Outcome outcome;
    std::function<void(MouseState&)> change;  // applied to the factory state
};

const FeatureCase kFeatureCases[] = {
    {"dpi level: code, current level and mask", "07 09 41 da 07 00 00 00", Outcome::Applied,
     [](MouseState& s) {
         s.dpiCodes[2] = 13;
         s.dpiLevel = 1;
         s.dpiEnableMask = 0x07;
     }},
    {"dpi level: bytes after the payload are leftovers", "07 09 43 f8 0f ff ff ff",
     Outcome::Applied,
     [](MouseState& s) {
         s.dpiCodes[0] = 15;
         s.dpiLevel = 3;
     }},
    {"dpi level: current level 4", "07 09 44 48 0f 00 00 00", Outcome::Ignored, {}},
    {"dpi level: current level without 0x40", "07 09 01 48 0f 00 00 00", Outcome::Ignored, {}},
    {"dpi level: level nibble without bit 3", "07 09 40 42 0f 00 00 00", Outcome::Ignored, {}},
    {"dpi level: level nibble names level 4", "07 09 40 4c 0f 00 00 00", Outcome::Ignored, {}},
    {"dpi level: mask above level 3", "07 09 40 48 1f 00 00 00", Outcome::Ignored, {}},
    {"button function: button 3 to code 0", "07 10 03 00 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.buttonCodes[2] = 0; }},
    {"button function: button 6 to code 13", "07 10 06 0d 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.buttonCodes[5] = 13; }},
    {"button function: button 0", "07 10 00 00 00 00 00 00", Outcome::Ignored, {}},
    {"button function: button 7", "07 10 07 00 00 00 00 00", Outcome::Ignored, {}},
    {"wheel", "07 11 01 00 00 00 00 00", Outcome::Applied, [](MouseState& s) { s.wheel = 1; }},
    {"fire time 300 ms = 37", "07 12 00 25 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.fireInterval = 37; }},
    {"fire time high byte", "07 12 01 2c 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.fireInterval = 300; }},
    {"led code 6", "07 13 7f 16 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.ledCode = 6; }},
    {"led byte below 0x10", "07 13 7f 05 00 00 00 00", Outcome::Ignored, {}},
    {"keys", "07 15 04 05 06 07 08 09", Outcome::Applied,
     [](MouseState& s) { s.keys = {4, 5, 6, 7, 8, 9}; }},
    {"mouse buttons: left held", "07 16 04 fe 00 00 00 00", Outcome::Applied,
     [](MouseState& s) { s.mouseButtons = 0xFE; }},
    {"consumer key: volume up", "07 17 00 e9 00 00 00 00", Outcome::Applied,
     [](MouseState& s) {
         s.consumerUsage = 0xE9;
         s.consumerReports = 1;
     }},
    {"consumer key: AC Home", "07 17 02 23 00 00 00 00", Outcome::Applied,
     [](MouseState& s) {
         s.consumerUsage = 0x223;
         s.consumerReports = 1;
     }},
    {"shutdown", "07 20 00 00 00 00 00 00", Outcome::Applied,
     [](MouseState& s) {
         s.shutDown = true;
         s.shutdowns = 1;
     }},
    {"unknown command", "07 99 01 02 03 04 05 06", Outcome::Ignored, {}},
    {"input report ID", "06 10 03 00 00 00 00 00", Outcome::Refused, {}},
    {"one byte short", "07 10 03 00 00 00 00", Outcome::Refused, {}},
    {"one byte long", "07 10 03 00 00 00 00 00 00", Outcome::Refused, {}},
    {"report ID only", "07", Outcome::Refused, {}},
};

TEST(MouseModelFeature, EachCommandChangesOnlyItsState) {
    for (const FeatureCase& c : kFeatureCases) {
        SCOPED_TRACE(c.name);
        MouseModel model;
        MouseState expected = model.state();
        if (c.change) {
            c.change(expected);
        }
        const FeatureResult result = model.HandleFeatureReport(Bytes(c.report));
        EXPECT_EQ(result.outcome, c.outcome) << result.note;
        EXPECT_EQ(result.outcome == Outcome::Applied, result.note.empty()) << result.note;
        expected.featuresApplied = c.outcome == Outcome::Applied;
        expected.featuresIgnored = c.outcome == Outcome::Ignored;
        expected.featuresRefused = c.outcome == Outcome::Refused;
        EXPECT_EQ(model.state(), expected);
    }
}

TEST(MouseModelFeature, EmptyReportIsRefused) {
    MouseModel model;
    EXPECT_EQ(model.HandleFeatureReport({}).outcome, Outcome::Refused);
    EXPECT_EQ(model.state().featuresRefused, 1u);
}

TEST(MouseModelFeature, ShortFeatureReportCarriesOnlyCommandsThatFit) {
    MouseModel model({.input = 8, .feature = 4});
    EXPECT_EQ(model.HandleFeatureReport(Bytes("07 10 02 00")).outcome, Outcome::Applied);
    EXPECT_EQ(model.state().buttonCodes[1], 0);
    EXPECT_EQ(model.HandleFeatureReport(Bytes("07 09 41 da")).outcome, Outcome::Ignored);
    EXPECT_EQ(model.HandleFeatureReport(Bytes("07 15 04 05")).outcome, Outcome::Ignored);
    EXPECT_EQ(model.state().dpiLevel, 0);
    EXPECT_EQ(model.state().keys[0], 0);
}

TEST(MouseModelFeature, LongFeatureReportIsAccepted) {
    MouseModel model({.input = 8, .feature = 64});
    std::vector<std::uint8_t> report(64, 0);
    report[0] = 0x07;
    report[1] = 0x15;
    report[2] = 0x04;
    EXPECT_EQ(model.HandleFeatureReport(report).outcome, Outcome::Applied);
    EXPECT_EQ(model.state().keys[0], 4);
}

TEST(MouseModelFeature, ShutdownHoldsUntilTheNextCarriedOutReport) {
    MouseModel model;
    model.HandleFeatureReport(Bytes("07 20 00 00 00 00 00 00"));
    model.HandleFeatureReport(Bytes("07 99 00 00 00 00 00 00"));  // ignored
    model.HandleFeatureReport(Bytes("06 00 00 00 00 00 00 00"));  // refused
    EXPECT_TRUE(model.state().shutDown);
    model.HandleFeatureReport(Bytes("07 11 00 00 00 00 00 00"));
    EXPECT_FALSE(model.state().shutDown);
    EXPECT_EQ(model.state().shutdowns, 1u);
}

// A button configured through the protocol, then pressed and released.
struct PressCase {
    const char* name;
    std::uint8_t deviceCode;
    std::uint8_t enableMask;
    std::uint8_t level;
    const char* press;    // expected input report, "" = nothing
    const char* release;  // expected input report, "" = nothing
    std::uint8_t levelAfter;
};

const PressCase kPressCases[] = {
    {"host function", 0, 0x0F, 0, "06 f3 01 00 00 00 00 00", "06 f3 80 00 00 00 00 00", 0},
    {"dpi code 6: next level", 6, 0x0F, 0, "06 f3 01 00 00 00 00 00", "06 f3 80 00 00 00 00 00", 1},
    {"dpi code 11: skips disabled levels", 11, 0x09, 0, "06 f3 03 00 00 00 00 00",
     "06 f3 80 00 00 00 00 00", 3},
    {"dpi code 12: wraps after level 3", 12, 0x09, 3, "06 f3 00 00 00 00 00 00",
     "06 f3 80 00 00 00 00 00", 0},
    {"dpi: only the current level enabled", 6, 0x04, 2, "06 f3 02 00 00 00 00 00",
     "06 f3 80 00 00 00 00 00", 2},
    {"dpi: no level enabled", 6, 0x00, 1, "06 f3 01 00 00 00 00 00", "06 f3 80 00 00 00 00 00", 1},
    {"report rate", 10, 0x0F, 2, "06 f3 01 00 00 00 00 00", "06 f3 80 00 00 00 00 00", 2},
    {"primary click", 1, 0x0F, 0, "", "", 0},
    {"mouse function 5", 5, 0x0F, 0, "", "", 0},
    {"mouse function 7", 7, 0x0F, 0, "", "", 0},
    {"mouse function 9", 9, 0x0F, 0, "", "", 0},
    {"mouse function 13", 13, 0x0F, 0, "", "", 0},
    {"unknown code 0xff", 0xFF, 0x0F, 0, "", "", 0},
};

TEST(MouseModelButtons, PressAndReleaseFollowTheDeviceCode) {
    for (const PressCase& c : kPressCases) {
        SCOPED_TRACE(c.name);
        MouseModel model;
        const std::uint8_t button[] = {0x07, 0x10, 0x03, c.deviceCode, 0, 0, 0, 0};
        const std::uint8_t dpi[] = {
            0x07, 0x09, static_cast<std::uint8_t>(0x40 + c.level), 0x48, c.enableMask, 0, 0, 0};
        ASSERT_EQ(model.HandleFeatureReport(button).outcome, Outcome::Applied);
        ASSERT_EQ(model.HandleFeatureReport(dpi).outcome, Outcome::Applied);

        const ButtonResult press = model.Press(3);
        ASSERT_TRUE(press.valid);
        EXPECT_EQ(press.deviceCode, c.deviceCode);
        EXPECT_EQ(press.report.value_or(std::vector<std::uint8_t>{}), Bytes(c.press));
        EXPECT_EQ(press.report.has_value(), *c.press != '\0');
        EXPECT_TRUE(model.state().buttonsDown[2]);
        EXPECT_EQ(model.state().dpiLevel, c.levelAfter);

        const ButtonResult release = model.Release(3);
        EXPECT_EQ(release.report.value_or(std::vector<std::uint8_t>{}), Bytes(c.release));
        EXPECT_EQ(release.report.has_value(), *c.release != '\0');
        EXPECT_FALSE(model.state().buttonsDown[2]);
        EXPECT_EQ(model.state().dpiLevel, c.levelAfter);
    }
}

TEST(MouseModelButtons, DpiButtonCyclesThroughEnabledLevels) {
    MouseModel model;
    model.HandleFeatureReport(Bytes("07 10 01 06 00 00 00 00"));
    model.HandleFeatureReport(Bytes("07 09 41 48 0b 00 00 00"));  // levels 0, 1, 3; current 1
    std::vector<int> reported;
    for (int i = 0; i < 4; ++i) {
        reported.push_back(model.Press(1).report.value().at(2));
        model.Release(1);
    }
    EXPECT_EQ(reported, (std::vector<int>{3, 0, 1, 3}));
}

TEST(MouseModelButtons, EveryButtonUsesItsOwnEventCode) {
    MouseModel model;
    for (int button = 1; button <= kButtonCount; ++button) {
        const std::uint8_t report[] = {0x07, 0x10, static_cast<std::uint8_t>(button), 0, 0, 0,
                                       0,    0};
        model.HandleFeatureReport(report);
        const ButtonResult press = model.Press(button);
        ASSERT_TRUE(press.report.has_value()) << button;
        EXPECT_EQ(press.report->at(1), 0xF0 + button);
    }
}

TEST(MouseModelButtons, NonexistentButtonsAreRejected) {
    MouseModel model;
    for (const int button : {-1, 0, 7, 255}) {
        const ButtonResult press = model.Press(button);
        EXPECT_FALSE(press.valid) << button;
        EXPECT_FALSE(press.error.empty()) << button;
        EXPECT_FALSE(press.report.has_value()) << button;
        EXPECT_FALSE(model.Release(button).valid) << button;
    }
}

TEST(MouseModelButtons, InputReportHasTheConfiguredLength) {
    for (const std::size_t length : {std::size_t{3}, std::size_t{8}, std::size_t{65}}) {
        MouseModel model({.input = length, .feature = 8});
        model.HandleFeatureReport(Bytes("07 10 02 00 00 00 00 00"));
        const std::vector<std::uint8_t> report = model.Press(2).report.value();
        ASSERT_EQ(report.size(), length);
        EXPECT_EQ(report[0], 0x06);
        EXPECT_EQ(report[1], 0xF2);
        EXPECT_EQ(report[2], 0x01);
    }
}

TEST(MouseModel, PowerOffReleasesHeldInputButKeepsConfiguration) {
    MouseModel model;
    model.HandleFeatureReport(Bytes("07 15 04 05 00 00 00 00"));
    model.HandleFeatureReport(Bytes("07 16 04 fa 00 00 00 00"));
    model.HandleFeatureReport(Bytes("07 10 02 00 00 00 00 00"));
    model.Press(2);
    model.PowerOff();
    EXPECT_EQ(model.state().keys, (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(model.state().mouseButtons, 0xFF);
    EXPECT_FALSE(model.state().buttonsDown[1]);
    EXPECT_EQ(model.state().buttonCodes[1], 0);
}

TEST(MouseModel, LengthsAreCheckedAndClamped) {
    EXPECT_EQ(CheckReportLengths({.input = 8, .feature = 8}), "");
    EXPECT_EQ(CheckReportLengths({.input = 3, .feature = 2}), "");
    EXPECT_EQ(CheckReportLengths({.input = 4096, .feature = 4096}), "");
    EXPECT_NE(CheckReportLengths({.input = 2, .feature = 8}), "");
    EXPECT_NE(CheckReportLengths({.input = 8, .feature = 1}), "");
    EXPECT_NE(CheckReportLengths({.input = 4097, .feature = 8}), "");
    EXPECT_NE(CheckReportLengths({.input = 8, .feature = 4097}), "");

    const MouseModel model({.input = 0, .feature = 100000});
    EXPECT_EQ(model.lengths().input, kMinInputReportLength);
    EXPECT_EQ(model.lengths().feature, kMaxReportLength);
}

TEST(MouseModel, CollectionsCarryTheLengths) {
    const MouseModel model({.input = 9, .feature = 300});
    const auto collections = model.Collections();
    EXPECT_EQ(collections[0].usagePage, 0xFF00);
    EXPECT_EQ(collections[0].usage, 1);
    EXPECT_EQ(collections[0].reportId, 6);
    EXPECT_EQ(collections[0].inputReportLength, 9u);
    EXPECT_EQ(collections[0].featureReportLength, 0u);
    EXPECT_EQ(collections[1].usagePage, 0xFF01);
    EXPECT_EQ(collections[1].usage, 1);
    EXPECT_EQ(collections[1].reportId, 7);
    EXPECT_EQ(collections[1].inputReportLength, 0u);
    EXPECT_EQ(collections[1].featureReportLength, 300u);
}

TEST(MouseStateJson, FactoryState) {
    JsonObject object;
    AddMouseState(object, MouseModel{});
    EXPECT_EQ(object.Text(),
              R"({"input_len":8,"feature_len":8,"button_codes":[1,2,3,4,5,6],)"
              R"("buttons_down":[false,false,false,false,false,false],"dpi_codes":[4,7,13,14],)"
              R"("dpi_enable_mask":15,"dpi_level":0,"led":0,"wheel":0,"fire_interval":6,)"
              R"("keys":[0,0,0,0,0,0],"mouse_buttons":255,"consumer_usage":0,)"
              R"("consumer_reports":0,"shut_down":false,"shutdowns":0,"features_applied":0,)"
              R"("features_ignored":0,"features_refused":0})");
}

}  // namespace
}  // namespace zel::sim
