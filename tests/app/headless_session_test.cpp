// --headless as a user meets it on a first run: a damaged config.ini, and a mouse that is
// plugged in but whose node may not be opened yet.

#include "app/headless/headless_session.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/control_protocol.h"
#include "control/instance_requests.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_pointer_settings.h"

namespace zel::app {
namespace {

using test::FakeHidTransport;
constexpr const char* kNode = "/dev/hidraw-test";

// What the session would print on standard error, collected across threads.
class MessageLog final : public platform::MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view /*caption*/ = {}) override {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(text);
        changed_.notify_all();
    }
    bool WaitForCount(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return messages_.size() >= count; });
    }
    std::vector<std::string> Taken() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
};

class HeadlessSessionTest : public ::testing::Test {
protected:
    std::string Dir() const { return dir_.path().toStdString(); }
    std::string Config() const { return Dir() + "/config.ini"; }

    // A session on the fake mouse, run on a thread of its own.
    void Run() {
        auto transport = std::make_unique<FakeHidTransport>();
        transport_ = transport.get();
        transport_->SetCollections({FakeHidTransport::MouseReadCollection(kNode),
                                    FakeHidTransport::MouseWriteCollection(kNode)});
        transport_->SetOpenFails(kNode, refuseAccess_);
        if (writeChannel_) {
            transport_->PresetChannel(kNode, platform::HidAccess::Write, writeChannel_);
        }
        auto pointer = std::make_unique<test::FakePointerSettings>();
        pointer_ = pointer.get();
        pointer_->pointerSpeed = desktopPointerSpeed_;
        session_ =
            std::make_unique<HeadlessSession>(platform::AppPaths::ForDirectory(Dir(), 1),
                                              std::move(transport), std::move(pointer), messages_);
        session_->onStart = [this](HeadlessSession&) {
            std::lock_guard lock(startMutex_);
            ++starts_;
            started_.notify_all();
        };
        session_->onStop = [this](HeadlessSession&) {
            std::lock_guard lock(startMutex_);
            stopped_ = true;
            started_.notify_all();
        };
        if (server_.IsListening()) {
            session_->ServeRequests(&server_, nullptr);
        }
        runner_ = std::thread([this] { status_ = session_->Run(-1); });
    }
    bool WaitForStart() {
        std::unique_lock lock(startMutex_);
        return started_.wait_for(lock, std::chrono::seconds(5), [&] { return starts_ > 0; });
    }
    // Within `timeoutMs`; the run stops by itself (an unplug) in the tests that wait for it.
    bool WaitForStop(int timeoutMs) {
        std::unique_lock lock(startMutex_);
        return started_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return stopped_; });
    }
    int Stop() {
        session_->RequestShutdown();
        runner_.join();
        return status_;
    }
    ~HeadlessSessionTest() override {
        if (runner_.joinable()) {
            Stop();
        }
    }

    QTemporaryDir dir_;
    MessageLog messages_;
    bool refuseAccess_ = false;
    std::shared_ptr<test::FakeHidChannel> writeChannel_;
    FakeHidTransport* transport_ = nullptr;
    int desktopPointerSpeed_ = platform::kDefaultPointerSpeed;
    test::FakePointerSettings* pointer_ = nullptr;
    std::unique_ptr<HeadlessSession> session_;
    std::thread runner_;
    int status_ = -1;
    std::mutex startMutex_;
    std::condition_variable started_;
    int starts_ = 0;
    bool stopped_ = false;
    control::InstanceServer server_;
};

TEST_F(HeadlessSessionTest, RefusedNodeIsExplainedAndOpenedAfterTheReplug) {
    std::ofstream(Config()) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n";
    refuseAccess_ = true;
    Run();
    ASSERT_TRUE(messages_.WaitForCount(1));
    const std::string text = messages_.Taken().front();
    EXPECT_NE(text.find(kNode), std::string::npos) << text;
    EXPECT_NE(text.find("ZEL_GMouse(1), ACCESS TO THE MOUSE"), std::string::npos) << text;
    EXPECT_EQ(text.find("plug-in"), std::string::npos) << text;

    // The rule installed, the mouse plugged in again: opened and given the profile.
    transport_->SetOpenFails(kNode, false);
    transport_->Watcher()->PushRemoval(kNode);
    transport_->Watcher()->PushArrival(kNode);
    ASSERT_TRUE(WaitForStart());
    const auto writer = transport_->LastChannel(kNode, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(writer->SentReports().empty());
    EXPECT_EQ(Stop(), 0);
    EXPECT_EQ(messages_.Taken().size(), 1u);
}

// No config.ini: the mouse gets the factory profile (button 1 clicks), the file is written
// back complete, and the user is told once.
TEST_F(HeadlessSessionTest, MissingConfigUploadsTheFactoryProfileAndSaysSo) {
    Run();
    ASSERT_TRUE(WaitForStart());
    EXPECT_EQ(Stop(), 0);
    const auto notices = messages_.Taken();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(Config()), std::string::npos) << notices[0];
    settings::ProfileSettings written;
    settings::LoadProfile(Config(), 1, false, 0, written);
    EXPECT_EQ(settings::TakeProfileValues(written).K, settings::kResetDefaults.K);
    EXPECT_EQ(settings::ReadCurrentProfile(Config()), 1);
}

// However the run ends, it says why, and the desktop's pointer speed is the user's again (13),
// not the profile's (DPI_SPEED=2 sets 4) nor a fixed default.
TEST_F(HeadlessSessionTest, EndSaysWhyAndGivesTheDesktopItsPointerSpeedBack) {
    enum class Ending { Unplug, Request };
    const struct {
        Ending ending;
        HeadlessEnd reason;
    } cases[] = {{Ending::Unplug, HeadlessEnd::MouseRemoved},
                 {Ending::Request, HeadlessEnd::Requested}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reason));
        std::ofstream(Config()) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n"
                                   "DPI_SPEED=2\r\n";
        desktopPointerSpeed_ = 13;
        starts_ = 0;
        Run();
        ASSERT_TRUE(WaitForStart());
        EXPECT_EQ(session_->endReason(), HeadlessEnd::Running);
        if (c.ending == Ending::Unplug) {
            transport_->Watcher()->PushRemoval(kNode);
            runner_.join();
        } else {
            Stop();
        }
        EXPECT_EQ(session_->endReason(), c.reason);
        EXPECT_EQ(pointer_->Writes().front(), "SetPointerSpeed 4");
        EXPECT_EQ(pointer_->pointerSpeed, 13);
    }
}

TEST(HeadlessLines, StartNamesTheSettingsAndEndNamesTheReason) {
    EXPECT_EQ(HeadlessStartLine("/home/u/.config/zel-gmouse/config.ini"),
              "ZEL_GMouse --headless: started (settings /home/u/.config/zel-gmouse/config.ini)");
    const struct {
        HeadlessEnd reason;
        int signal;
        const char* line;
    } cases[] = {
        {HeadlessEnd::MouseRemoved, 0, "ZEL_GMouse --headless: ended: the mouse was removed"},
        {HeadlessEnd::HandedOver, 0, "ZEL_GMouse --headless: ended: handed over to a window"},
        {HeadlessEnd::Signal, SIGTERM, "ZEL_GMouse --headless: ended: signal SIGTERM"},
        {HeadlessEnd::Signal, SIGINT, "ZEL_GMouse --headless: ended: signal SIGINT"},
        {HeadlessEnd::Signal, 0, "ZEL_GMouse --headless: ended: a termination signal"},
        {HeadlessEnd::NoMouse, 0, "ZEL_GMouse --headless: ended: no mouse was found"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HeadlessEndLine(c.reason, c.signal), c.line);
    }
}

// The mouse goes away during the start's upload: said on standard error, and config.ini does
// not record the profile as uploaded.
TEST_F(HeadlessSessionTest, AStartUploadTheMouseDidNotTakeWholeIsReported) {
    std::ofstream(Config()) << "[Init]\r\nCurConfig=2\r\nVER_SEL=1\r\n[Config2]\r\nK0=1\r\n";
    writeChannel_ = std::make_shared<test::FakeHidChannel>();
    writeChannel_->SetSendHook([channel = writeChannel_.get()](std::span<const std::uint8_t>) {
        if (channel->SentCount() == 2) {
            channel->Disconnect();
        }
    });
    Run();
    ASSERT_TRUE(WaitForStart());
    const auto said = messages_.Taken();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("did not receive the whole profile"), std::string::npos) << said[0];
    EXPECT_FALSE(ini::IniDocument::Load(Config()).HasSection("Config6"));
    EXPECT_EQ(Stop(), 0);
}

// Clients that connect and say nothing hold neither a command of another client nor the
// reaction to an unplug: both come long before the silent ones are given up.
TEST_F(HeadlessSessionTest, SilentClientsHoldUpNeitherCommandsNorTheUnplug) {
    std::ofstream(Config()) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n";
    const std::string socketPath = control::InstanceSocketPath(Dir());
    ASSERT_TRUE(server_.Listen(socketPath).ok());
    Run();
    ASSERT_TRUE(WaitForStart());

    std::vector<platform::UniqueFd> silent;
    for (int i = 0; i < 5; ++i) {
        silent.push_back(control::ConnectToInstance(socketPath));
        ASSERT_TRUE(silent.back().valid());
    }
    platform::UniqueFd client = control::ConnectToInstance(socketPath);
    ASSERT_TRUE(client.valid());
    const auto request = control::EncodeRequest({false, "", {"show", "--profile", "1"}});
    ASSERT_TRUE(control::WriteAll(client.get(), *request, 500));
    const auto bytes = control::ReadMessage(client.get(), 1 << 16, control::kRequestTimeoutMs / 2,
                                            [](const std::string&) { return false; });
    ASSERT_TRUE(bytes) << "no answer while silent clients wait";
    const auto reply = control::DecodeReply(*bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 0) << reply->err;

    // More silent clients, then the mouse goes.
    for (int i = 0; i < 5; ++i) {
        silent.push_back(control::ConnectToInstance(socketPath));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    transport_->Watcher()->PushRemoval(kNode);
    EXPECT_TRUE(WaitForStop(control::kRequestTimeoutMs / 2)) << "the unplug waited";
    EXPECT_EQ(Stop(), 0);
}

}  // namespace
}  // namespace zel::app
