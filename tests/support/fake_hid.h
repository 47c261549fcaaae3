#pragma once

// Recording fakes of the HID platform interfaces (platform/hid_transport.h) for tests.
//
// FakeHidChannel      one open channel: records every feature report sent (a copy of its
//                     bytes), plays back scripted input reports, can be told to fail sends,
//                     to fail reads, or to behave as an unplugged device.
// FakeHidTransport    a scripted list of collections, per-path open failures, and a record of
//                     every Open() call with the channel it handed out.
// FakeHidDeviceWatcher arrival/removal events that tests push; its PollFd() is an eventfd that
//                     is readable while events are waiting.
//
// Code under test takes ownership of channels and watchers as std::unique_ptr, while a test
// wants to keep inspecting them. So the fakes are shared objects, and what the code under test
// receives is a thin handle forwarding to them (FakeHidChannel::Handle, FakeHidTransport::Open,
// FakeHidTransport::Watch). A fake stays valid as long as the test holds its shared_ptr, even
// after the code under test destroyed the handle; HandleReleased() tells that it did.
//
// Every member function is thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/hid_transport.h"

namespace zel::test {

using Bytes = std::vector<std::uint8_t>;

class FakeHidChannel final : public platform::HidChannel {
public:
    FakeHidChannel() = default;
    FakeHidChannel(const FakeHidChannel&) = delete;
    FakeHidChannel& operator=(const FakeHidChannel&) = delete;

    // A unique_ptr<HidChannel> for the code under test that forwards to `channel`. Destroying
    // it marks the channel released (it does not cancel reads: a real close would, but code
    // that closes a channel another thread reads from is wrong anyway).
    static std::unique_ptr<platform::HidChannel> Handle(std::shared_ptr<FakeHidChannel> channel);

    // ---- platform::HidChannel ----
    // Records a copy of the report, then returns false when a failure is scripted or the
    // device is disconnected (failed sends are recorded too: see SentReports).
    bool SendFeatureReport(std::span<const std::uint8_t> report) override;
    // Blocks until a scripted input report, a scripted read failure, Cancel() or Disconnect().
    // A report longer than `buffer` is cut to the buffer but its full length is returned, so
    // callers must cope with a length above their buffer.
    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) override;
    void Cancel() override;

    // ---- Sending ----
    // Every report passed to SendFeatureReport, in order, including refused ones.
    std::vector<Bytes> SentReports() const;
    std::size_t SentCount() const;
    // Only the reports the channel accepted.
    std::vector<Bytes> AcceptedReports() const;
    void ClearSent();
    // Every later send fails (true) or succeeds again (false).
    void SetSendFails(bool fails);
    // The next `count` sends fail, later ones succeed.
    void FailNextSends(std::size_t count);
    // Called with each report on the sending thread before it is recorded, without any lock of
    // the fake held: a test can delay a send here or check what else is going on.
    void SetSendHook(std::function<void(std::span<const std::uint8_t>)> hook);

    // ---- Reading ----
    void PushInputReport(Bytes report);
    // The next read (after the reports pushed before) fails as on a read error.
    void PushReadFailure();
    // Waits until a thread is blocked in ReadInputReport with nothing to read; false on timeout.
    bool WaitForBlockedReader(std::chrono::milliseconds timeout) const;
    std::size_t PendingInputReports() const;
    bool IsCancelled() const;

    // ---- Device ----
    // Behaves as an unplugged device: every send fails and every read fails at once, a
    // blocked read included.
    void Disconnect();
    bool IsDisconnected() const;
    bool HandleReleased() const;

private:
    friend class FakeHidChannelHandle;
    void MarkReleased();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::pair<Bytes, bool>> sent_;  // report, accepted
    bool sendFails_ = false;
    std::size_t failNext_ = 0;
    std::function<void(std::span<const std::uint8_t>)> sendHook_;
    std::deque<std::optional<Bytes>> inputs_;  // nullopt = a read failure
    std::size_t blockedReaders_ = 0;
    bool cancelled_ = false;
    bool disconnected_ = false;
    bool released_ = false;
};

class FakeHidDeviceWatcher final : public platform::HidDeviceWatcher {
public:
    FakeHidDeviceWatcher();
    ~FakeHidDeviceWatcher() override;
    FakeHidDeviceWatcher(const FakeHidDeviceWatcher&) = delete;
    FakeHidDeviceWatcher& operator=(const FakeHidDeviceWatcher&) = delete;

    // An eventfd, readable while events wait to be taken.
    int PollFd() const override;
    // All waiting events in the order pushed; makes PollFd unreadable again. Never blocks.
    std::vector<platform::HidDeviceEvent> TakeEvents() override;

    void Push(platform::HidDeviceEvent event);
    void PushArrival(std::string path);
    void PushRemoval(std::string path);
    // The source of events goes away: PollFd keeps its number but polls as hung up from now on
    // (a pipe without writer), as the virtual mouse's socket does when its simulator ends; a
    // wait already under way wakes.
    void HangUp();

private:
    mutable std::mutex mutex_;
    std::vector<platform::HidDeviceEvent> events_;
    int fd_ = -1;
};

class FakeHidTransport final : public platform::HidTransport {
public:
    // The mouse's two vendor collections (vendor 0x18F8, product 0x1286).
    static platform::HidCollectionInfo MouseReadCollection(std::string path,
                                                           std::size_t inputReportLength = 8);
    static platform::HidCollectionInfo MouseWriteCollection(std::string path,
                                                            std::size_t featureReportLength = 8);

    // ---- platform::HidTransport ----
    std::vector<platform::HidCollectionInfo> Enumerate() override;
    // nullptr when the path is not among the collections or an open failure is scripted for
    // it; otherwise a handle to the channel preset for (path, access) or to a new one.
    std::unique_ptr<platform::HidChannel> Open(const platform::HidCollectionInfo& collection,
                                               platform::HidAccess access) override;
    // A handle to Watcher(); may be called more than once.
    std::unique_ptr<platform::HidDeviceWatcher> Watch() override;

    // ---- Script ----
    void SetCollections(std::vector<platform::HidCollectionInfo> collections);
    void AddCollection(platform::HidCollectionInfo collection);
    // Removes every collection with this path (the device is gone).
    void RemoveCollections(const std::string& path);
    // Opens of `path` fail (for both kinds of access) or succeed again.
    void SetOpenFails(const std::string& path, bool fails = true);
    // The channel the next successful Open(path, access) hands out; without one Open creates
    // a fresh FakeHidChannel.
    void PresetChannel(const std::string& path, platform::HidAccess access,
                       std::shared_ptr<FakeHidChannel> channel);

    // ---- Record ----
    struct OpenCall {
        std::string path;
        platform::HidAccess access = platform::HidAccess::Read;
        std::shared_ptr<FakeHidChannel> channel;  // null when the open failed
    };
    std::vector<OpenCall> OpenCalls() const;
    // The channel of the latest successful Open(path, access), or null.
    std::shared_ptr<FakeHidChannel> LastChannel(const std::string& path,
                                                platform::HidAccess access) const;
    std::size_t EnumerateCount() const;
    std::shared_ptr<FakeHidDeviceWatcher> Watcher() const { return watcher_; }

private:
    mutable std::mutex mutex_;
    std::vector<platform::HidCollectionInfo> collections_;
    std::map<std::string, bool> openFails_;
    std::map<std::pair<std::string, platform::HidAccess>, std::shared_ptr<FakeHidChannel>> presets_;
    std::vector<OpenCall> openCalls_;
    std::size_t enumerateCount_ = 0;
    std::shared_ptr<FakeHidDeviceWatcher> watcher_ = std::make_shared<FakeHidDeviceWatcher>();
};

}  // namespace zel::test
