#include "macro/wake_lateness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace zel::macro {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

TEST(WakeLateness, LeadIsTheSmallestRecentLatenessOnceEnoughWereSeen) {
    struct Case {
        const char* what;
        std::vector<microseconds> latenesses;  // recorded in this order
        microseconds lead;
    };
    const Case cases[] = {
        {"none yet", {}, 0us},
        {"fewer than remembered", {3ms, 3ms, 3ms, 3ms, 3ms, 3ms, 3ms}, 0us},
        {"all alike", {3ms, 3ms, 3ms, 3ms, 3ms, 3ms, 3ms, 3ms}, 3ms},
        {"one stall among them", {2ms, 2ms, 2ms, 90ms, 2ms, 2ms, 2ms, 2ms}, 2ms},
        {"one on time among them", {9ms, 9ms, 0us, 9ms, 9ms, 9ms, 9ms, 9ms}, 0us},
        {"an on-time one forgotten", {0us, 9ms, 9ms, 9ms, 9ms, 9ms, 9ms, 9ms, 7ms}, 7ms},
        {"longer than the longest lead",
         {40ms, 40ms, 40ms, 40ms, 40ms, 40ms, 40ms, 40ms},
         WakeLateness::kLongestLead},
        {"an early wake-up counts as on time", {-5ms, 4ms, 4ms, 4ms, 4ms, 4ms, 4ms, 4ms}, 0us},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WakeLateness lateness;
        for (const microseconds l : c.latenesses) {
            lateness.Record(l);
        }
        EXPECT_EQ(lateness.Lead(), c.lead);
    }
}

}  // namespace
}  // namespace zel::macro
