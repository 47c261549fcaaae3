// A mouse that is plugged in but whose node may not be opened (no udev rule yet): the window
// says so and how to fix it, stays up, and opens the mouse once it is plugged in again.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <string>

#include "window_test_support.h"

namespace zel::test {
namespace {

class MouseAccessWindowTest : public WindowTest {
protected:
    // Runs the event loop until `done` holds or a second has passed.
    template <typename Condition>
    static bool WaitFor(Condition done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 1000) {
            ProcessEvents();
        }
        return done();
    }
};

TEST_F(MouseAccessWindowTest, RefusedNodeIsExplainedAndOpenedAfterTheReplug) {
    transport_.SetOpenFails(kMousePath);
    ASSERT_TRUE(Start()) << "the window stays up for the mouse it found";
    ASSERT_EQ(messages_.messages.size(), 1u);
    const std::string& text = messages_.messages[0];
    EXPECT_NE(text.find(kMousePath), std::string::npos) << text;
    EXPECT_NE(text.find("refused"), std::string::npos) << text;
    EXPECT_NE(text.find("ZEL_GMouse(1), ACCESS TO THE MOUSE"), std::string::npos) << text;
    EXPECT_EQ(text.find("plug-in"), std::string::npos) << "the mouse is plugged in";
    EXPECT_FALSE(link_.IsWriteOpen());

    // Plugged in again without the rule: the same advice, and the window keeps waiting.
    transport_.Watcher()->PushRemoval(kMousePath);
    transport_.Watcher()->PushArrival(kMousePath);
    ASSERT_TRUE(WaitFor([this] { return messages_.messages.size() == 2; }));
    EXPECT_FALSE(window().IsShutDown());

    // The rule installed and the mouse plugged in again: opened and given its settings.
    transport_.SetOpenFails(kMousePath, false);
    transport_.Watcher()->PushRemoval(kMousePath);
    transport_.Watcher()->PushArrival(kMousePath);
    ASSERT_TRUE(WaitFor([this] { return link_.IsWriteOpen() && link_.IsReadOpen(); }));
    EXPECT_TRUE(link_.found.load());
    EXPECT_FALSE(window().IsShutDown());
    const auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(writer->SentReports().empty()) << "the profile was uploaded";
    EXPECT_EQ(messages_.messages.size(), 2u);

    // From now on a removal is the mouse going away, as always.
    transport_.Watcher()->PushRemoval(kMousePath);
    EXPECT_TRUE(WaitFor([this] { return window().IsShutDown(); }));
}

TEST_F(MouseAccessWindowTest, AnAbsentMouseIsStillAskedToBePluggedIn) {
    WindowSetup setup;
    setup.mousePresent = false;
    EXPECT_FALSE(Start(setup));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("Please plug-in"), std::string::npos);
}

}  // namespace
}  // namespace zel::test
