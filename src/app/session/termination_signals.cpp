#include "app/session/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace zel::app {

namespace {
sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kTerminationSignals) {
        sigaddset(&set, signal);
    }
    return set;
}
}  // namespace

TerminationSignals::TerminationSignals() {
    sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

TerminationSignals::~TerminationSignals() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    // The signals stay blocked: one arriving while the program winds down must not kill it
    // with a different exit status.
}

int TerminationSignals::Take() {
    int last = 0;
    signalfd_siginfo info;
    while (fd_ >= 0) {
        ssize_t n = ::read(fd_, &info, sizeof info);
        if (n == static_cast<ssize_t>(sizeof info)) {
            last = static_cast<int>(info.ssi_signo);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break;
    }
    return last;
}

}  // namespace zel::app
