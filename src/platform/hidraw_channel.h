#pragma once

#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/hid_transport.h"
#include "platform/outcome.h"
#include "platform/unique_fd.h"
#include "platform/wake_up_event.h"

namespace zel::platform {

struct HidrawChannelOptions {
    HidAccess access = HidAccess::Read;
    // Input reports whose first byte is not one of these IDs belong to another collection of
    // the same node and are skipped. Without report IDs every report is delivered.
    bool filterInputReportIds = false;
    std::bitset<256> inputReportIds;
    // Longest feature report the collection declares; longer or empty sends are refused.
    std::size_t featureReportLength = 0;
};

// Takes the exclusive advisory lock (flock) of the one reader of an opened node, `fd`: a second
// program reading the same mouse would play every macro a second time. Fails, saying why, while
// another open of the node holds it; the kernel drops the lock with the last descriptor of the
// open, however the program ends.
Result<void> LockSoleReader(int fd);

// An open hidraw node (or, in tests, any descriptor that delivers one report per read).
class HidrawChannel final : public HidChannel {
public:
    // Takes the descriptor, which must be non-blocking; nullptr when no wake-up eventfd can
    // be made.
    static std::unique_ptr<HidrawChannel> Adopt(UniqueFd device,
                                                const HidrawChannelOptions& options);

    bool SendFeatureReport(std::span<const std::uint8_t> report) override;
    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) override;
    void Cancel() override;

private:
    HidrawChannel(UniqueFd device, const HidrawChannelOptions& options);

    UniqueFd device_;
    WakeUpEvent wake_;  // Cancel() makes it readable for good
    HidrawChannelOptions options_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace zel::platform
