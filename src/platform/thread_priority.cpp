#include "platform/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

namespace zel::platform {

std::string DescribeSchedule(ThreadSchedule schedule, std::string_view refusal) {
    const std::string why = refusal.empty() ? std::string(
                                                  "neither real-time scheduling nor a raised nice "
                                                  "value allowed")
                                            : "RealtimeKit refused: " + std::string(refusal);
    switch (schedule) {
        case ThreadSchedule::Fifo:
            return "SCHED_FIFO priority " + std::to_string(kRealtimePriority);
        case ThreadSchedule::RealtimeKit:
            return "SCHED_RR priority " + std::to_string(kRealtimePriority) +
                   " through RealtimeKit";
        case ThreadSchedule::RaisedNice:
            return "nice " + std::to_string(kRaisedNice) +
                   (refusal.empty() ? std::string(" (real-time scheduling not allowed)")
                                    : " (" + why + ")");
        case ThreadSchedule::ShortSlice:
            return "normal priority with a " + std::to_string(kShortSliceUs) + " us time slice (" +
                   why + ")";
        case ThreadSchedule::Normal:
            break;
    }
    return "normal priority (" + why + ")";
}

LinuxSchedulingCalls::LinuxSchedulingCalls(RealtimeKitCall realtimeKit)
    : realtimeKit_(std::move(realtimeKit)) {}

namespace {

// Caps the CPU time a real-time thread may take without blocking (RLIMIT_RTTIME): a thread that
// spun by mistake would be stopped by SIGXCPU instead of holding a core. RealtimeKit requires
// the cap.
bool CapRealtimeCpuTime() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_RTTIME, &limit) != 0) {
        return false;
    }
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kRealtimeCpuLimitUs) {
        limit.rlim_max = kRealtimeCpuLimitUs;
    }
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

// The kernel's struct sched_attr as first published (its header clashes with <sched.h>).
struct KernelSchedAttr {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtimeNs;
    std::uint64_t deadlineNs;
    std::uint64_t periodNs;
};
static_assert(sizeof(KernelSchedAttr) == 48);
constexpr std::uint64_t kResetOnForkFlag = 0x01;  // SCHED_FLAG_RESET_ON_FORK

}  // namespace

bool LinuxSchedulingCalls::SetFifo(int priority) {
    CapRealtimeCpuTime();
    sched_param param{};
    param.sched_priority = priority;
    // SCHED_RESET_ON_FORK: programs the player starts (calculator, terminal) run normally.
    return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

RealtimeKitAnswer LinuxSchedulingCalls::AskRealtimeKit(int priority) {
    if (!realtimeKit_ || !CapRealtimeCpuTime()) {
        return {};
    }
    return realtimeKit_(static_cast<std::uint64_t>(::gettid()),
                        static_cast<std::uint32_t>(priority));
}

bool LinuxSchedulingCalls::SetNice(int nice) {
    // On Linux the nice value is per thread: PRIO_PROCESS with a thread ID sets that thread.
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice) == 0;
}

std::optional<std::uint64_t> CurrentThreadSliceUs() {
    KernelSchedAttr attr{};
    if (::syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0U) != 0) {
        return std::nullopt;
    }
    return attr.runtimeNs / 1000;
}

bool LinuxSchedulingCalls::SetSliceUs(std::uint64_t sliceUs) {
    // For SCHED_OTHER, the runtime is the thread's slice; older kernels ignore it (the call
    // then succeeds without effect) or refuse it.
    KernelSchedAttr attr{};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;
    attr.flags = kResetOnForkFlag;
    attr.runtimeNs = sliceUs * 1000;
    return ::syscall(SYS_sched_setattr, 0, &attr, 0U) == 0;
}

ThreadSchedule RaiseCurrentThread(SchedulingCalls& calls, std::string* refusal) {
    if (calls.SetFifo(kRealtimePriority)) {
        return ThreadSchedule::Fifo;
    }
    RealtimeKitAnswer answer = calls.AskRealtimeKit(kRealtimePriority);
    if (answer.granted) {
        return ThreadSchedule::RealtimeKit;
    }
    if (refusal != nullptr) {
        *refusal = std::move(answer.refusal);
    }
    if (calls.SetNice(kRaisedNice)) {
        return ThreadSchedule::RaisedNice;
    }
    if (calls.SetSliceUs(kShortSliceUs)) {
        return ThreadSchedule::ShortSlice;
    }
    return ThreadSchedule::Normal;
}

ThreadPriority::ThreadPriority(SchedulingCalls& calls, Log log)
    : calls_(calls), log_(std::move(log)) {}

std::shared_ptr<ThreadPriority> ThreadPriority::ForLinux(RealtimeKitCall realtimeKit) {
    auto calls = std::make_unique<LinuxSchedulingCalls>(std::move(realtimeKit));
    auto priority = std::make_shared<ThreadPriority>(*calls);
    priority->ownCalls_ = std::move(calls);
    return priority;
}

ThreadSchedule ThreadPriority::RaiseCurrentThread(std::string_view threadName) {
    std::string refusal;
    const ThreadSchedule schedule = platform::RaiseCurrentThread(calls_, &refusal);
    std::lock_guard lock(mutex_);
    if (logged_ == schedule && loggedRefusal_ == refusal) {
        return schedule;
    }
    const std::string line = std::string(logged_ ? std::string(threadName) + " thread"
                                                 : "input reader and macro player threads") +
                             ": " + DescribeSchedule(schedule, refusal);
    logged_ = schedule;
    loggedRefusal_ = refusal;
    if (log_) {
        log_(line);
    } else {
        std::fprintf(stderr, "ZEL_GMouse: %s\n", line.c_str());
    }
    return schedule;
}

}  // namespace zel::platform
