#pragma once

// Scheduling for the threads whose timing the user feels (the input reader and the macro
// player): real-time where the system allows it, the way Linux desktop programs ask for it.
//
// The calling thread is raised with the first of these that is allowed:
//   1. SCHED_FIFO at a low priority directly (root, CAP_SYS_NICE, or an rtprio limit);
//   2. RealtimeKit over the system bus (MakeThreadRealtime; RLIMIT_RTTIME is set first, as
//      the daemon requires);
//   3. a raised nice value (CAP_SYS_NICE or a nice limit);
//   4. otherwise it stays at normal priority with a short time slice (sched_setattr on a kernel
//      that lets a thread choose its slice, 6.12 and later; no rights needed): a thread with a
//      shorter slice is run as soon as it wakes instead of waiting for the running one's turn
//      to end, which is what a player that sleeps between steps needs on a busy machine;
//   5. failing that, plain normal priority.
// A real-time thread must block in every wait; none of the raised threads ever spins.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zel::platform {

// Real-time priority asked for: above every normal thread, below audio servers (RealtimeKit
// allows up to 20 by default).
inline constexpr int kRealtimePriority = 5;
// Nice value asked for when real-time scheduling is not allowed.
inline constexpr int kRaisedNice = -10;
// Time slice asked for at normal priority, in microseconds: far below the kernel's default (a few
// ms), far above what a worker thread runs between two waits.
inline constexpr std::uint64_t kShortSliceUs = 500;
// CPU time a real-time thread may use without blocking, in microseconds (RLIMIT_RTTIME, set
// for the process before a thread becomes real-time); RealtimeKit refuses processes whose
// limit is above its own maximum (200 ms by default).
inline constexpr std::uint64_t kRealtimeCpuLimitUs = 200'000;

enum class ThreadSchedule { Fifo, RealtimeKit, RaisedNice, ShortSlice, Normal };

// What RealtimeKit answered: granted; or not, with its reason when it refused (its D-Bus error
// message), empty when there was nobody to ask (no system bus, no RealtimeKit).
struct RealtimeKitAnswer {
    bool granted = false;
    std::string refusal;
};

// "SCHED_FIFO priority 5" and the like, for the log. With `refusal`, a schedule below
// real-time says that RealtimeKit refused and why.
std::string DescribeSchedule(ThreadSchedule schedule, std::string_view refusal = {});

// The system calls behind the choice; tests replace them. Each acts on the calling thread and
// returns false when the system refuses.
class SchedulingCalls {
public:
    virtual ~SchedulingCalls() = default;
    virtual bool SetFifo(int priority) = 0;
    virtual RealtimeKitAnswer AskRealtimeKit(int priority) = 0;
    virtual bool SetNice(int nice) = 0;
    virtual bool SetSliceUs(std::uint64_t sliceUs) = 0;
};

// MakeThreadRealtime(thread ID, priority) on org.freedesktop.RealtimeKit1
// (MakeThreadRealtimeThroughRealtimeKit in realtime_kit.h).
using RealtimeKitCall =
    std::function<RealtimeKitAnswer(std::uint64_t threadId, std::uint32_t priority)>;

// The real calls: pthread_setschedparam, setrlimit + `realtimeKit`, setpriority,
// sched_setattr.
class LinuxSchedulingCalls final : public SchedulingCalls {
public:
    // Without `realtimeKit` the RealtimeKit step is skipped.
    explicit LinuxSchedulingCalls(RealtimeKitCall realtimeKit = {});
    bool SetFifo(int priority) override;
    RealtimeKitAnswer AskRealtimeKit(int priority) override;
    bool SetNice(int nice) override;
    bool SetSliceUs(std::uint64_t sliceUs) override;

private:
    RealtimeKitCall realtimeKit_;
};

// The calling thread's time slice as the kernel keeps it (0: the default); nullopt when it
// cannot be read.
std::optional<std::uint64_t> CurrentThreadSliceUs();

// Raises the calling thread with the first step allowed; returns what it got. `refusal` (may be
// null) gets RealtimeKit's reason when it refused.
ThreadSchedule RaiseCurrentThread(SchedulingCalls& calls, std::string* refusal = nullptr);

// What the playback threads call first thing. Says what was obtained once (and again only if a
// later thread gets something else). Thread-safe.
class ThreadPriority {
public:
    using Log = std::function<void(std::string_view)>;
    // `calls` must outlive this object. Without `log` the lines go to standard error.
    explicit ThreadPriority(SchedulingCalls& calls, Log log = {});
    // Owns Linux calls with this RealtimeKit client (may be empty).
    static std::shared_ptr<ThreadPriority> ForLinux(RealtimeKitCall realtimeKit = {});

    ThreadSchedule RaiseCurrentThread(std::string_view threadName);

private:
    std::unique_ptr<SchedulingCalls> ownCalls_;
    SchedulingCalls& calls_;
    Log log_;
    std::mutex mutex_;
    std::optional<ThreadSchedule> logged_;
    std::string loggedRefusal_;
};

}  // namespace zel::platform
