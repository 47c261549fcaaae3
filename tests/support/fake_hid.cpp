#include "tests/support/fake_hid.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zel::test {

using platform::HidAccess;
using platform::HidCollectionInfo;
using platform::HidDeviceEvent;

// ---- FakeHidChannel ----

class FakeHidChannelHandle final : public platform::HidChannel {
public:
    explicit FakeHidChannelHandle(std::shared_ptr<FakeHidChannel> target)
        : target_(std::move(target)) {}
    ~FakeHidChannelHandle() override { target_->MarkReleased(); }
    bool SendFeatureReport(std::span<const std::uint8_t> report) override {
        return target_->SendFeatureReport(report);
    }
    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) override {
        return target_->ReadInputReport(buffer);
    }
    void Cancel() override { target_->Cancel(); }

private:
    std::shared_ptr<FakeHidChannel> target_;
};

std::unique_ptr<platform::HidChannel> FakeHidChannel::Handle(
    std::shared_ptr<FakeHidChannel> channel) {
    return std::make_unique<FakeHidChannelHandle>(std::move(channel));
}

bool FakeHidChannel::SendFeatureReport(std::span<const std::uint8_t> report) {
    std::function<void(std::span<const std::uint8_t>)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = sendHook_;
    }
    if (hook) {
        hook(report);
    }
    std::lock_guard lock(mutex_);
    bool accepted = !sendFails_ && !disconnected_;
    if (failNext_ > 0) {
        --failNext_;
        accepted = false;
    }
    sent_.emplace_back(Bytes(report.begin(), report.end()), accepted);
    changed_.notify_all();
    return accepted;
}

std::optional<std::size_t> FakeHidChannel::ReadInputReport(std::span<std::uint8_t> buffer) {
    std::unique_lock lock(mutex_);
    ++blockedReaders_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return cancelled_ || disconnected_ || !inputs_.empty(); });
    --blockedReaders_;
    if (cancelled_ || disconnected_) {
        return std::nullopt;
    }
    std::optional<Bytes> next = std::move(inputs_.front());
    inputs_.pop_front();
    if (!next) {
        return std::nullopt;
    }
    const std::size_t copied = std::min(next->size(), buffer.size());
    std::copy_n(next->begin(), copied, buffer.begin());
    return next->size();
}

void FakeHidChannel::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

std::vector<Bytes> FakeHidChannel::SentReports() const {
    std::lock_guard lock(mutex_);
    std::vector<Bytes> out;
    out.reserve(sent_.size());
    for (const auto& [report, accepted] : sent_) {
        out.push_back(report);
    }
    return out;
}

std::size_t FakeHidChannel::SentCount() const {
    std::lock_guard lock(mutex_);
    return sent_.size();
}

std::vector<Bytes> FakeHidChannel::AcceptedReports() const {
    std::lock_guard lock(mutex_);
    std::vector<Bytes> out;
    for (const auto& [report, accepted] : sent_) {
        if (accepted) {
            out.push_back(report);
        }
    }
    return out;
}

void FakeHidChannel::ClearSent() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

void FakeHidChannel::SetSendFails(bool fails) {
    std::lock_guard lock(mutex_);
    sendFails_ = fails;
}

void FakeHidChannel::FailNextSends(std::size_t count) {
    std::lock_guard lock(mutex_);
    failNext_ = count;
}

void FakeHidChannel::SetSendHook(std::function<void(std::span<const std::uint8_t>)> hook) {
    std::lock_guard lock(mutex_);
    sendHook_ = std::move(hook);
}

void FakeHidChannel::PushInputReport(Bytes report) {
    std::lock_guard lock(mutex_);
    inputs_.emplace_back(std::move(report));
    changed_.notify_all();
}

void FakeHidChannel::PushReadFailure() {
    std::lock_guard lock(mutex_);
    inputs_.emplace_back(std::nullopt);
    changed_.notify_all();
}

bool FakeHidChannel::WaitForBlockedReader(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return blockedReaders_ > 0 && inputs_.empty(); });
}

std::size_t FakeHidChannel::PendingInputReports() const {
    std::lock_guard lock(mutex_);
    return inputs_.size();
}

bool FakeHidChannel::IsCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void FakeHidChannel::Disconnect() {
    std::lock_guard lock(mutex_);
    disconnected_ = true;
    changed_.notify_all();
}

bool FakeHidChannel::IsDisconnected() const {
    std::lock_guard lock(mutex_);
    return disconnected_;
}

bool FakeHidChannel::HandleReleased() const {
    std::lock_guard lock(mutex_);
    return released_;
}

void FakeHidChannel::MarkReleased() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

// ---- FakeHidDeviceWatcher ----

FakeHidDeviceWatcher::FakeHidDeviceWatcher() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0) {
        throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    }
}

FakeHidDeviceWatcher::~FakeHidDeviceWatcher() {
    ::close(fd_);
}

int FakeHidDeviceWatcher::PollFd() const {
    return fd_;
}

std::vector<HidDeviceEvent> FakeHidDeviceWatcher::TakeEvents() {
    std::lock_guard lock(mutex_);
    std::uint64_t counter = 0;
    // Resets the eventfd; EAGAIN when nothing was pushed is fine.
    [[maybe_unused]] const ssize_t ignored = ::read(fd_, &counter, sizeof counter);
    return std::exchange(events_, {});
}

void FakeHidDeviceWatcher::Push(HidDeviceEvent event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(fd_, &one, sizeof one);
}

void FakeHidDeviceWatcher::PushArrival(std::string path) {
    Push({HidDeviceEvent::Kind::Arrival, std::move(path)});
}

void FakeHidDeviceWatcher::HangUp() {
    std::lock_guard lock(mutex_);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    }
    // A wait already under way holds the eventfd, not the number: wake it first, so that it
    // takes the events and finds the number hung up.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(fd_, &one, sizeof one);
    ::dup2(ends[0], fd_);
    ::close(ends[0]);
    ::close(ends[1]);
}

void FakeHidDeviceWatcher::PushRemoval(std::string path) {
    Push({HidDeviceEvent::Kind::Removal, std::move(path)});
}

namespace {

class FakeHidDeviceWatcherHandle final : public platform::HidDeviceWatcher {
public:
    explicit FakeHidDeviceWatcherHandle(std::shared_ptr<FakeHidDeviceWatcher> target)
        : target_(std::move(target)) {}
    int PollFd() const override { return target_->PollFd(); }
    std::vector<HidDeviceEvent> TakeEvents() override { return target_->TakeEvents(); }

private:
    std::shared_ptr<FakeHidDeviceWatcher> target_;
};

constexpr std::uint16_t kMouseVendorId = 0x18F8;
constexpr std::uint16_t kMouseProductId = 0x1286;

}  // namespace

// ---- FakeHidTransport ----

HidCollectionInfo FakeHidTransport::MouseReadCollection(std::string path,
                                                        std::size_t inputReportLength) {
    HidCollectionInfo info;
    info.path = std::move(path);
    info.vendorId = kMouseVendorId;
    info.productId = kMouseProductId;
    info.usagePage = 0xFF00;
    info.usage = 1;
    info.inputReportLength = inputReportLength;
    return info;
}

HidCollectionInfo FakeHidTransport::MouseWriteCollection(std::string path,
                                                         std::size_t featureReportLength) {
    HidCollectionInfo info;
    info.path = std::move(path);
    info.vendorId = kMouseVendorId;
    info.productId = kMouseProductId;
    info.usagePage = 0xFF01;
    info.usage = 1;
    info.featureReportLength = featureReportLength;
    return info;
}

std::vector<HidCollectionInfo> FakeHidTransport::Enumerate() {
    std::lock_guard lock(mutex_);
    ++enumerateCount_;
    return collections_;
}

std::unique_ptr<platform::HidChannel> FakeHidTransport::Open(const HidCollectionInfo& collection,
                                                             HidAccess access) {
    std::lock_guard lock(mutex_);
    OpenCall call{collection.path, access, nullptr};
    const bool present = std::any_of(collections_.begin(), collections_.end(),
                                     [&](const auto& c) { return c.path == collection.path; });
    const auto fails = openFails_.find(collection.path);
    if (!present || (fails != openFails_.end() && fails->second)) {
        openCalls_.push_back(std::move(call));
        return nullptr;
    }
    const auto preset = presets_.find({collection.path, access});
    if (preset != presets_.end()) {
        call.channel = std::move(preset->second);
        presets_.erase(preset);
    } else {
        call.channel = std::make_shared<FakeHidChannel>();
    }
    auto handle = FakeHidChannel::Handle(call.channel);
    openCalls_.push_back(std::move(call));
    return handle;
}

std::unique_ptr<platform::HidDeviceWatcher> FakeHidTransport::Watch() {
    return std::make_unique<FakeHidDeviceWatcherHandle>(watcher_);
}

void FakeHidTransport::SetCollections(std::vector<HidCollectionInfo> collections) {
    std::lock_guard lock(mutex_);
    collections_ = std::move(collections);
}

void FakeHidTransport::AddCollection(HidCollectionInfo collection) {
    std::lock_guard lock(mutex_);
    collections_.push_back(std::move(collection));
}

void FakeHidTransport::RemoveCollections(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::erase_if(collections_, [&](const auto& c) { return c.path == path; });
}

void FakeHidTransport::SetOpenFails(const std::string& path, bool fails) {
    std::lock_guard lock(mutex_);
    openFails_[path] = fails;
}

void FakeHidTransport::PresetChannel(const std::string& path, HidAccess access,
                                     std::shared_ptr<FakeHidChannel> channel) {
    std::lock_guard lock(mutex_);
    presets_[{path, access}] = std::move(channel);
}

std::vector<FakeHidTransport::OpenCall> FakeHidTransport::OpenCalls() const {
    std::lock_guard lock(mutex_);
    return openCalls_;
}

std::shared_ptr<FakeHidChannel> FakeHidTransport::LastChannel(const std::string& path,
                                                              HidAccess access) const {
    std::lock_guard lock(mutex_);
    for (auto it = openCalls_.rbegin(); it != openCalls_.rend(); ++it) {
        if (it->path == path && it->access == access && it->channel) {
            return it->channel;
        }
    }
    return nullptr;
}

std::size_t FakeHidTransport::EnumerateCount() const {
    std::lock_guard lock(mutex_);
    return enumerateCount_;
}

}  // namespace zel::test
