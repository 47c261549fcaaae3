// The session core: its start in order, its end, the upload of a chosen profile; and the same
// sequences of a mouse (found, refused, replugged, unplugged, the watcher hanging up) run once
// through the window and once through the headless run, which must behave alike.

#include "app/session/session_core.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <cctype>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/headless/headless_session.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_pointer_settings.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

constexpr const char* kNode = "/dev/hidraw-test";
constexpr auto kGenerousWait = std::chrono::seconds(20);

// Writes down each hook as the session calls it.
class RecordingDriver final : public app::SessionDriver {
public:
    RecordingDriver(const device::DeviceLink& link, const std::atomic<std::int32_t>& profile)
        : link_(link), profile_(profile) {}

    bool Configured() override {
        calls.push_back("configured with profile " + std::to_string(profile_.load()));
        return configuredAnswer;
    }
    void WatchDeviceEvents(int /*fd*/) override {
        calls.push_back(link_.found ? "watch after the search" : "watch before the search");
    }
    void MouseTookProfile(const device::UploadOutcome& outcome) override {
        calls.push_back(outcome.reportsSent ? "mouse took the profile" : "profile not taken");
    }
    void StopWatching() override { calls.push_back("stop watching"); }
    void RemoveTrayIcon() override { calls.push_back("remove tray icon"); }
    void StopWorkers() override { calls.push_back("stop workers"); }
    void Ended(app::SessionEnd reason) override {
        calls.push_back("ended " + std::to_string(static_cast<int>(reason)));
    }

    bool configuredAnswer = true;
    std::vector<std::string> calls;

private:
    const device::DeviceLink& link_;
    const std::atomic<std::int32_t>& profile_;
};

class SessionCoreTest : public ::testing::Test {
protected:
    SessionCoreTest() {
        std::ofstream(Config()) << "[Init]\r\nCurConfig=3\r\nVER_SEL=1\r\n[Config3]\r\nK0=1\r\n"
                                   "[Config4]\r\nK0=2\r\n";
        transport_.SetCollections({FakeHidTransport::MouseReadCollection(kNode),
                                   FakeHidTransport::MouseWriteCollection(kNode)});
    }
    std::string Config() const { return dir_.path().toStdString() + "/config.ini"; }

    QTemporaryDir dir_;
    platform::RecordingMessageSink messages_;
    FakePointerSettings pointer_;
    FakeHidTransport transport_;
    device::DeviceLink link_;
    settings::ProfileSettings profile_;
    platform::AppPaths paths_ = platform::AppPaths::ForDirectory(dir_.path().toStdString(), 0);
    std::atomic<std::int32_t> currentProfile_{0};
    std::int32_t languageFlag_ = 0;
    RecordingDriver driver_{link_, currentProfile_};
    app::Session session_{{link_, profile_, &transport_, pointer_, messages_, paths_,
                           currentProfile_, languageFlag_, std::nullopt},
                          driver_};
};

// The configuration comes before the driver's own preparation, the watcher before the search.
TEST_F(SessionCoreTest, StartsInOrderAndUploadsWhenTheDriverIsReady) {
    EXPECT_EQ(session_.Start(), app::SessionStart::MouseFound);
    EXPECT_EQ(driver_.calls,
              (std::vector<std::string>{"configured with profile 3", "watch before the search"}));
    EXPECT_EQ(languageFlag_, 1);
    EXPECT_EQ(paths_.macroPath, platform::MacroPathIn(paths_.userDir, 1));
    EXPECT_TRUE(link_.IsWriteOpen());
    const auto writer = transport_.LastChannel(kNode, platform::HidAccess::Write);
    const std::size_t sentBySearch = writer->SentCount();
    EXPECT_EQ(settings::ReadCurrentProfile(Config()), 3);
    EXPECT_FALSE(ini::IniDocument::Load(Config()).HasSection("Config6"))
        << "no upload before the driver asks";

    session_.GiveProfileToNewMouse();
    EXPECT_EQ(driver_.calls.back(), "mouse took the profile");
    EXPECT_GT(writer->SentCount(), sentBySearch);
    EXPECT_TRUE(ini::IniDocument::Load(Config()).HasSection("Config6"));
    EXPECT_FALSE(session_.stopped());
}

TEST_F(SessionCoreTest, ADriverThatCannotPrepareEndsTheStartBeforeTheMouseIsLookedFor) {
    driver_.configuredAnswer = false;
    EXPECT_EQ(session_.Start(), app::SessionStart::Stopped);
    EXPECT_EQ(driver_.calls, (std::vector<std::string>{"configured with profile 3"}));
    EXPECT_FALSE(link_.found.load());
}

// However often it is asked, the end runs once, its hooks in their order.
TEST_F(SessionCoreTest, StopRunsTheEndOnceInOrder) {
    ASSERT_EQ(session_.Start(), app::SessionStart::MouseFound);
    driver_.calls.clear();
    session_.Stop(app::SessionEnd::Signal);
    session_.Stop(app::SessionEnd::Requested);
    session_.StepAside();
    session_.FollowDeviceEvents();
    EXPECT_EQ(session_.endReason(), app::SessionEnd::Signal);
    const std::string ended = "ended " + std::to_string(static_cast<int>(app::SessionEnd::Signal));
    EXPECT_EQ(driver_.calls, (std::vector<std::string>{"stop watching", "remove tray icon",
                                                       "stop workers", ended}));
}

// What a follower of the focused application will ask for: profile N, current and uploaded.
TEST_F(SessionCoreTest, UploadProfileMakesAUserProfileCurrentAndSendsIt) {
    ASSERT_EQ(session_.Start(), app::SessionStart::MouseFound);
    const auto writer = transport_.LastChannel(kNode, platform::HidAccess::Write);
    const std::size_t sentBySearch = writer->SentCount();
    for (const std::int32_t refused : {0, 6, -1}) {
        EXPECT_FALSE(session_.UploadProfile(refused).has_value()) << refused;
    }
    EXPECT_EQ(currentProfile_.load(), 3);
    EXPECT_EQ(writer->SentCount(), sentBySearch);

    const auto outcome = session_.UploadProfile(4);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->Succeeded());
    EXPECT_EQ(currentProfile_.load(), 4);
    EXPECT_EQ(settings::ReadCurrentProfile(Config()), 4);
    EXPECT_GT(writer->SentCount(), sentBySearch);
    EXPECT_TRUE(messages_.messages.empty());
}

// ---- The same sequences through both drivers ----

enum class Step { Replug, GrantAndReplug, Unplug, HangUp };

// What a user sees after each step.
struct Seen {
    std::size_t messages = 0;  // messages said so far
    bool profileSent = false;  // the mouse's write channel took reports
    bool ended = false;        // the program ended
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << "{messages " << seen.messages << ", profile "
               << (seen.profileSent ? "sent" : "not sent") << ", "
               << (seen.ended ? "ended" : "running") << "}";
}

struct Sequence {
    const char* name;
    bool present;
    bool refused;
    Seen atStart;
    std::vector<std::pair<Step, Seen>> steps;
};

const Sequence kSequences[] = {
    {"found, then unplugged", true, false, {0, true, false}, {{Step::Unplug, {0, true, true}}}},
    {"found, then the watcher hangs up",
     true,
     false,
     {0, true, false},
     {{Step::HangUp, {0, true, true}}}},
    {"refused, replugged without the rule and with it, then unplugged",
     true,
     true,
     {1, false, false},
     {{Step::Replug, {2, false, false}},
      {Step::GrantAndReplug, {2, true, false}},
      {Step::Unplug, {2, true, true}}}},
    {"refused, then the watcher hangs up",
     true,
     true,
     {1, false, false},
     {{Step::HangUp, {1, false, true}}}},
    {"missing", false, false, {1, false, true}, {}},
};

void Apply(Step step, FakeHidTransport& transport) {
    switch (step) {
        case Step::GrantAndReplug:
            transport.SetOpenFails(kNode, false);
            [[fallthrough]];
        case Step::Replug:
            transport.Watcher()->PushRemoval(kNode);
            transport.Watcher()->PushArrival(kNode);
            break;
        case Step::Unplug:
            transport.Watcher()->PushRemoval(kNode);
            break;
        case Step::HangUp:
            transport.Watcher()->HangUp();
            break;
    }
}

bool ProfileSent(const FakeHidTransport& transport) {
    const auto writer = transport.LastChannel(kNode, platform::HidAccess::Write);
    return writer != nullptr && writer->SentCount() > 0;
}

// What a run through one driver showed: after the start and after each step, and its texts.
struct Observed {
    std::vector<Seen> seen;
    std::vector<std::string> messages;
};

// Messages from the headless run's thread.
class LockedMessages final : public platform::MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view /*caption*/ = {}) override {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(text);
    }
    std::vector<std::string> Taken() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

class BothDriversTest : public WindowTest, public ::testing::WithParamInterface<Sequence> {
protected:
    // The window on the event loop: each observation after the events so far have run.
    Observed ThroughTheWindow() {
        const Sequence& sequence = GetParam();
        transport_.SetOpenFails(kMousePath, sequence.refused);
        WindowSetup setup;
        setup.mousePresent = sequence.present;
        Start(setup);
        const auto observe = [this] {
            return Seen{messages_.messages.size(), ProfileSent(transport_), window().IsShutDown()};
        };
        Observed run;
        run.seen.push_back(observe());
        for (const auto& [step, expected] : sequence.steps) {
            Apply(step, transport_);
            QElapsedTimer timer;
            timer.start();
            while (observe() != expected && timer.elapsed() < 20'000) {
                ProcessEvents();
            }
            run.seen.push_back(observe());
        }
        run.messages = messages_.messages;
        return run;
    }

    // The headless run on a thread of its own, on the same files and a mouse of its own.
    Observed ThroughTheHeadlessRun() {
        const Sequence& sequence = GetParam();
        auto transport = std::make_unique<FakeHidTransport>();
        FakeHidTransport& mouse = *transport;
        if (sequence.present) {
            mouse.SetCollections({FakeHidTransport::MouseReadCollection(kNode),
                                  FakeHidTransport::MouseWriteCollection(kNode)});
        }
        mouse.SetOpenFails(kNode, sequence.refused);
        LockedMessages messages;
        app::HeadlessSession session(platform::AppPaths::ForDirectory(ExeDir(), 1),
                                     std::move(transport), std::make_unique<FakePointerSettings>(),
                                     messages);
        std::atomic<bool> ended = false;
        std::thread runner([&] {
            session.Run(-1);
            ended = true;
        });
        const auto observe = [&] {
            return Seen{messages.Taken().size(), ProfileSent(mouse), ended.load()};
        };
        // Observed once the start has settled: an upload and onStart, a message, or the end.
        const auto waitFor = [&](const Seen& expected) {
            const auto deadline = std::chrono::steady_clock::now() + kGenerousWait;
            while (observe() != expected && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return observe();
        };
        Observed run;
        run.seen.push_back(waitFor(sequence.atStart));
        for (const auto& [step, expected] : sequence.steps) {
            Apply(step, mouse);
            run.seen.push_back(waitFor(expected));
        }
        if (!ended) {
            session.RequestShutdown();
        }
        runner.join();
        run.messages = messages.Taken();
        return run;
    }
};

TEST_P(BothDriversTest, TheWindowAndTheHeadlessRunBehaveAlike) {
    const Sequence& sequence = GetParam();
    std::vector<Seen> expected{sequence.atStart};
    for (const auto& [step, seen] : sequence.steps) {
        expected.push_back(seen);
    }
    const Observed byWindow = ThroughTheWindow();
    const Observed byHeadless = ThroughTheHeadlessRun();
    EXPECT_EQ(byWindow.seen, expected) << "the window";
    EXPECT_EQ(byHeadless.seen, expected) << "the headless run";
    EXPECT_EQ(byWindow.messages, byHeadless.messages);
}

INSTANTIATE_TEST_SUITE_P(Sequences, BothDriversTest, ::testing::ValuesIn(kSequences),
                         [](const ::testing::TestParamInfo<Sequence>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name)) {
                                 if (std::isalnum(static_cast<unsigned char>(c))) {
                                     name += c;
                                 }
                             }
                             return name;
                         });

}  // namespace
}  // namespace zel::test
