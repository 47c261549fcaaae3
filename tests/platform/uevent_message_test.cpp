#include "platform/uevent_message.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/hidraw_device_watcher.h"

namespace zel::platform {
namespace {

using namespace std::string_literals;

const std::string kDevpath = "/devices/virtual/misc/uhid/0003:18F8:1286.0001/hidraw/hidraw0";

// A datagram as the kernel sends it when uhid creates a device: header, then KEY=VALUE
// fields, each ended by a NUL.
std::string KernelUevent(const std::string& action, const std::string& subsystem,
                         const std::string& devname) {
    std::string text = action + "@" + kDevpath + '\0' + "ACTION=" + action + '\0' +
                       "DEVPATH=" + kDevpath + '\0' + "SUBSYSTEM=" + subsystem + '\0' +
                       "MAJOR=247" + '\0' + "MINOR=0" + '\0';
    if (!devname.empty()) {
        text += "DEVNAME=" + devname + '\0';
    }
    return text + "SEQNUM=1841" + '\0';
}

std::optional<UeventMessage> Parse(const std::string& bytes) {
    return ParseKernelUevent(std::span<const char>(bytes.data(), bytes.size()));
}

TEST(UeventMessage, ParsesHeaderAndProperties) {
    const std::optional<UeventMessage> message = Parse(KernelUevent("add", "hidraw", "hidraw0"));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->action, "add");
    EXPECT_EQ(message->devpath, kDevpath);
    EXPECT_EQ(message->Property("SUBSYSTEM"), "hidraw");
    EXPECT_EQ(message->Property("DEVNAME"), "hidraw0");
    EXPECT_EQ(message->Property("SEQNUM"), "1841");
    EXPECT_FALSE(message->Property("DRIVER").has_value());
}

TEST(UeventMessage, OddDatagramsAreParsedOrRefusedWithoutHarm) {
    struct Case {
        const char* name;
        std::string bytes;
        bool parses;
        const char* subsystem;  // expected SUBSYSTEM when it parses, nullptr = absent
    };
    const std::vector<Case> cases = {
        {"no final NUL", "add@/devices/x\0SUBSYSTEM=hidraw"s, true, "hidraw"},
        {"empty fields between", "add@/devices/x\0\0\0SUBSYSTEM=hidraw\0\0"s, true, "hidraw"},
        {"field without equals sign skipped", "add@/devices/x\0garbage\0SUBSYSTEM=hidraw\0"s, true,
         "hidraw"},
        {"field with empty key skipped", "add@/devices/x\0=hidraw\0"s, true, nullptr},
        {"empty value", "add@/devices/x\0SUBSYSTEM=\0"s, true, ""},
        {"header only", "remove@/devices/x"s, true, nullptr},
        {"empty datagram", ""s, false, nullptr},
        {"only NULs", "\0\0\0"s, false, nullptr},
        {"no at sign", "add /devices/x\0SUBSYSTEM=hidraw\0"s, false, nullptr},
        {"empty action", "@/devices/x\0SUBSYSTEM=hidraw\0"s, false, nullptr},
        {"empty devpath", "add@\0SUBSYSTEM=hidraw\0"s, false, nullptr},
        {"udev's own message format", "libudev\0\xfe\xed\xca\xfe\x28\0\0\0"s, false, nullptr},
        {"ACTION contradicts header", "add@/devices/x\0ACTION=remove\0SUBSYSTEM=hidraw\0"s, false,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<UeventMessage> message = Parse(c.bytes);
        ASSERT_EQ(message.has_value(), c.parses);
        if (message) {
            const std::optional<std::string_view> subsystem = message->Property("SUBSYSTEM");
            ASSERT_EQ(subsystem.has_value(), c.subsystem != nullptr);
            if (subsystem) {
                EXPECT_EQ(*subsystem, c.subsystem);
            }
        }
    }
}

TEST(HidrawEventFrom, MapsHidrawAddAndRemoveToNodePaths) {
    struct Case {
        const char* name;
        std::string datagram;
        std::optional<HidDeviceEvent::Kind> kind;
        const char* path;
    };
    const std::vector<Case> cases = {
        {"arrival", KernelUevent("add", "hidraw", "hidraw0"), HidDeviceEvent::Kind::Arrival,
         "/dev/hidraw0"},
        {"removal", KernelUevent("remove", "hidraw", "hidraw12"), HidDeviceEvent::Kind::Removal,
         "/dev/hidraw12"},
        {"absolute name kept", KernelUevent("add", "hidraw", "/dev/hidraw3"),
         HidDeviceEvent::Kind::Arrival, "/dev/hidraw3"},
        {"other subsystem", KernelUevent("add", "input", "input/event3"), std::nullopt, ""},
        {"hid parent device has no node", KernelUevent("add", "hid", ""), std::nullopt, ""},
        {"change ignored", KernelUevent("change", "hidraw", "hidraw0"), std::nullopt, ""},
        {"bind ignored", KernelUevent("bind", "hidraw", "hidraw0"), std::nullopt, ""},
        {"no device name", KernelUevent("add", "hidraw", ""), std::nullopt, ""},
        {"name climbing out of /dev", KernelUevent("add", "hidraw", "../etc/passwd"), std::nullopt,
         ""},
        {"absolute name outside /dev", KernelUevent("add", "hidraw", "/tmp/hidraw0"), std::nullopt,
         ""},
        {"dot-dot inside an absolute name", KernelUevent("remove", "hidraw", "/dev/../hidraw0"),
         std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<UeventMessage> message = Parse(c.datagram);
        ASSERT_TRUE(message.has_value());
        const std::optional<HidDeviceEvent> event = HidrawEventFrom(*message);
        ASSERT_EQ(event.has_value(), c.kind.has_value());
        if (event) {
            EXPECT_EQ(event->kind, *c.kind);
            EXPECT_EQ(event->path, c.path);
        }
    }
}

}  // namespace
}  // namespace zel::platform
