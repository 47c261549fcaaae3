#pragma once

// Waits taken by the report protocol (the pauses of ReleaseAll) go through this interface so
// that tests can record them instead of waiting.

#include <chrono>

namespace zel::device {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepFor(std::chrono::milliseconds duration) = 0;
};

// Really waits.
class SystemSleeper final : public Sleeper {
public:
    void SleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace zel::device
