#include "settings/led_preview.h"

#include "settings/led_code_table.h"
#include "settings/upload_derivations.h"

namespace zel::settings {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

LedPreview::LedPreview(const ProfileSettings& settings) : settings_(settings) {
    Restart();
}

void LedPreview::Restart() {
    rememberedLevel_ = settings_.DPI_LEVEL.load(kRelaxed);
    previewLevel.store(UploadedDpiLevel(rememberedLevel_), kRelaxed);
    previewDark.store(false, kRelaxed);
    phaseAfterHoldPending_ = false;
}

std::chrono::milliseconds LedPreview::PhaseLength() const {
    return EffectiveLedStatus(settings_.appliedLedStatus.load(kRelaxed)) == kLedBlinkFast
               ? kFastPhase
               : kSlowPhase;
}

LedPreview::StepResult LedPreview::Step() {
    if (phaseAfterHoldPending_) {
        // The ordinary phase that follows the hold of a new level; the picture stays.
        phaseAfterHoldPending_ = false;
        return {PhaseLength(), false};
    }

    const bool darkBefore = previewDark.load(kRelaxed);
    const std::uint8_t levelBefore = previewLevel.load(kRelaxed);
    const std::int32_t dpiLevel = settings_.DPI_LEVEL.load(kRelaxed);
    const std::uint8_t shownLevel = UploadedDpiLevel(dpiLevel);
    auto changed = [&] {
        return previewDark.load(kRelaxed) != darkBefore ||
               previewLevel.load(kRelaxed) != levelBefore;
    };

    switch (EffectiveLedStatus(settings_.appliedLedStatus.load(kRelaxed))) {
        case kLedDark:
            previewDark.store(true, kRelaxed);
            previewLevel.store(shownLevel, kRelaxed);
            break;
        case kLedSteady:
            previewDark.store(false, kRelaxed);
            previewLevel.store(shownLevel, kRelaxed);
            break;
        default:  // the blinking modes
            if (dpiLevel != rememberedLevel_) {
                previewLevel.store(shownLevel, kRelaxed);
                previewDark.store(false, kRelaxed);
                rememberedLevel_ = dpiLevel;
                phaseAfterHoldPending_ = true;
                return {kLevelChangeHold, changed()};
            }
            if (darkBefore) {
                previewDark.store(false, kRelaxed);
            } else {
                previewDark.store(true, kRelaxed);
                previewLevel.store(
                    levelBefore >= 3 ? 0 : static_cast<std::uint8_t>(levelBefore + 1), kRelaxed);
            }
            break;
    }
    return {PhaseLength(), changed()};
}

}  // namespace zel::settings
