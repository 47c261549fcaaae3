#include "macro/ui/recording_capture.h"

#include <QKeyEvent>

namespace zel::macro::ui {

RecordingCapture::RecordingCapture(Recorder& recorder, QWidget& grabWidget, KeySource source)
    : recorder_(recorder), grabWidget_(&grabWidget), source_(source) {
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(kReleaseSettleTime);
    settleTimer_.callOnTimeout([this] { RecordHeldBackRelease(); });
    stopHoldTimer_.setSingleShot(true);
    stopHoldTimer_.setInterval(kStopHoldTime);
    stopHoldTimer_.callOnTimeout([this] { StopHeldEscape(); });
}

RecordingCapture::~RecordingCapture() {
    ReleaseGrab();
}

RecordingChange RecordingCapture::Toggle() {
    RecordHeldBackRelease();
    stopHoldTimer_.stop();
    escapeDown_.reset();
    const RecordingChange change = recorder_.ToggleRecording();
    if (change == RecordingChange::Started && !grabbed_ && !grabWidget_.isNull()) {
        grabWidget_->grabKeyboard();
        grabbed_ = true;
    } else if (change == RecordingChange::Stopped) {
        ReleaseGrab();
    }
    return change;
}

RecordKeyResult RecordingCapture::TakeKeyEvent(QKeyEvent& event) {
    if (!recorder_.recording()) {
        return RecordKeyResult::NotAKey;
    }
    const std::optional<RecordedKey> key = RecordedKeyOf(event, source_);
    if (!key) {
        return RecordKeyResult::NotAKey;
    }
    const std::int64_t receivedAt = recorder_.Now();
    const bool press = event.type() == QEvent::KeyPress;
    if (heldBack_) {
        const bool autoRepeat =
            press && key->vk == heldBack_->key.vk && event.timestamp() == heldBack_->eventTime;
        if (autoRepeat) {
            heldBack_.reset();
            settleTimer_.stop();
            return RecordKeyResult::Filtered;
        }
        RecordHeldBackRelease();
    }
    if (press && key->vk == kVkEscape) {
        // Kept back until its release or another key; a press while it is kept back is its
        // auto-repeat.
        if (!escapeDown_) {
            escapeDown_ = PendingPress{*key, receivedAt};
            stopHoldTimer_.start();
        }
        return RecordKeyResult::Filtered;
    }
    // An event without a time stamp (made by a program, not by the X server) is no half of a
    // pair: it is recorded at once.
    if (!press && event.timestamp() != 0) {
        heldBack_ = HeldBackRelease{*key, event.timestamp(), receivedAt};
        settleTimer_.start();
        return RecordKeyResult::Filtered;
    }
    return Record(*key, receivedAt);
}

RecordKeyResult RecordingCapture::Record(const RecordedKey& key, std::int64_t receivedAt) {
    if (escapeDown_) {
        const PendingPress escape = *escapeDown_;
        escapeDown_.reset();
        stopHoldTimer_.stop();
        RecordStep(escape.key, escape.receivedAt);
    }
    return RecordStep(key, receivedAt);
}

RecordKeyResult RecordingCapture::RecordStep(const RecordedKey& key, std::int64_t receivedAt) {
    const int before = recorder_.recordedCount();
    const RecordKeyResult result = recorder_.RecordKey(key.message, key.vk, receivedAt);
    if (recorder_.recordedCount() != before && stepsChanged_) {
        stepsChanged_();
    }
    return result;
}

void RecordingCapture::RecordHeldBackRelease() {
    settleTimer_.stop();
    if (!heldBack_) {
        return;
    }
    const HeldBackRelease release = *heldBack_;
    heldBack_.reset();
    if (recorder_.recording()) {
        Record(release.key, release.receivedAt);
    }
}

void RecordingCapture::StopHeldEscape() {
    if (!escapeDown_ || !recorder_.recording()) {
        return;
    }
    escapeDown_.reset();
    // A release kept back now is the first half of Escape's auto-repeat: no step either.
    if (heldBack_ && heldBack_->key.vk == kVkEscape) {
        heldBack_.reset();
        settleTimer_.stop();
    }
    if (stopRequested_) {
        stopRequested_();
    } else {
        Toggle();
    }
}

void RecordingCapture::ReleaseGrab() {
    if (grabbed_ && !grabWidget_.isNull()) {
        grabWidget_->releaseKeyboard();
    }
    grabbed_ = false;
}

}  // namespace zel::macro::ui
