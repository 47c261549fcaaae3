#pragma once

#include <mutex>
#include <vector>

#include "platform/launcher.h"

namespace zel::test {

// Records each program the code under test asked for, without starting anything.
class FakeLauncher final : public platform::Launcher {
public:
    bool Start(platform::HostProgram program) override {
        std::lock_guard lock(mutex_);
        started_.push_back(program);
        return available;
    }
    std::vector<platform::HostProgram> Started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }

    bool available = true;  // false: as if no such program were installed

private:
    mutable std::mutex mutex_;
    std::vector<platform::HostProgram> started_;
};

}  // namespace zel::test
