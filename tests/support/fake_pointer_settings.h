#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/pointer_settings.h"

namespace zel::test {

// Records every call in order ("GetPointerSpeed", "SetPointerSpeed 10", ...). A read can be
// made to fail, as a system that cannot tell its setting would. The values are public so that
// a test sees what the desktop is left with.
class FakePointerSettings final : public platform::PointerSettings {
public:
    std::optional<int> GetPointerSpeed() override {
        std::lock_guard lock(mutex_);
        calls_.push_back("GetPointerSpeed");
        return pointerSpeedReadable ? std::optional(pointerSpeed) : std::nullopt;
    }
    void SetPointerSpeed(int speed) override {
        std::lock_guard lock(mutex_);
        calls_.push_back("SetPointerSpeed " + std::to_string(speed));
        if (!speedBeforeChange_) {
            speedBeforeChange_ = pointerSpeed;
        }
        pointerSpeed = speed;
    }
    std::optional<int> GetWheelScrollLines() override {
        std::lock_guard lock(mutex_);
        calls_.push_back("GetWheelScrollLines");
        return wheelLinesReadable ? std::optional(wheelLines) : std::nullopt;
    }
    void SetWheelScrollLines(int lines) override {
        std::lock_guard lock(mutex_);
        calls_.push_back("SetWheelScrollLines " + std::to_string(lines));
        if (!wheelLinesBeforeChange_) {
            wheelLinesBeforeChange_ = wheelLines;
        }
        wheelLines = lines;
    }
    // Like the desktop's: each value set goes back to the one before the first Set.
    void RestoreDesktopValues() override {
        std::lock_guard lock(mutex_);
        calls_.push_back("RestoreDesktopValues");
        if (speedBeforeChange_) {
            pointerSpeed = *std::exchange(speedBeforeChange_, std::nullopt);
        }
        if (wheelLinesBeforeChange_) {
            wheelLines = *std::exchange(wheelLinesBeforeChange_, std::nullopt);
        }
    }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // Only the Set calls, the ones that change the system.
    std::vector<std::string> Writes() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> writes;
        for (const auto& call : calls_) {
            if (call.starts_with("Set")) {
                writes.push_back(call);
            }
        }
        return writes;
    }

    // Set these before handing the fake out.
    int pointerSpeed = platform::kDefaultPointerSpeed;
    int wheelLines = platform::kDefaultWheelScrollLines;
    bool pointerSpeedReadable = true;
    bool wheelLinesReadable = true;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::optional<int> speedBeforeChange_;
    std::optional<int> wheelLinesBeforeChange_;
};

}  // namespace zel::test
