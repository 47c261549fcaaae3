// The owners of descriptors and threads that every part of the program shares: UniqueFd and
// its pipes, WakeUpEvent, WorkerThread.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <string>
#include <utility>

#include "platform/unique_fd.h"
#include "platform/wake_up_event.h"
#include "platform/worker_thread.h"
#include "tests/support/thread_wakeups.h"

namespace zel::platform {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

bool Readable(int fd, int timeoutMs) {
    pollfd descriptor{fd, POLLIN, 0};
    return ::poll(&descriptor, 1, timeoutMs) == 1 && (descriptor.revents & POLLIN) != 0;
}

TEST(UniqueFd, ClosesOnceWhenItsLastOwnerGoes) {
    std::optional<PipeEnds> pipe = OpenPipe();
    ASSERT_TRUE(pipe.has_value());
    const int read = pipe->read.get();
    EXPECT_NE(::fcntl(read, F_GETFD) & FD_CLOEXEC, 0) << "a started program must not inherit it";
    {
        UniqueFd moved(std::move(pipe->read));
        EXPECT_FALSE(pipe->read.valid());
        UniqueFd assigned;
        assigned = std::move(moved);
        EXPECT_FALSE(moved.valid());
        EXPECT_EQ(assigned.get(), read);
        EXPECT_TRUE(IsOpen(read));
    }
    EXPECT_FALSE(IsOpen(read));
}

TEST(UniqueFd, ReleaseHandsTheDescriptorOverAndResetClosesIt) {
    std::optional<PipeEnds> pipe = OpenPipe();
    ASSERT_TRUE(pipe.has_value());
    const int write = pipe->write.Release();
    EXPECT_FALSE(pipe->write.valid());
    EXPECT_TRUE(IsOpen(write));
    UniqueFd owner(write);
    owner.Reset();
    EXPECT_FALSE(IsOpen(write));
    // The read end sees the only writer gone.
    char byte = 0;
    EXPECT_EQ(::read(pipe->read.get(), &byte, 1), 0);
}

TEST(WakeUpEvent, ASignalWakesEveryLaterWaitToo) {
    const WakeUpEvent wake;
    ASSERT_TRUE(wake.valid());
    EXPECT_FALSE(Readable(wake.fd(), 0));
    wake.Signal();
    for (int wait = 0; wait < 3; ++wait) {
        EXPECT_TRUE(Readable(wake.fd(), 0)) << wait;
    }
    wake.Signal();  // again: still one readable descriptor
    EXPECT_TRUE(Readable(wake.fd(), 0));
}

// The body sleeps in poll() where the stop token cannot reach it: Stop wakes it through the
// wake-up its owner gives, and joins.
TEST(WorkerThread, StopWakesABlockedBodyAndJoins) {
    const WakeUpEvent wake;
    std::atomic<int> runs{0};
    std::atomic<bool> sawStop{false};
    WorkerThread thread;
    const auto body = [&](std::stop_token stop) {
        ++runs;
        pollfd descriptor{wake.fd(), POLLIN, 0};
        ::poll(&descriptor, 1, -1);
        sawStop = stop.stop_requested();
    };
    thread.Start("zel-test-worker", body);
    thread.Start("zel-test-worker", body);  // running: nothing
    EXPECT_TRUE(thread.Running());
    for (int i = 0; i < 2000 && !test::ThreadContextSwitches("zel-test-worker"); ++i) {
        ::usleep(10'000);
    }
    EXPECT_TRUE(test::ThreadContextSwitches("zel-test-worker").has_value()) << "named";
    thread.Stop([&wake] { wake.Signal(); });
    EXPECT_FALSE(thread.Running());
    EXPECT_EQ(runs.load(), 1);
    EXPECT_TRUE(sawStop.load()) << "the stop is requested before the wake-up";
    thread.Stop([] { FAIL() << "no thread: nothing to wake"; });
}

// A stopped worker starts again, as the reader does after the mouse comes back.
TEST(WorkerThread, StartsAgainAfterAStop) {
    std::atomic<int> runs{0};
    WorkerThread thread;
    for (int round = 0; round < 2; ++round) {
        thread.Start("zel-test-again", [&runs](std::stop_token) { ++runs; });
        thread.Stop();
    }
    EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace zel::platform
