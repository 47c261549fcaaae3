// zel-hid-kernel-check: compares our report-descriptor parser with the kernel's HID core.
//
// Runs as root in a machine with uhid, hidraw and debugfs (the guest of run-guest-test.sh). For
// each descriptor of a small table it creates a uhid device and checks that
//   - the kernel accepts exactly the descriptors our parser accepts (a refused one gets no
//     hidraw node);
//   - the kernel's own parse (debugfs .../rdesc) puts the same report IDs under the same
//     top-level collections, with the same byte lengths, as our parser;
//   - the kernel numbers the report types our parser says carry report IDs (UHID_START flags);
//   - our hidraw transport lists the node's collections as the parser does;
//   - through hidraw: an input report of the parsed length and ID comes out of read() whole,
//     one with an ID the parser does not know does not; feature reports of the parsed length
//     go through HIDIOCSFEATURE and HIDIOCGFEATURE whole; output reports through write().
// Prints one line per finding and "HID-KERNEL-CHECK PASS" or "HID-KERNEL-CHECK FAIL" last;
// exits 0 only when everything agreed.

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid_report_descriptor.h"
#include "platform/hidraw_transport.h"
#include "sim/mouse_model.h"
#include "sim/report_descriptor.h"
#include "sim/uhid_device.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using zel::platform::HidTopLevelCollection;

constexpr std::uint16_t kCheckVendor = 0x1209;  // test devices only, never the mouse's IDs

int failures = 0;

void Fail(const std::string& what, const std::string& text) {
    ++failures;
    std::printf("FAIL %s: %s\n", what.c_str(), text.c_str());
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    char two[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

struct DescriptorCase {
    const char* name;
    Bytes descriptor;
};

std::vector<DescriptorCase> Cases() {
    using zel::sim::BuildReportDescriptor;
    return {
        {"mouse 8/8", BuildReportDescriptor({8, 8})},
        {"mouse 64/33", BuildReportDescriptor({64, 33})},
        {"boot mouse",
         {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
          0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
          0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09,
          0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0}},
        {"keyboard with report IDs",
         {// Keyboard, report 1: modifiers, reserved byte, 6 keys; LEDs out (5 bits + pad)
          0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
          0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
          0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75,
          0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x05, 0x07, 0x19,
          0x00, 0x2A, 0xFF, 0x00, 0x81, 0x00, 0xC0,
          // Consumer control, report 2: one 16-bit usage
          0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00,
          0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
          // System control, report 3: three bits and padding
          0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25,
          0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0}},
        {"nested collections",
         {// Mouse application > physical pointer > logical (X, Y); feature 2 in a logical one
          0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
          0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x03,
          0x81, 0x01, 0xA1, 0x02, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26, 0xFF,
          0x7F, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06, 0xC0, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75,
          0x08, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xA1, 0x02, 0x85, 0x02, 0x06, 0x00, 0xFF, 0x09, 0x10,
          0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x10, 0xB1, 0x02, 0xC0, 0xC0,
          // Vendor application 0xFF01/0x20 > logical: input 4 (31 bytes), feature 5 (63 bytes)
          0x06, 0x01, 0xFF, 0x09, 0x20, 0xA1, 0x01, 0x85, 0x04, 0x09, 0x21, 0xA1, 0x02, 0x09, 0x22,
          0x75, 0x08, 0x95, 0x1F, 0x81, 0x02, 0x85, 0x05, 0x09, 0x23, 0x95, 0x3F, 0xB1, 0x02, 0xC0,
          0xC0}},
        {"collection left open",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01,
          0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02}},
        {"end collection without collection",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0x15,
          0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02, 0xC0, 0xC0}},
        {"truncated item",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0x15, 0x00,
          0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02, 0xC0, 0x26, 0xFF}},
    };
}

// ---- the device side ----------------------------------------------------------------------

// A uhid device whose requests a thread answers: set-report requests are recorded and
// accepted, get-report requests answered from a table, output reports recorded.
class CheckDevice {
public:
    struct Received {
        std::uint32_t kind = 0;  // UHID_SET_REPORT or UHID_OUTPUT
        std::uint8_t reportNumber = 0;
        zel::sim::UhidRequest::ReportType type = zel::sim::UhidRequest::ReportType::Unknown;
        Bytes data;
    };

    explicit CheckDevice(std::unique_ptr<zel::sim::UhidDevice> device)
        : device_(std::move(device)) {
        thread_ = std::thread([this] { Serve(); });
    }
    ~CheckDevice() {
        stop_ = true;
        thread_.join();
        if (device_->created()) {
            std::string ignored;
            device_->Destroy(&ignored);
        }
    }

    zel::sim::UhidDevice& device() { return *device_; }

    // The START flags, once the HID core took the device; nullopt when it did not in time.
    std::optional<std::uint64_t> WaitStarted(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return startFlags_.has_value(); });
        return startFlags_;
    }
    void SetGetReportAnswer(std::uint8_t reportNumber, Bytes answer) {
        std::lock_guard lock(mutex_);
        answers_[reportNumber] = std::move(answer);
    }
    // The first report received since the last call that has these bytes. The kernel sends
    // reports of its own too (a keyboard's LED state), which are passed over.
    std::optional<Received> WaitReceived(const Bytes& data, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        std::optional<Received> found;
        changed_.wait_for(lock, timeout, [&] {
            const auto match = std::find_if(received_.begin(), received_.end(),
                                            [&](const Received& r) { return r.data == data; });
            if (match != received_.end()) {
                found = *match;
            }
            return found.has_value();
        });
        received_.clear();
        return found;
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd pfd{device_->fd(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) {
                continue;
            }
            const zel::sim::UhidDevice::ReadResult read = device_->Read();
            if (read.status != zel::sim::UhidDevice::ReadStatus::Request) {
                continue;
            }
            Handle(read.request);
        }
    }

    void Handle(const zel::sim::UhidRequest& request) {
        using Kind = zel::sim::UhidRequest::Kind;
        std::string ignored;
        std::lock_guard lock(mutex_);
        switch (request.kind) {
            case Kind::Start:
                startFlags_ = request.startFlags;
                break;
            case Kind::SetReport:
                received_.push_back(
                    {UHID_SET_REPORT, request.reportNumber, request.reportType, request.data});
                device_->ReplySetReport(request.id, 0, &ignored);
                break;
            case Kind::GetReport: {
                const auto answer = answers_.find(request.reportNumber);
                if (answer == answers_.end()) {
                    device_->ReplyGetReport(request.id, EIO, {}, &ignored);
                } else {
                    device_->ReplyGetReport(request.id, 0, answer->second, &ignored);
                }
                break;
            }
            case Kind::Output:
                received_.push_back({UHID_OUTPUT, 0, request.reportType, request.data});
                break;
            default:
                break;
        }
        changed_.notify_all();
    }

    std::unique_ptr<zel::sim::UhidDevice> device_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::uint64_t> startFlags_;
    std::map<std::uint8_t, Bytes> answers_;
    std::vector<Received> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// ---- the kernel's view ---------------------------------------------------------------------

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Node {
    std::string path;    // /dev/hidrawN
    std::string hidDir;  // e.g. 0003:1209:0A01.0003
};

// The hidraw node of the device with these IDs, once it exists.
std::optional<Node> FindNode(std::uint16_t vendor, std::uint16_t product,
                             std::chrono::milliseconds timeout) {
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "HID_ID=0003:%08X:%08X", vendor, product);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (DIR* dir = ::opendir("/sys/class/hidraw")) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name.rfind("hidraw", 0) != 0) {
                    continue;
                }
                const std::string base = "/sys/class/hidraw/" + name + "/device";
                if (ReadText(base + "/uevent").find(wanted) == std::string::npos) {
                    continue;
                }
                char target[512] = {};
                const ssize_t n = ::readlink(base.c_str(), target, sizeof target - 1);
                const std::string link = n > 0 ? std::string(target, n) : "";
                const std::string devPath = "/dev/" + name;
                if (::access(devPath.c_str(), R_OK | W_OK) == 0) {
                    ::closedir(dir);
                    return Node{devPath, link.substr(link.rfind('/') + 1)};
                }
            }
            ::closedir(dir);
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

// One report as the kernel's debugfs dump shows it.
struct KernelReport {
    int type = 0;  // 0 input, 1 output, 2 feature
    unsigned id = 0;
    std::set<std::string> applications;
    unsigned bits = 0;  // end of the last field with usages
};

// Parses the "INPUT(1)[INPUT]" / "Field(n)" / "Application(...)" / "Report Size(..)" lines.
std::vector<KernelReport> KernelReports(const std::string& dump) {
    static const std::regex header(R"(^\s*(INPUT|OUTPUT|FEATURE)(\((\d+)\))?\[\w+\]\s*$)");
    static const std::regex value(
        R"(^\s*(Application|Report Size|Report Count|Report Offset)\((.*)\)\s*$)");
    std::vector<KernelReport> reports;
    std::istringstream lines(dump);
    std::string line;
    unsigned size = 0;
    unsigned count = 0;
    bool started = false;
    for (std::getline(lines, line); std::getline(lines, line);) {  // line 1: the raw bytes
        std::smatch match;
        if (std::regex_match(line, match, header)) {
            started = true;
            KernelReport report;
            report.type = match[1] == "INPUT" ? 0 : match[1] == "OUTPUT" ? 1 : 2;
            report.id = match[3].matched ? static_cast<unsigned>(std::stoul(match[3])) : 0;
            reports.push_back(report);
        } else if (started && line.empty()) {
            break;  // the input mapping follows
        } else if (!reports.empty() && std::regex_match(line, match, value)) {
            const std::string key = match[1];
            if (key == "Application") {
                reports.back().applications.insert(match[2]);
            } else if (key == "Report Size") {
                size = static_cast<unsigned>(std::stoul(match[2]));
            } else if (key == "Report Count") {
                count = static_cast<unsigned>(std::stoul(match[2]));
            } else {  // Report Offset: the last of the three
                const unsigned end = static_cast<unsigned>(std::stoul(match[2])) + size * count;
                reports.back().bits = std::max(reports.back().bits, end);
            }
        }
    }
    return reports;
}

// How the kernel's dump names a collection's usage.
std::string ApplicationName(std::uint16_t page, std::uint16_t usage) {
    static const std::map<std::pair<std::uint16_t, std::uint16_t>, std::string> known = {
        {{0x01, 0x02}, "GenericDesktop.Mouse"},
        {{0x01, 0x06}, "GenericDesktop.Keyboard"},
        {{0x01, 0x80}, "GenericDesktop.SystemControl"},
        {{0x0C, 0x01}, "Consumer.0001"},
    };
    const auto found = known.find({page, usage});
    if (found != known.end()) {
        return found->second;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04x.%04x", page, usage);
    return text;
}

// ---- the checks ------------------------------------------------------------------------------

const char* const kTypeNames[] = {"input", "output", "feature"};

const std::vector<std::uint8_t>& IdsOf(const HidTopLevelCollection& c, int type) {
    return type == 0 ? c.inputReportIds : type == 1 ? c.outputReportIds : c.featureReportIds;
}
std::size_t LengthOf(const HidTopLevelCollection& c, int type) {
    return type == 0   ? c.inputReportLength
           : type == 1 ? c.outputReportLength
                       : c.featureReportLength;
}

std::string Describe(const HidTopLevelCollection& c) {
    char text[64];
    std::snprintf(text, sizeof text, "%04x/%04x", c.usagePage, c.usage);
    std::string out = text;
    for (int type = 0; type < 3; ++type) {
        if (IdsOf(c, type).empty()) {
            continue;
        }
        out += std::string(" ") + kTypeNames[type] + "[";
        for (std::size_t i = 0; i < IdsOf(c, type).size(); ++i) {
            out += (i ? "," : "") + std::to_string(IdsOf(c, type)[i]);
        }
        out += "]=" + std::to_string(LengthOf(c, type));
    }
    return out;
}

void CompareWithKernelParse(const std::string& name, const zel::platform::HidReportDescriptor& ours,
                            const std::vector<KernelReport>& kernel) {
    std::set<std::string> ourApplications;
    for (const HidTopLevelCollection& c : ours.collections) {
        const std::string application = ApplicationName(c.usagePage, c.usage);
        ourApplications.insert(application);
        for (int type = 0; type < 3; ++type) {
            std::set<unsigned> kernelIds;
            std::size_t kernelLength = 0;
            for (const KernelReport& r : kernel) {
                if (r.type != type || !r.applications.count(application)) {
                    continue;
                }
                kernelIds.insert(r.id);
                kernelLength =
                    std::max<std::size_t>(kernelLength, (r.bits + 7) / 8 + (r.id != 0 ? 1 : 0));
            }
            const std::set<unsigned> ourIds(IdsOf(c, type).begin(), IdsOf(c, type).end());
            if (ourIds != kernelIds || LengthOf(c, type) != kernelLength) {
                Fail(name, application + " " + kTypeNames[type] + ": parser " +
                               std::to_string(ourIds.size()) + " IDs, " +
                               std::to_string(LengthOf(c, type)) + " bytes; kernel " +
                               std::to_string(kernelIds.size()) + " IDs, " +
                               std::to_string(kernelLength) + " bytes");
            }
        }
    }
    for (const KernelReport& r : kernel) {
        for (const std::string& application : r.applications) {
            if (!ourApplications.count(application)) {
                Fail(name, "the kernel has a report in " + application +
                               ", which the parser does not list");
            }
        }
    }
}

void CompareWithTransport(const std::string& name, const Node& node,
                          const zel::platform::HidReportDescriptor& ours, std::uint16_t product) {
    zel::platform::HidrawTransport transport([](std::string_view) {});
    std::vector<zel::platform::HidCollectionInfo> listed;
    for (const auto& info : transport.Enumerate()) {
        if (info.path == node.path) {
            listed.push_back(info);
        }
    }
    bool same = listed.size() == ours.collections.size();
    for (std::size_t i = 0; same && i < listed.size(); ++i) {
        const HidTopLevelCollection& c = ours.collections[i];
        same = listed[i].vendorId == kCheckVendor && listed[i].productId == product &&
               listed[i].usagePage == c.usagePage && listed[i].usage == c.usage &&
               listed[i].inputReportLength == c.inputReportLength &&
               listed[i].featureReportLength == c.featureReportLength;
    }
    if (!same) {
        Fail(name, "the hidraw transport lists " + std::to_string(listed.size()) +
                       " collections that differ from the parser's");
    }
}

Bytes Pattern(std::uint8_t id, std::size_t length, std::uint8_t seed) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
    }
    if (!bytes.empty() && id != 0) {
        bytes[0] = id;
    }
    return bytes;
}

// Numbered reports carry the ID first; an unnumbered report is the payload alone.
Bytes ReportBytes(std::uint8_t id, std::size_t length, std::uint8_t seed) {
    return Pattern(id, length, seed);
}

std::optional<Bytes> ReadReport(int fd, std::chrono::milliseconds timeout) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) {
        return std::nullopt;
    }
    Bytes buffer(16384);
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(got));
    return buffer;
}

void CheckTraffic(const std::string& name, const Node& node, CheckDevice& device,
                  const zel::platform::HidReportDescriptor& ours) {
    const int fd = ::open(node.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(name, "cannot open " + node.path);
        return;
    }
    std::set<unsigned> inputIds;
    std::uint8_t seed = 1;
    for (const HidTopLevelCollection& c : ours.collections) {
        for (std::uint8_t id : c.inputReportIds) {
            inputIds.insert(id);
            const Bytes report = ReportBytes(id, c.inputReportLength, seed++);
            std::string error;
            device.device().SendInput(report, &error);
            const std::optional<Bytes> got = ReadReport(fd, 2s);
            if (!got || *got != report) {
                Fail(name, "input report " + std::to_string(id) + " of " +
                               std::to_string(report.size()) + " bytes came out as " +
                               (got ? HexBytes(*got) : "nothing"));
            }
        }
        for (std::uint8_t id : c.featureReportIds) {
            const std::size_t length = c.featureReportLength;
            Bytes report = ReportBytes(id, length, seed++);
            report[0] = id;  // the report number hidraw passes on, 0 when unnumbered
            const int sent = ::ioctl(fd, HIDIOCSFEATURE(length), report.data());
            const auto received = device.WaitReceived(report, 2s);
            if (sent != static_cast<int>(length) || !received ||
                received->kind != UHID_SET_REPORT || received->reportNumber != id ||
                received->type != zel::sim::UhidRequest::ReportType::Feature ||
                received->data != report) {
                Fail(name, "feature report " + std::to_string(id) + " of " +
                               std::to_string(length) + " bytes did not arrive whole");
            }
            Bytes answer = ReportBytes(id, length, seed++);
            answer[0] = id;
            device.SetGetReportAnswer(id, answer);
            Bytes buffer(length, 0);
            buffer[0] = id;
            const int got = ::ioctl(fd, HIDIOCGFEATURE(length), buffer.data());
            if (got != static_cast<int>(length) || buffer != answer) {
                Fail(name, "reading feature report " + std::to_string(id) + " gave " +
                               std::to_string(got) + " bytes");
            }
        }
        for (std::uint8_t id : c.outputReportIds) {
            const std::size_t length = c.outputReportLength;
            Bytes report = ReportBytes(id, length, seed++);
            report[0] = id;
            const ssize_t written = ::write(fd, report.data(), report.size());
            const auto received = device.WaitReceived(report, 2s);
            if (written != static_cast<ssize_t>(length) || !received ||
                received->kind != UHID_OUTPUT || received->data != report) {
                Fail(name, "output report " + std::to_string(id) + " of " + std::to_string(length) +
                               " bytes did not arrive whole");
            }
        }
    }
    // An input report with an ID the parser does not list must not come out.
    if (ours.usesReportIds && !inputIds.count(0)) {
        unsigned unknown = 1;
        while (inputIds.count(unknown)) {
            ++unknown;
        }
        const Bytes report = ReportBytes(static_cast<std::uint8_t>(unknown), 8, 0x55);
        std::string error;
        device.device().SendInput(report, &error);
        if (const auto got = ReadReport(fd, 300ms)) {
            Fail(name, "input report " + std::to_string(unknown) +
                           ", unknown to the parser, came out: " + HexBytes(*got));
        }
    }
    ::close(fd);
}

void CheckDescriptor(const DescriptorCase& c, std::uint16_t product, bool dump) {
    const std::string name = c.name;
    const auto caseStarted = std::chrono::steady_clock::now();
    const zel::platform::Result<zel::platform::HidReportDescriptor> parsed =
        zel::platform::ParseHidReportDescriptor(c.descriptor);

    std::string error;
    auto uhid = zel::sim::UhidDevice::Open(std::string(zel::sim::kUhidPath), &error);
    if (!uhid) {
        Fail(name, error);
        return;
    }
    CheckDevice device(std::move(uhid));
    zel::sim::UhidDeviceInfo info;
    info.name = "zel check " + name;
    info.vendorId = kCheckVendor;
    info.productId = product;
    info.reportDescriptor = c.descriptor;
    if (!device.device().Create(info, &error)) {
        Fail(name, error);
        return;
    }
    const bool kernelAccepts = device.WaitStarted(parsed.ok() ? 10s : 3s).has_value();
    const std::optional<Node> node =
        kernelAccepts ? FindNode(kCheckVendor, product, 10s) : std::nullopt;
    if (!parsed.ok() || !node) {
        if (parsed.ok() != node.has_value()) {
            Fail(name, std::string("the parser ") + (parsed.ok() ? "accepts" : "refuses") +
                           " it, the kernel " + (node ? "accepts" : "refuses") + " it" +
                           (parsed.ok() ? "" : " (parser: " + parsed.error().message + ")"));
        } else {
            std::printf("ok   %s: refused by both (parser: %s)\n", name.c_str(),
                        parsed.error().message.c_str());
        }
        return;
    }
    const zel::platform::HidReportDescriptor& ours = *parsed;

    const int before = failures;
    // Which report types the kernel numbers: those where the parser found report IDs.
    const std::uint64_t flags = *device.WaitStarted(0ms);
    const std::uint64_t bits[3] = {UHID_DEV_NUMBERED_INPUT_REPORTS,
                                   UHID_DEV_NUMBERED_OUTPUT_REPORTS,
                                   UHID_DEV_NUMBERED_FEATURE_REPORTS};
    for (int type = 0; type < 3; ++type) {
        bool numbered = false;
        for (const HidTopLevelCollection& top : ours.collections) {
            for (std::uint8_t id : IdsOf(top, type)) {
                numbered = numbered || id != 0;
            }
        }
        if (numbered != ((flags & bits[type]) != 0)) {
            Fail(name, std::string(kTypeNames[type]) + " reports: the parser says " +
                           (numbered ? "" : "not ") + "numbered, the kernel the opposite");
        }
    }
    // The descriptor the kernel holds is the one given.
    const int fd = ::open(node->path.c_str(), O_RDONLY | O_CLOEXEC);
    hidraw_report_descriptor held{};
    int size = 0;
    if (fd < 0 || ::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 ||
        static_cast<std::size_t>(size) != c.descriptor.size() ||
        (held.size = static_cast<__u32>(size), ::ioctl(fd, HIDIOCGRDESC, &held) < 0) ||
        !std::equal(c.descriptor.begin(), c.descriptor.end(), held.value)) {
        Fail(name, "the kernel holds a different descriptor");
    }
    if (fd >= 0) {
        ::close(fd);
    }

    const std::string dumpPath = "/sys/kernel/debug/hid/" + node->hidDir + "/rdesc";
    const std::string dumpText = ReadText(dumpPath);
    if (dump) {
        std::printf("--- %s\n%s---\n", dumpPath.c_str(), dumpText.c_str());
    }
    const std::vector<KernelReport> kernel = KernelReports(dumpText);
    if (kernel.empty()) {
        Fail(name, "no kernel parse in " + dumpPath + " (is debugfs mounted?)");
    } else {
        CompareWithKernelParse(name, ours, kernel);
    }
    CompareWithTransport(name, *node, ours, product);
    CheckTraffic(name, *node, device, ours);

    std::string collections;
    for (const HidTopLevelCollection& top : ours.collections) {
        collections += (collections.empty() ? "" : "; ") + Describe(top);
    }
    std::printf("%s %s: %s (%lld ms)\n", failures == before ? "ok  " : "FAIL", name.c_str(),
                collections.c_str(),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - caseStarted)
                                           .count()));
}

}  // namespace

int main(int argc, char** argv) {
    const bool dump = argc > 1 && std::string(argv[1]) == "--dump";
    std::uint16_t product = 0x0A00;
    for (const DescriptorCase& c : Cases()) {
        ++product;
        CheckDescriptor(c, product, dump);
    }
    std::printf("HID-KERNEL-CHECK %s (%d failures)\n", failures == 0 ? "PASS" : "FAIL", failures);
    return failures == 0 ? 0 : 1;
}
