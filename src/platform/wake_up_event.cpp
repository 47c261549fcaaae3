#include "platform/wake_up_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace zel::platform {

WakeUpEvent::WakeUpEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_.valid()) {
        openError_ = errno;
    }
}

void WakeUpEvent::Signal() const {
    if (!fd_.valid()) {
        return;
    }
    // The counter only grows (a full counter refuses the write but stays readable).
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_.get(), &one, sizeof one);
}

}  // namespace zel::platform
