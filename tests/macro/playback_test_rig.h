#pragma once

// What the playback tests share: a clock that runs a macro of many seconds in no time, and a
// rig of the two threads on fake HID channels with their model, store, launcher and config.ini.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/sleeper.h"
#include "macro/macro_record.h"
#include "macro/macro_store.h"
#include "macro/playback_clock.h"
#include "macro/playback_threads.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"
#include "settings/upload_derivations.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_launcher.h"

namespace zel::macro::testing {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using test::Bytes;

// Virtual time. A wait returns at once with the time moved on to its end, after running the
// alarms due up to then on the waiting thread (in time order, each seeing the time set to its
// own due time). It is also the DeviceLink's sleeper, so the pauses of ReleaseAll take virtual
// time too.
class FakePlaybackClock final : public PlaybackClock, public device::Sleeper {
public:
    static constexpr TimePoint kEpoch = TimePoint{} + std::chrono::hours(1);

    TimePoint Now() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    microseconds Elapsed() { return std::chrono::duration_cast<microseconds>(Now() - kEpoch); }

    bool SleepUntil(TimePoint deadline, std::stop_token stop) override {
        if (stop.stop_requested()) {
            return false;
        }
        {
            std::lock_guard lock(mutex_);
            stepWaits_.push_back(std::chrono::duration_cast<microseconds>(deadline - now_));
        }
        AdvanceTo(deadline + lateWake_.exchange(microseconds{0}));
        return !stop.stop_requested();
    }

    // The next SleepUntil wakes this much after its deadline (the thread was not scheduled).
    void WakeLateOnce(microseconds lateness) { lateWake_ = lateness; }

    void SleepFor(milliseconds duration) override {
        {
            std::lock_guard lock(mutex_);
            pauses_.push_back(duration);
        }
        Advance(duration);
    }

    // Moves the time on, running the alarms due meanwhile.
    void Advance(std::chrono::nanoseconds duration) { AdvanceTo(Now() + duration); }

    // Runs `action` on the thread whose wait reaches `at` (virtual time since the start).
    void At(microseconds at, std::function<void()> action) {
        std::lock_guard lock(mutex_);
        alarms_.emplace(kEpoch + at, std::move(action));
    }

    // How long each SleepUntil waited (deadline minus the time of the call).
    std::vector<microseconds> StepWaits() {
        std::lock_guard lock(mutex_);
        return stepWaits_;
    }
    // The pauses taken through the Sleeper interface (ReleaseAll).
    std::vector<milliseconds> Pauses() {
        std::lock_guard lock(mutex_);
        return pauses_;
    }

private:
    void AdvanceTo(TimePoint target) {
        for (;;) {
            std::function<void()> action;
            {
                std::lock_guard lock(mutex_);
                if (alarms_.empty() || alarms_.begin()->first > target) {
                    now_ = std::max(now_, target);
                    return;
                }
                auto due = alarms_.begin();
                now_ = std::max(now_, due->first);
                action = std::move(due->second);
                alarms_.erase(due);
            }
            action();
        }
    }

    std::mutex mutex_;
    TimePoint now_ = kEpoch;
    std::multimap<TimePoint, std::function<void()>> alarms_;
    std::atomic<microseconds> lateWake_{microseconds{0}};
    std::vector<microseconds> stepWaits_;
    std::vector<milliseconds> pauses_;
};

// A report the mouse received, with the virtual time it was sent.
struct SentReport {
    microseconds at;
    Bytes bytes;
};

struct StepSpec {
    std::uint8_t code;
    std::uint8_t action;
    std::uint16_t delay;
};

inline MacroRecord MakeMacro(const std::vector<StepSpec>& steps, std::uint8_t repeatOn = 0,
                             std::uint16_t repeatCount = 1) {
    MacroRecord record{};
    record.name[0] = u'M';
    record.repeatOn = repeatOn;
    record.repeatCount.Set(repeatCount);
    record.stepCount = static_cast<std::uint8_t>(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        record.steps[k] = {steps[k].code, steps[k].action};
        record.delays[k].Set(steps[k].delay);
    }
    return record;
}

inline constexpr std::size_t kReportLength = 8;

// RPT_KEYS with the given slots, as the mouse receives it.
inline Bytes KeysReport(std::vector<std::uint8_t> slots = {}) {
    Bytes report(kReportLength, 0);
    report[0] = 0x07;
    report[1] = 0x15;
    std::copy(slots.begin(), slots.end(), report.begin() + 2);
    return report;
}

// The two threads on fake channels (report length 8), with a temporary config.ini.
class PlaybackRig {
public:
    // With realClock the step delays are really waited (the ReleaseAll pauses as well).
    explicit PlaybackRig(bool realClock = false)
        : link_(realClock ? std::make_unique<device::DeviceLink>()
                          : std::make_unique<device::DeviceLink>(clock)),
          realClock_(realClock) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zel-playback-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            dir = pattern;
        }
        configPath = dir / "config.ini";
        output->SetSendHook([this](std::span<const std::uint8_t> report) {
            const microseconds at = realClock_ ? RealElapsed() : clock.Elapsed();
            {
                std::lock_guard lock(sentMutex_);
                sent_.push_back({at, Bytes(report.begin(), report.end())});
            }
            const microseconds cost = sendCost_.load();
            if (cost.count() > 0) {
                clock.Advance(cost);
            }
        });
        services_ = std::make_unique<PlaybackServices>(
            PlaybackServices{*link_, profile, macros, launcher, configPath,
                             [this] { return currentProfile.load(); }, [this] { ++repaints; }});
        threads = realClock ? std::make_unique<PlaybackThreads>(*services_)
                            : std::make_unique<PlaybackThreads>(*services_, clock);
    }

    ~PlaybackRig() {
        threads.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    device::DeviceLink& link() { return *link_; }
    PlaybackState& state() { return threads->state(); }

    void AttachChannels() {
        ASSERT_TRUE(link_->AttachReadChannel(test::FakeHidChannel::Handle(input), kReportLength));
        ASSERT_TRUE(link_->AttachWriteChannel(test::FakeHidChannel::Handle(output), kReportLength));
    }

    // Channels attached, button functions set (flags derived as the upload would), threads
    // running and the reader blocked on the channel.
    void Start(const std::array<std::int32_t, 6>& functions = {1, 2, 3, 4, 5, 6}) {
        AttachChannels();
        SetFunctions(functions);
        threads->Start();
        ASSERT_TRUE(input->WaitForBlockedReader(kWait));
    }

    void SetFunctions(const std::array<std::int32_t, 6>& functions) {
        for (std::size_t i = 0; i < functions.size(); ++i) {
            profile.K[i] = functions[i];
            profile.reportsDpiLevel[i] = settings::ReportsDpiLevel(functions[i]);
            profile.cyclesUsbSpeed[i] = settings::CyclesUsbSpeed(functions[i]);
        }
    }

    // Hands a report to the reader and waits until it has dealt with it (it is blocked on the
    // channel again).
    void Feed(Bytes report) {
        input->PushInputReport(std::move(report));
        ASSERT_TRUE(input->WaitForBlockedReader(kWait)) << "the reader did not take the report";
    }
    // Mouse button numbers 1 ... 6.
    void Press(int button, std::uint8_t value = 0x01) {
        Feed({0x06, static_cast<std::uint8_t>(0xF0 + button), value});
    }
    void Release(int button) { Feed({0x06, static_cast<std::uint8_t>(0xF0 + button), 0x80}); }

    // Waits until no request is waiting or being played.
    bool WaitIdle(std::chrono::milliseconds timeout = kWait) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (state().playRequest.load() != 0) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    }

    // Press and release of a button, then idle.
    void Click(int button, std::uint8_t value = 0x01) {
        Press(button, value);
        Release(button);
        ASSERT_TRUE(WaitIdle());
    }

    std::vector<SentReport> Sent() {
        std::lock_guard lock(sentMutex_);
        return sent_;
    }
    std::vector<Bytes> SentBytes() {
        std::vector<Bytes> out;
        for (const SentReport& r : Sent()) {
            out.push_back(r.bytes);
        }
        return out;
    }
    void ClearSent() {
        std::lock_guard lock(sentMutex_);
        sent_.clear();
    }
    // Every send takes this much virtual time (after the report is stamped).
    void SetSendCost(microseconds cost) { sendCost_ = cost; }

    std::string ConfigValue(std::string_view key) {
        return ini::ReadString(configPath, "Config" + std::to_string(currentProfile.load()), key);
    }

    static constexpr std::chrono::milliseconds kWait{5000};

    FakePlaybackClock clock;
    std::shared_ptr<test::FakeHidChannel> input = std::make_shared<test::FakeHidChannel>();
    std::shared_ptr<test::FakeHidChannel> output = std::make_shared<test::FakeHidChannel>();
    settings::ProfileSettings profile;
    MacroStore macros;
    test::FakeLauncher launcher;
    std::filesystem::path dir;
    std::filesystem::path configPath;
    std::atomic<int> repaints{0};
    std::atomic<std::int32_t> currentProfile{1};
    std::unique_ptr<PlaybackThreads> threads;

private:
    microseconds RealElapsed() const {
        return std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() -
                                                        realStart_);
    }

    std::unique_ptr<device::DeviceLink> link_;
    std::unique_ptr<PlaybackServices> services_;
    bool realClock_ = false;
    std::chrono::steady_clock::time_point realStart_ = std::chrono::steady_clock::now();
    std::atomic<microseconds> sendCost_{microseconds{0}};
    std::mutex sentMutex_;
    std::vector<SentReport> sent_;
};

// The command byte of each report.
inline std::vector<std::uint8_t> Commands(const std::vector<SentReport>& reports) {
    std::vector<std::uint8_t> out;
    for (const SentReport& r : reports) {
        out.push_back(r.bytes.size() > 1 ? r.bytes[1] : 0);
    }
    return out;
}

// Number of ReleaseAll pairs: an RPT_MOUSE_BUTTONS with all three buttons up directly followed
// by an RPT_KEYS with no key.
inline int ReleaseAllCount(const std::vector<SentReport>& reports) {
    int count = 0;
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        const Bytes& a = reports[i].bytes;
        const Bytes& b = reports[i + 1].bytes;
        if (a.size() > 3 && a[1] == 0x16 && (a[3] & 0x07) == 0x07 && b == KeysReport()) {
            ++count;
        }
    }
    return count;
}

}  // namespace zel::macro::testing
