#include "sim/uhid_frontend.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/hex_text.h"
#include "sim/report_descriptor.h"

namespace zel::sim {
namespace {

// Events taken from the kernel before the control socket gets its turn.
constexpr int kRequestsPerTurn = 64;

std::string_view ReportTypeName(UhidRequest::ReportType type) {
    switch (type) {
        case UhidRequest::ReportType::Feature:
            return "feature";
        case UhidRequest::ReportType::Output:
            return "output";
        case UhidRequest::ReportType::Input:
            return "input";
        case UhidRequest::ReportType::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace

UhidFrontend::UhidFrontend(ServeOptions options, EventLog& log, std::unique_ptr<UhidDevice> device)
    : options_(std::move(options)),
      log_(log),
      device_(std::move(device)),
      model_(options_.lengths),
      session_(model_, log_, *this, !options_.startUnplugged),
      commands_(session_, [this](int client, bool ok, std::string_view text) {
          control_.Reply(client, ok, text);
      }) {}

UhidFrontend::~UhidFrontend() = default;

bool UhidFrontend::Start(std::string* error) {
    if (!wake_.valid()) {
        *error = std::string("eventfd: ") + std::strerror(wake_.OpenError());
        return false;
    }
    if (!options_.socketPath.empty() && !control_.Listen(options_.socketPath, error)) {
        return false;
    }
    if (session_.present() && !CreateDevice(error)) {
        control_.Close();
        return false;
    }
    return true;
}

bool UhidFrontend::CreateDevice(std::string* error) {
    UhidDeviceInfo info;
    info.name = std::string(kUhidDeviceName);
    info.bus = kBusUsb;
    info.vendorId = kVendorId;
    info.productId = kProductId;
    info.reportDescriptor = BuildReportDescriptor(model_.lengths());
    return device_->Create(info, error);
}

void UhidFrontend::Stop() {
    wake_.Signal();
}

bool UhidFrontend::Run(int stopFd) {
    bool deviceOk = true;
    std::vector<pollfd> fds;
    while (!quit_) {
        fds.clear();
        fds.push_back({device_->fd(), POLLIN, 0});
        fds.push_back({wake_.fd(), POLLIN, 0});
        fds.push_back({stopFd, POLLIN, 0});  // a negative fd is skipped by poll
        if (control_.listening()) {
            control_.AppendPollFds(fds);
        }

        if (!commands_.Poll(fds)) {
            break;
        }
        if (fds[1].revents != 0 || fds[2].revents != 0) {
            break;
        }
        if (fds[0].revents != 0 && !DrainDevice()) {
            deviceOk = false;
            break;
        }
        if (control_.listening()) {
            control_.Service(std::span(fds).subspan(3), [this](int client, std::string_view text) {
                OnCommand(client, text);
            });
        }
        commands_.FinishDueClicks();
    }
    commands_.AbandonClicks("the simulator ended first");
    if (deviceOk && device_->created()) {
        Leave("quit");
    }
    control_.Close();
    return deviceOk;
}

bool UhidFrontend::DrainDevice() {
    for (int turn = 0; turn < kRequestsPerTurn; ++turn) {
        UhidDevice::ReadResult result = device_->Read();
        const std::int64_t arrived = MonotonicMicros();
        switch (result.status) {
            case UhidDevice::ReadStatus::Nothing:
                return true;
            case UhidDevice::ReadStatus::Closed:
                std::fprintf(stderr, "zel-mouse-sim: the uhid device was closed\n");
                return false;
            case UhidDevice::ReadStatus::Failed:
                std::fprintf(stderr, "zel-mouse-sim: %s\n", result.error.c_str());
                return false;
            case UhidDevice::ReadStatus::Request:
                OnRequest(result.request, arrived);
                break;
        }
    }
    return true;
}

void UhidFrontend::OnRequest(const UhidRequest& request, std::int64_t tUs) {
    switch (request.kind) {
        case UhidRequest::Kind::Open:
            if (!hostOpen_) {
                hostOpen_ = true;
                ++client_;
                LogHostOpen(true, {});
            }
            return;
        case UhidRequest::Kind::Close:
            if (hostOpen_) {
                LogHostOpen(false, "close");
                hostOpen_ = false;
            }
            return;
        case UhidRequest::Kind::SetReport:
            OnSetReport(request, tUs);
            return;
        case UhidRequest::Kind::GetReport:
            OnGetReport(request, tUs);
            return;
        case UhidRequest::Kind::Output: {
            if (!session_.present()) {
                return;
            }
            // The mouse declares no output report: whatever comes is not acted on.
            JsonObject event = EventLog::Event(tUs, "output");
            event.AddString("hex", platform::HexBytes(request.data))
                .AddInt("client", client_)
                .AddString("result", "ignored");
            log_.Write(event);
            return;
        }
        case UhidRequest::Kind::Start:
        case UhidRequest::Kind::Stop:
        case UhidRequest::Kind::Other:
            return;
    }
}

void UhidFrontend::OnSetReport(const UhidRequest& request, std::int64_t tUs) {
    std::uint16_t err = EIO;
    if (request.reportType == UhidRequest::ReportType::Feature) {
        // The session refuses (and does not log) everything while the mouse is unplugged.
        const FeatureResult::Outcome outcome = session_.OnFeatureReport(request.data, tUs, client_);
        if (outcome != FeatureResult::Outcome::Refused) {
            err = 0;
            lastFeature_ = request.data;
        }
    } else if (session_.present()) {
        JsonObject event = EventLog::Event(tUs, "set_report");
        event.AddString("type", ReportTypeName(request.reportType))
            .AddInt("report", request.reportNumber)
            .AddString("hex", platform::HexBytes(request.data))
            .AddInt("client", client_)
            .AddString("result", "refused");
        log_.Write(event);
    }
    // Unanswered, the host's call would hang until the kernel gives up on it.
    std::string error;
    if (!device_->ReplySetReport(request.id, err, &error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
    }
}

void UhidFrontend::OnGetReport(const UhidRequest& request, std::int64_t tUs) {
    std::vector<std::uint8_t> answer;
    const bool answered = session_.present() &&
                          request.reportType == UhidRequest::ReportType::Feature &&
                          request.reportNumber == kFeatureReportId;
    if (answered) {
        // The feature report reads back as the last one the mouse took.
        answer = lastFeature_;
        answer.resize(model_.lengths().feature, 0);
        answer[0] = kFeatureReportId;
    }
    if (session_.present()) {
        JsonObject event = EventLog::Event(tUs, "get_report");
        event.AddString("type", ReportTypeName(request.reportType))
            .AddInt("report", request.reportNumber)
            .AddInt("client", client_)
            .AddString("result", answered ? "answered" : "refused");
        if (answered) {
            event.AddString("hex", platform::HexBytes(answer));
        }
        log_.Write(event);
    }
    std::string error;
    if (!device_->ReplyGetReport(request.id, answered ? 0 : EIO, answer, &error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
    }
}

void UhidFrontend::OnCommand(int client, std::string_view text) {
    if (quit_) {
        control_.Reply(client, false, "the simulator is quitting");
        return;
    }
    if (commands_.Run(client, text)) {
        quit_ = true;
    }
}

void UhidFrontend::LogHostOpen(bool open, std::string_view reason) {
    JsonObject event = EventLog::Event(MonotonicMicros(), open ? "connect" : "disconnect");
    event.AddInt("client", client_).AddString("access", "uhid");
    if (!reason.empty()) {
        event.AddString("reason", reason);
    }
    log_.Write(event);
}

void UhidFrontend::Leave(std::string_view reason) {
    if (hostOpen_) {
        LogHostOpen(false, reason);
        hostOpen_ = false;
    }
    std::string error;
    if (!device_->Destroy(&error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
    }
}

std::size_t UhidFrontend::SendInput(std::span<const std::uint8_t> report) {
    if (!device_->created()) {
        return 0;
    }
    std::string error;
    if (!device_->SendInput(report, &error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
        return 0;
    }
    // The kernel does not say how many readers took it. It drops reports whose ID the
    // descriptor does not declare and reports shorter than declared; otherwise an open device
    // has at least one reader.
    const bool deliverable = report[0] == kInputReportId && report.size() >= model_.lengths().input;
    return hostOpen_ && deliverable ? 1 : 0;
}

void UhidFrontend::Unplugged() {
    Leave("unplug");
    commands_.AbandonClicks("unplugged before the release");
}

void UhidFrontend::Plugged() {
    std::string error;
    if (!CreateDevice(&error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
    }
}

void UhidFrontend::AddStatus(JsonObject& state) const {
    state.AddString("front_end", "uhid")
        .AddBool("created", device_->created())
        .AddBool("host_open", hostOpen_);
}

int ServeOnUhid(const ServeOptions& options, EventLog& log, int stopFd,
                const std::string& kernelDevicePath) {
    std::string error;
    std::unique_ptr<UhidDevice> device = UhidDevice::Open(kernelDevicePath, &error);
    if (!device) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
        return 1;
    }
    UhidFrontend frontend(options, log, std::move(device));
    if (!frontend.Start(&error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
        return 1;
    }
    std::string control = options.socketPath.empty() ? std::string("no control socket")
                                                     : "control commands on " + options.socketPath;
    std::fprintf(stderr, "zel-mouse-sim: serving as a kernel HID device through %s, %s (%s)\n",
                 kernelDevicePath.c_str(), control.c_str(),
                 options.startUnplugged ? "unplugged" : "plugged in");
    return frontend.Run(stopFd) ? 0 : 1;
}

}  // namespace zel::sim
