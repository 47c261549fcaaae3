#include "device/shutdown.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_pointer_settings.h"

namespace zel::device {
namespace {

using test::Bytes;

// Puts every step of the sequence into one list, in the order it happened.
class ShutdownTest : public ::testing::Test {
protected:
    ShutdownTest() {
        channel_->SetSendHook([this](std::span<const std::uint8_t> report) {
            steps_.push_back("report " + Hex(report));
            EXPECT_TRUE(pointer_.Calls().empty());  // the pointer comes after the report
        });
        hooks_.removeTrayIcon = [this] { steps_.push_back("removeTrayIcon"); };
        hooks_.stopWorkers = [this] { steps_.push_back("stopWorkers"); };
        hooks_.destroyWindow = [this] {
            for (const auto& call : pointer_.Calls()) {
                steps_.push_back(call);
            }
            steps_.push_back("destroyWindow");
        };
    }
    void AttachWriteChannel() {
        ASSERT_TRUE(link_.AttachWriteChannel(test::FakeHidChannel::Handle(channel_), 8));
    }
    static std::string Hex(std::span<const std::uint8_t> bytes) {
        std::string text;
        char digits[3];
        for (auto b : bytes) {
            std::snprintf(digits, sizeof digits, "%02x", b);
            text += digits;
        }
        return text;
    }

    std::shared_ptr<test::FakeHidChannel> channel_ = std::make_shared<test::FakeHidChannel>();
    DeviceLink link_;
    test::FakePointerSettings pointer_;
    ShutdownHooks hooks_;
    std::vector<std::string> steps_;
};

TEST_F(ShutdownTest, RunsEveryStepInOrderWithTheShutdownReportLast) {
    AttachWriteChannel();
    ShutdownLink(link_, pointer_, hooks_);
    EXPECT_EQ(steps_,
              (std::vector<std::string>{"removeTrayIcon", "stopWorkers", "report 0720000000000000",
                                        "RestoreDesktopValues", "destroyWindow"}));
}

TEST_F(ShutdownTest, WithoutWriteChannelNothingIsSentButTheRestRuns) {
    ShutdownLink(link_, pointer_, hooks_);
    EXPECT_EQ(steps_, (std::vector<std::string>{"removeTrayIcon", "stopWorkers",
                                                "RestoreDesktopValues", "destroyWindow"}));
}

// The user's 13 and 5 were changed by uploads (last 4 and 9); the end gives back 13 and 5, not
// a fixed default. Settings the program never changed stay as the user has them.
TEST_F(ShutdownTest, GivesTheDesktopBackTheValuesItHadBeforeTheProgramChangedThem) {
    AttachWriteChannel();
    test::FakePointerSettings desktop;
    desktop.pointerSpeed = 13;
    desktop.wheelLines = 5;
    desktop.SetPointerSpeed(7);
    desktop.SetPointerSpeed(4);
    desktop.SetWheelScrollLines(9);
    ShutdownLink(link_, desktop, hooks_);
    EXPECT_EQ(desktop.pointerSpeed, 13);
    EXPECT_EQ(desktop.wheelLines, 5);
}

TEST_F(ShutdownTest, SettingsNeverChangedAreLeftAlone) {
    AttachWriteChannel();
    pointer_.pointerSpeed = 13;
    pointer_.pointerSpeedReadable = false;
    ShutdownLink(link_, pointer_, hooks_);
    EXPECT_EQ(pointer_.Writes(), std::vector<std::string>{});
    EXPECT_EQ(pointer_.pointerSpeed, 13);
    EXPECT_EQ(steps_.back(), "destroyWindow");
}

TEST_F(ShutdownTest, RemovedMouseDoesNotStopTheSequence) {
    AttachWriteChannel();
    channel_->Disconnect();
    ShutdownLink(link_, pointer_, hooks_);
    EXPECT_EQ(channel_->AcceptedReports().size(), 0u);
    EXPECT_EQ(channel_->SentCount(), 1u);  // tried once, refused
    EXPECT_EQ(pointer_.Calls(), std::vector<std::string>{"RestoreDesktopValues"});
    EXPECT_EQ(steps_.back(), "destroyWindow");
}

TEST_F(ShutdownTest, EmptyHooksAreSkipped) {
    AttachWriteChannel();
    ShutdownLink(link_, pointer_, {});
    EXPECT_EQ(channel_->SentCount(), 1u);
    EXPECT_EQ(pointer_.Calls(), std::vector<std::string>{"RestoreDesktopValues"});
}

}  // namespace
}  // namespace zel::device
