#include "app/session/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <csignal>

namespace zel::app {
namespace {

bool Readable(int fd) {
    pollfd descriptor{fd, POLLIN, 0};
    return ::poll(&descriptor, 1, 5000) == 1 && (descriptor.revents & POLLIN) != 0;
}

// Each signal that ends the program reaches the descriptor instead of ending the process; one
// left to its default action (SIGHUP when the terminal closes, SIGQUIT) would end it with a
// macro's keys held in the mouse, and this test with it.
TEST(TerminationSignals, EveryEndingSignalArrivesOnTheDescriptor) {
    TerminationSignals signals;
    ASSERT_GE(signals.fd(), 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        ASSERT_EQ(::pthread_kill(::pthread_self(), signal), 0);
        ASSERT_TRUE(Readable(signals.fd()));
        EXPECT_EQ(signals.Take(), signal);
        EXPECT_EQ(signals.Take(), 0) << "taken once";
    }
}

}  // namespace
}  // namespace zel::app
