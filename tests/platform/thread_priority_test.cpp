// The scheduling chooser: which step it takes when the system allows or refuses each, and what
// it logs for the two playback threads.

#include "platform/thread_priority.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace zel::platform {
namespace {

// Allows the steps it is told to, and records every call with its argument.
class FakeSchedulingCalls final : public SchedulingCalls {
public:
    FakeSchedulingCalls(bool fifo, bool realtimeKit, bool nice, bool slice = false) {
        Allow(fifo, realtimeKit, nice, slice);
    }
    void Allow(bool fifo, bool realtimeKit, bool nice, bool slice = false) {
        fifo_ = fifo;
        realtimeKit_ = realtimeKit;
        nice_ = nice;
        slice_ = slice;
    }
    bool SetFifo(int priority) override {
        calls.push_back("fifo " + std::to_string(priority));
        return fifo_;
    }
    RealtimeKitAnswer AskRealtimeKit(int priority) override {
        calls.push_back("rtkit " + std::to_string(priority));
        return {realtimeKit_, realtimeKit_ ? std::string() : refusal};
    }
    std::string refusal;  // RealtimeKit's reason when it says no; empty: no RealtimeKit
    bool SetNice(int nice) override {
        calls.push_back("nice " + std::to_string(nice));
        return nice_;
    }
    bool SetSliceUs(std::uint64_t sliceUs) override {
        calls.push_back("slice " + std::to_string(sliceUs));
        return slice_;
    }
    std::vector<std::string> calls;

private:
    bool fifo_ = false;
    bool realtimeKit_ = false;
    bool nice_ = false;
    bool slice_ = false;
};

TEST(RaiseCurrentThread, TakesTheFirstStepTheSystemAllows) {
    struct Case {
        const char* what;
        bool fifo, realtimeKit, nice, slice;
        ThreadSchedule expected;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"root or CAP_SYS_NICE: SCHED_FIFO directly",
         true,
         true,
         true,
         true,
         ThreadSchedule::Fifo,
         {"fifo 5"}},
        {"an ordinary user with RealtimeKit",
         false,
         true,
         true,
         true,
         ThreadSchedule::RealtimeKit,
         {"fifo 5", "rtkit 5"}},
        {"no real-time, a nice limit",
         false,
         false,
         true,
         true,
         ThreadSchedule::RaisedNice,
         {"fifo 5", "rtkit 5", "nice -10"}},
        {"an ordinary user: a short time slice at normal priority",
         false,
         false,
         false,
         true,
         ThreadSchedule::ShortSlice,
         {"fifo 5", "rtkit 5", "nice -10", "slice 500"}},
        {"nothing allowed (a kernel without chosen slices)",
         false,
         false,
         false,
         false,
         ThreadSchedule::Normal,
         {"fifo 5", "rtkit 5", "nice -10", "slice 500"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSchedulingCalls calls(c.fifo, c.realtimeKit, c.nice, c.slice);
        EXPECT_EQ(RaiseCurrentThread(calls), c.expected);
        EXPECT_EQ(calls.calls, c.calls);
    }
}

TEST(ThreadPriority, SaysOnceWhatBothThreadsGotAndAgainOnlyWhenOneGetsSomethingElse) {
    FakeSchedulingCalls calls(false, false, true);
    std::vector<std::string> lines;
    ThreadPriority priority(calls, [&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(priority.RaiseCurrentThread("input reader"), ThreadSchedule::RaisedNice);
    EXPECT_EQ(priority.RaiseCurrentThread("macro player"), ThreadSchedule::RaisedNice);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("nice -10"), std::string::npos) << lines[0];

    // The limit changed between the two threads: the second one's line names it.
    calls.Allow(false, false, false);
    EXPECT_EQ(priority.RaiseCurrentThread("macro player"), ThreadSchedule::Normal);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("macro player"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("normal priority"), std::string::npos) << lines[1];
}

// The real call on the calling thread; the slice is read back where the
// kernel keeps it (before 6.12 it is not kept, and the test has nothing to check).
TEST(ThreadPriority, TheShortSliceIsTheCallingThreads) {
    std::thread([] {
        LinuxSchedulingCalls calls;
        ASSERT_TRUE(calls.SetSliceUs(kShortSliceUs));
        const std::optional<std::uint64_t> slice = CurrentThreadSliceUs();
        ASSERT_TRUE(slice.has_value());
        if (*slice != 0) {
            EXPECT_EQ(*slice, kShortSliceUs);
        }
    }).join();
}

TEST(ThreadPriority, WithoutARealtimeKitClientTheLinuxCallsSkipThatStep) {
    LinuxSchedulingCalls calls;
    const RealtimeKitAnswer answer = calls.AskRealtimeKit(kRealtimePriority);
    EXPECT_FALSE(answer.granted);
    EXPECT_EQ(answer.refusal, "");
}

// A refusal is said with RealtimeKit's own reason, whatever the thread got instead; without
// RealtimeKit the line stays as it was.
TEST(ThreadPriority, SaysThatRealtimeKitRefusedAndWhy) {
    struct Case {
        const char* refusal;
        bool nice, slice;
        const char* line;
    } cases[] = {
        {"Operation not permitted", false, true,
         "input reader and macro player threads: normal priority with a 500 us time slice "
         "(RealtimeKit refused: Operation not permitted)"},
        {"Operation not permitted", false, false,
         "input reader and macro player threads: normal priority (RealtimeKit refused: "
         "Operation not permitted)"},
        {"Operation not permitted", true, true,
         "input reader and macro player threads: nice -10 (RealtimeKit refused: Operation not "
         "permitted)"},
        {"", false, true,
         "input reader and macro player threads: normal priority with a 500 us time slice "
         "(neither real-time scheduling nor a raised nice value allowed)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        FakeSchedulingCalls calls(false, false, c.nice, c.slice);
        calls.refusal = c.refusal;
        std::vector<std::string> lines;
        ThreadPriority priority(calls, [&](std::string_view line) { lines.emplace_back(line); });
        priority.RaiseCurrentThread("input reader");
        priority.RaiseCurrentThread("macro player");
        EXPECT_EQ(lines, std::vector<std::string>{c.line});
    }
}

}  // namespace
}  // namespace zel::platform
