#pragma once

// The LED preview of the colour page as a state machine. A driver (a thread or a timer) calls
// Step(), repaints when asked, waits the time Step() returns and calls Step() again while the
// colour page is shown. Painting reads previewDark and previewLevel: the dark picture when
// previewDark is set, otherwise the picture of level previewLevel.
//
// By the uploaded LED mode (appliedLedStatus; a mode outside 0 ... 3 acts as mode 0):
//   3  dark, steady;
//   2  the current DPI level, steady;
//   0  blinks: level, dark, next level, dark, ... with 1200 ms phases; 1 the same with 800 ms.
//      When DPI_LEVEL changes, the new level is shown at once and held for 2000 ms, followed by
//      one ordinary phase, before the blinking resumes from it.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "settings/profile_settings.h"

namespace zel::settings {

class LedPreview {
public:
    static constexpr std::chrono::milliseconds kFastPhase{800};   // mode 1
    static constexpr std::chrono::milliseconds kSlowPhase{1200};  // every other mode
    static constexpr std::chrono::milliseconds kLevelChangeHold{2000};

    struct StepResult {
        std::chrono::milliseconds wait{0};  // how long to wait before the next Step()
        bool repaint = false;               // previewDark or previewLevel changed
    };

    // Starts the preview at the current DPI level, lit.
    explicit LedPreview(const ProfileSettings& settings);

    // Starts again from the current DPI level, as when the colour page opens anew. Call it only
    // while nothing is stepping the preview.
    void Restart();

    // One pass of the preview. Call from one thread at a time.
    StepResult Step();

    // Read by painting on the window thread while the driver steps.
    std::atomic<bool> previewDark{false};
    std::atomic<std::uint8_t> previewLevel{0};  // always 0 ... 3

private:
    std::chrono::milliseconds PhaseLength() const;

    const ProfileSettings& settings_;
    std::int32_t rememberedLevel_ = 0;  // DPI_LEVEL as last seen by the blinking modes
    bool phaseAfterHoldPending_ = false;
};

}  // namespace zel::settings
