#include "platform/hidraw_device_watcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace zel::platform {
namespace {

using namespace std::string_literals;

bool IsOpenDescriptor(int fd) {
    return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}

TEST(HidrawDeviceWatcher, BothSourcesConstructWithAPollableDescriptor) {
    for (HidrawEventSource source : {HidrawEventSource::Udev, HidrawEventSource::Kernel}) {
        SCOPED_TRACE(source == HidrawEventSource::Udev ? "udev" : "kernel");
        const Result<std::unique_ptr<HidrawDeviceWatcher>> created =
            HidrawDeviceWatcher::Create(source);
        ASSERT_TRUE(created.ok()) << created.error().message;
        const std::unique_ptr<HidrawDeviceWatcher>& watcher = *created;
        ASSERT_NE(watcher, nullptr);
        EXPECT_EQ(watcher->source(), source);
        EXPECT_TRUE(IsOpenDescriptor(watcher->PollFd()));
        // Nothing was plugged: draining returns at once with nothing.
        EXPECT_TRUE(watcher->TakeEvents().empty());
    }
}

TEST(HidrawDeviceWatcher, DefaultSourceFollowsTheUdevDaemon) {
    const bool daemonRuns = ::access("/run/udev/control", F_OK) == 0;
    EXPECT_EQ(DefaultHidrawEventSource(),
              daemonRuns ? HidrawEventSource::Udev : HidrawEventSource::Kernel);
}

class KernelUeventFeed : public ::testing::Test {
protected:
    void SetUp() override {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        kernel_.Reset(ends[1]);
        watcher_ = HidrawDeviceWatcher::AdoptUeventSocket(UniqueFd(ends[0]));
        ASSERT_NE(watcher_, nullptr);
    }

    void Send(const std::string& datagram) {
        ASSERT_EQ(::send(kernel_.get(), datagram.data(), datagram.size(), 0),
                  static_cast<ssize_t>(datagram.size()));
    }

    bool Readable() const {
        pollfd fd{watcher_->PollFd(), POLLIN, 0};
        return ::poll(&fd, 1, 0) == 1;
    }

    static std::string Uevent(const std::string& action, const std::string& subsystem,
                              const std::string& devname) {
        const std::string devpath =
            "/devices/virtual/misc/uhid/0003:18F8:1286.0002/" + subsystem + "/" + devname;
        return action + "@" + devpath + '\0' + "ACTION=" + action + '\0' + "DEVPATH=" + devpath +
               '\0' + "SUBSYSTEM=" + subsystem + '\0' + "DEVNAME=" + devname + '\0' + "SEQNUM=77" +
               '\0';
    }

    UniqueFd kernel_;
    std::unique_ptr<HidrawDeviceWatcher> watcher_;
};

TEST_F(KernelUeventFeed, DrainsEveryWaitingEventInOrderAndSkipsTheRest) {
    Send(Uevent("add", "hid", "ignored"));
    Send(Uevent("add", "hidraw", "hidraw1"));
    Send("libudev\0\xfe\xed\xca\xfe garbage"s);
    Send(""s);
    Send(std::string(20000, 'x'));  // longer than any uevent: truncated, dropped
    Send(Uevent("change", "hidraw", "hidraw1"));
    Send(Uevent("remove", "hidraw", "hidraw1"));
    ASSERT_TRUE(Readable());

    const std::vector<HidDeviceEvent> events = watcher_->TakeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, HidDeviceEvent::Kind::Arrival);
    EXPECT_EQ(events[0].path, "/dev/hidraw1");
    EXPECT_EQ(events[1].kind, HidDeviceEvent::Kind::Removal);
    EXPECT_EQ(events[1].path, "/dev/hidraw1");

    EXPECT_FALSE(Readable());
    EXPECT_TRUE(watcher_->TakeEvents().empty());  // never blocks when nothing waits
}

TEST_F(KernelUeventFeed, EventsSentLaterAreTakenLater) {
    EXPECT_TRUE(watcher_->TakeEvents().empty());
    Send(Uevent("add", "hidraw", "hidraw4"));
    const std::vector<HidDeviceEvent> events = watcher_->TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].path, "/dev/hidraw4");
}

}  // namespace
}  // namespace zel::platform
