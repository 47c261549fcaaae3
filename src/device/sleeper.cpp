#include "device/sleeper.h"

#include <thread>

namespace zel::device {

void SystemSleeper::SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace zel::device
