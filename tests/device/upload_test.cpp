#include "device/upload.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_pointer_settings.h"
#include "tests/support/file_replacement_counter.h"

namespace zel::device {
namespace {

namespace fs = std::filesystem;

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[3];
    for (auto b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

class UploadTest : public ::testing::Test {
protected:
    UploadTest() {
        std::string pattern = (fs::temp_directory_path() / "zel-upload-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        config_ = dir_ / "config.ini";
        std::ofstream(config_) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n"
                                  "[CfgReset2]\r\nK0=9\r\n";
        settings::StoreProfileValues(profile_, settings::kResetDefaults);
        channel_->SetSendHook([this](std::span<const std::uint8_t> report) {
            events_.push_back(Hex(report));
            if (onSend_) {
                onSend_(channel_->SentCount());
            }
        });
        pointer_.pointerSpeed = 7;
        pointer_.wheelLines = 5;
    }
    ~UploadTest() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void Attach() {
        ASSERT_TRUE(link_.AttachWriteChannel(test::FakeHidChannel::Handle(channel_), 8));
    }
    UploadOutcome Upload(std::int32_t currentProfile = 1) {
        return UploadSettings(
            {profile_, link_, pointer_, config_, [this] { events_.push_back("repaint"); }},
            currentProfile);
    }
    std::vector<std::string> Reports() const {
        std::vector<std::string> reports;
        for (const auto& r : channel_->SentReports()) {
            reports.push_back(Hex(r));
        }
        return reports;
    }
    std::string Key(const char* section, const char* key) const {
        return ini::ReadString(config_, section, key);
    }

    fs::path dir_;
    fs::path config_;
    settings::ProfileSettings profile_;
    std::shared_ptr<test::FakeHidChannel> channel_ = std::make_shared<test::FakeHidChannel>();
    DeviceLink link_;
    test::FakePointerSettings pointer_;
    std::vector<std::string> events_;
    std::function<void(std::size_t)> onSend_;
};

TEST_F(UploadTest, DefaultSettingsSendTheThirteenReportsInOrder) {
    Attach();
    Upload();
    EXPECT_EQ(Reports(),
              (std::vector<std::string>{"0710010100000000", "0710020200000000", "0710030300000000",
                                        "0710040400000000", "0710050500000000", "0710060600000000",
                                        "0711000000000000", "070940480f000000", "070940790f000000",
                                        "070940da0f000000", "070940eb0f000000", "07137f100f000000",
                                        "0712000600000000"}));
    EXPECT_EQ(settings::TakeDerivedValues(profile_),
              (settings::DerivedValues{{4, 7, 13, 14},
                                       0,
                                       {false, false, false, false, false, true},
                                       {}}));  // button 6 has the DPI switch
}

// The player and the window read the derived values while the reports go out: the whole new
// set is in place before the first report, never half of the last upload's set.
TEST_F(UploadTest, DerivedValuesAreInPlaceBeforeTheFirstReport) {
    Attach();
    profile_.K[0] = 6;  // a DPI switch
    profile_.DPI_SET[2] = 11;
    profile_.LED_STATUS = 2;
    std::optional<settings::DerivedValues> atFirstReport;
    onSend_ = [this, &atFirstReport](std::size_t sent) {
        if (sent == 0) {  // called as the first report goes out
            atFirstReport = settings::TakeDerivedValues(profile_);
        }
    };
    Upload();
    ASSERT_TRUE(atFirstReport.has_value());
    EXPECT_EQ(*atFirstReport, settings::TakeDerivedValues(profile_));
    EXPECT_TRUE(atFirstReport->reportsDpiLevel[0]);
    EXPECT_EQ(atFirstReport->appliedLedStatus, 2);
}

// The repaint comes after the LED report, the desktop settings after the repaint, the
// fire-time report after them.
TEST_F(UploadTest, StepsBetweenTheReportsComeInOrder) {
    Attach();
    onSend_ = [this](std::size_t) {
        events_.push_back(std::to_string(pointer_.Calls().size()) + " pointer calls");
    };
    Upload();
    ASSERT_EQ(events_.size(), 27u);
    EXPECT_EQ(events_[22], "07137f100f000000");
    EXPECT_EQ(events_[23], "0 pointer calls");
    EXPECT_EQ(events_[24], "repaint");
    EXPECT_EQ(events_[25], "0712000600000000");
    EXPECT_EQ(events_[26], "4 pointer calls");
    EXPECT_EQ(pointer_.Calls(),
              (std::vector<std::string>{"GetPointerSpeed", "SetPointerSpeed 12",
                                        "GetWheelScrollLines", "SetWheelScrollLines 3"}));
}

TEST_F(UploadTest, ButtonFunctionsBecomeDeviceCodesAndPlayerFlags) {
    struct Case {
        std::int32_t function;
        std::uint8_t deviceCode;
        bool reportsDpiLevel;
        bool cyclesUsbSpeed;
    } cases[] = {
        {41, 0, false, false},  // user macro: the host plays it
        {52, 0, false, false}, {1, 1, false, false},  {6, 6, true, false},    {15, 11, true, false},
        {16, 12, true, false}, {14, 10, false, true}, {17, 13, false, false}, {7, 0, false, false},
        {39, 0, false, false}, {-5, 0, false, false},  // values read from a file outside the table
        {53, 0, false, false},
    };
    Attach();
    for (const auto& c : cases) {
        channel_->ClearSent();
        profile_.K[2] = c.function;
        Upload();
        auto reports = Reports();
        ASSERT_EQ(reports.size(), 13u);
        char expected[32];
        std::snprintf(expected, sizeof expected, "071003%02x", c.deviceCode);
        EXPECT_EQ(reports[2].substr(0, 8), expected) << c.function;
        EXPECT_EQ(profile_.reportsDpiLevel[2].load(), c.reportsDpiLevel) << c.function;
        EXPECT_EQ(profile_.cyclesUsbSpeed[2].load(), c.cyclesUsbSpeed) << c.function;
        EXPECT_FALSE(profile_.reportsDpiLevel[1].load());
    }
}

TEST_F(UploadTest, PointerSpeedAndWheelLinesFollowTheTablesWhenReadable) {
    struct Case {
        std::uint8_t dpiSpeed;
        std::uint8_t wheelSpeed;
        bool speedReadable;
        bool linesReadable;
        std::vector<std::string> writes;
    } cases[] = {
        {5, 2, true, true, {"SetPointerSpeed 10", "SetWheelScrollLines 3"}},
        {0, 9, true, true, {"SetPointerSpeed 1", "SetWheelScrollLines 10"}},
        {9, 0, true, true, {"SetPointerSpeed 18", "SetWheelScrollLines 1"}},
        {10, 2, true, true, {"SetPointerSpeed 20", "SetWheelScrollLines 3"}},  // beyond table
        {5, 2, false, true, {"SetWheelScrollLines 3"}},
        {5, 2, true, false, {"SetPointerSpeed 10"}},
        {5, 2, false, false, {}},
    };
    Attach();
    for (const auto& c : cases) {
        test::FakePointerSettings pointer;
        pointer.pointerSpeedReadable = c.speedReadable;
        pointer.wheelLinesReadable = c.linesReadable;
        profile_.DPI_SPEED = c.dpiSpeed;
        profile_.WHEEL_SPEED = c.wheelSpeed;
        UploadSettings({profile_, link_, pointer, config_, {}}, 1);
        EXPECT_EQ(pointer.Writes(), c.writes) << int(c.dpiSpeed) << " " << int(c.wheelSpeed);
    }
}

TEST_F(UploadTest, ProfileGoesToCurConfigProfileSixAndItsOwnSectionInOneReplacement) {
    Attach();
    profile_.FIRE_TIME = 300;
    profile_.DPI_SET[1] = 11;
    test::FileReplacementCounter replacements(dir_, "config.ini");
    Upload(3);
    EXPECT_EQ(replacements.Take(), 1);
    EXPECT_EQ(Key("Init", "CurConfig"), "3");
    EXPECT_EQ(Key("Init", "VER_SEL"), "1");
    EXPECT_EQ(Key("CfgReset2", "K0"), "9");  // other sections stay
    for (const char* section : {"Config6", "Config3"}) {
        EXPECT_EQ(Key(section, "K0"), "1") << section;
        EXPECT_EQ(Key(section, "K5"), "6") << section;
        EXPECT_EQ(Key(section, "DPI_SET1"), "11") << section;
        EXPECT_EQ(Key(section, "DPI_SET_EN3"), "1") << section;
        EXPECT_EQ(Key(section, "FIRE_TIME"), "300") << section;
        EXPECT_EQ(Key(section, "WHEEL_SPEED"), "2") << section;
        EXPECT_EQ(Key(section, "USB_SPEED"), "2") << section;
    }
    EXPECT_EQ(Key("Config1", "K0"), "");
}

// Written as if each write had been made at its step: sections in that order in a new file, and
// when profile 6 is the current one its own save, the later one, is what stays.
TEST_F(UploadTest, WritesLandInTheOrderOfTheSteps) {
    fs::remove(config_);
    Upload(2);
    std::ifstream in(config_);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto init = text.find("[Init]");
    const auto six = text.find("[Config6]");
    const auto two = text.find("[Config2]");
    ASSERT_NE(two, std::string::npos) << text;
    EXPECT_LT(init, six);
    EXPECT_LT(six, two);
    EXPECT_LT(text.find("K0="), text.find("FIRE_TIME="));

    Attach();
    onSend_ = [this](std::size_t sent) {
        if (sent == 0) {
            profile_.DPI_LEVEL = 3;
        }
    };
    Upload(6);
    EXPECT_EQ(Key("Config6", "DPI_LEVEL"), "3");
}

// Profile 6 and the reports show the profile as it was when the upload began; the profile's
// own section gets a DPI level the mouse reported meanwhile, which the player also wrote.
TEST_F(UploadTest, DpiLevelChangedDuringTheUploadIsNotLost) {
    Attach();
    onSend_ = [this](std::size_t sent) {
        if (sent == 9) {
            profile_.DPI_LEVEL = 2;
        }
    };
    Upload(1);
    auto reports = Reports();
    ASSERT_EQ(reports.size(), 13u);
    EXPECT_EQ(reports[10].substr(4, 2), "40");  // all four DPI reports carry level 0
    EXPECT_EQ(Key("Config6", "DPI_LEVEL"), "0");
    EXPECT_EQ(Key("Config1", "DPI_LEVEL"), "2");
}

TEST_F(UploadTest, WithoutWriteChannelFilesAndDesktopAreUpdatedButNothingIsSent) {
    profile_.DPI_SPEED = 5;
    Upload(2);
    EXPECT_EQ(channel_->SentCount(), 0u);
    EXPECT_EQ(Key("Init", "CurConfig"), "2");
    EXPECT_EQ(Key("Config6", "DPI_SET3"), "10");
    EXPECT_EQ(Key("Config2", "DPI_SET3"), "10");
    EXPECT_EQ(pointer_.Writes(),
              (std::vector<std::string>{"SetPointerSpeed 10", "SetWheelScrollLines 3"}));
    EXPECT_EQ(profile_.appliedDpiCode[3].load(), 14);
    EXPECT_EQ(events_, std::vector<std::string>{"repaint"});
}

// The mouse is unplugged after the third report: every later send fails, the upload still
// runs to its end and nothing waits on the gone device.
TEST_F(UploadTest, RemovalDuringTheUploadEndsItCleanly) {
    Attach();
    onSend_ = [this](std::size_t sent) {
        if (sent == 3) {
            channel_->Disconnect();
        }
    };
    Upload(1);
    EXPECT_EQ(channel_->SentCount(), 13u);
    EXPECT_EQ(channel_->AcceptedReports().size(), 3u);
    EXPECT_EQ(Key("Config1", "FIRE_TIME"), "50");
    EXPECT_EQ(pointer_.Writes().size(), 2u);
}

// The mouse took only some reports: the upload says so, and neither CurConfig nor profile 6
// claims that the mouse holds this profile. The profile's own section keeps its values.
TEST_F(UploadTest, AHalfSentUploadIsReportedAndNotRecordedAsUploaded) {
    Attach();
    onSend_ = [this](std::size_t sent) {
        if (sent == 2) {
            channel_->Disconnect();
        }
    };
    profile_.FIRE_TIME = 80;
    const UploadOutcome outcome = Upload(3);
    EXPECT_FALSE(outcome.reportsSent);
    EXPECT_TRUE(outcome.saved);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(Key("Init", "CurConfig"), "1");
    EXPECT_EQ(Key("Config6", "FIRE_TIME"), "");
    EXPECT_EQ(Key("Config3", "FIRE_TIME"), "80");
}

TEST_F(UploadTest, AWholeUploadIsASuccessAndAClosedChannelIsNoFailedSend) {
    EXPECT_TRUE(Upload(2).Succeeded()) << "no write channel: nothing to send";
    Attach();
    EXPECT_TRUE(Upload(2).Succeeded());
    EXPECT_EQ(channel_->AcceptedReports().size(), 13u);
}

}  // namespace
}  // namespace zel::device
