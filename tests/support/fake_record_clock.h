#pragma once

#include <cstdint>

#include "macro/recorder.h"

namespace zel::test {

// A recording clock the test sets by hand: milliseconds since midnight UTC.
class FakeRecordClock final : public macro::RecordClock {
public:
    std::int64_t MillisecondsSinceMidnightUtc() override { return now; }
    std::int64_t now = 0;
};

}  // namespace zel::test
