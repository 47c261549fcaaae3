#include "platform/signal_descriptor.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace zel::platform {

SignalDescriptor::SignalDescriptor(std::span<const int> numbers) {
    sigset_t set;
    sigemptyset(&set);
    for (const int number : numbers) {
        sigaddset(&set, number);
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_.Reset(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
}

int SignalDescriptor::Take() {
    int last = 0;
    signalfd_siginfo info;
    while (fd_.valid()) {
        const ssize_t n = ::read(fd_.get(), &info, sizeof info);
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

}  // namespace zel::platform
