#include "platform/hidraw_channel.h"

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hid_report_descriptor.h"

namespace zel::platform {

Result<void> LockSoleReader(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error == EWOULDBLOCK) {
            return Error{ErrorCode::kUnavailable,
                         "another program reads the mouse already (a ZEL_GMouse of another "
                         "user or session?); only one may, or each macro would play twice"};
        }
        return Error{ErrorCode::kIoError,
                     std::string("cannot lock it for the one reader: ") + std::strerror(error),
                     error};
    }
    return Ok();
}

std::unique_ptr<HidrawChannel> HidrawChannel::Adopt(UniqueFd device,
                                                    const HidrawChannelOptions& options) {
    if (!device.valid()) {
        return nullptr;
    }
    std::unique_ptr<HidrawChannel> channel(new HidrawChannel(std::move(device), options));
    if (!channel->wake_.valid()) {
        return nullptr;
    }
    return channel;
}

HidrawChannel::HidrawChannel(UniqueFd device, const HidrawChannelOptions& options)
    : device_(std::move(device)), options_(options) {}

bool HidrawChannel::SendFeatureReport(std::span<const std::uint8_t> report) {
    if (options_.access != HidAccess::Write || report.empty() ||
        report.size() > options_.featureReportLength || report.size() > kMaxHidReportLength) {
        return false;
    }
    // The ioctl takes a writable buffer.
    std::array<std::uint8_t, kMaxHidReportLength> copy{};
    std::copy(report.begin(), report.end(), copy.begin());
    return ::ioctl(device_.get(), HIDIOCSFEATURE(report.size()), copy.data()) >= 0;
}

std::optional<std::size_t> HidrawChannel::ReadInputReport(std::span<std::uint8_t> buffer) {
    if (options_.access != HidAccess::Read) {
        return std::nullopt;
    }
    // A report is consumed even when the caller has no room for it.
    std::array<std::uint8_t, 1> scratch{};
    const std::span<std::uint8_t> target = buffer.empty() ? std::span(scratch) : buffer;
    for (;;) {
        if (cancelled_.load(std::memory_order_acquire)) {
            return std::nullopt;
        }
        std::array<pollfd, 2> fds = {{{device_.get(), POLLIN, 0}, {wake_.fd(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return std::nullopt;  // cancelled, or the device is gone
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t got = ::read(device_.get(), target.data(), target.size());
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;  // another reader took it, or a signal
            }
            return std::nullopt;  // EIO / ENODEV once unplugged
        }
        if (got == 0) {
            return std::nullopt;  // end of file: hidraw never delivers empty reports
        }
        if (options_.filterInputReportIds && !options_.inputReportIds.test(target[0])) {
            continue;
        }
        return buffer.empty() ? 0 : static_cast<std::size_t>(got);
    }
}

void HidrawChannel::Cancel() {
    cancelled_.store(true, std::memory_order_release);
    wake_.Signal();  // stays readable: every later read ends at once too
}

}  // namespace zel::platform
