#include "macro/ui/recording_capture.h"

#include <QKeyEvent>

namespace zel::macro::ui {

RecordingCapture::RecordingCapture(Recorder& recorder, QWidget& grabWidget, KeySource source)
    : recorder_(recorder), grabWidget_(&grabWidget), source_(source) {}

RecordingCapture::~RecordingCapture() {
    ReleaseGrab();
}

RecordingChange RecordingCapture::Toggle() {
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
    const int before = recorder_.recordedCount();
    const RecordKeyResult result = recorder_.RecordKey(key->message, key->vk);
    if (recorder_.recordedCount() != before && stepsChanged_) {
        stepsChanged_();
    }
    return result;
}

void RecordingCapture::ReleaseGrab() {
    if (grabbed_ && !grabWidget_.isNull()) {
        grabWidget_->releaseKeyboard();
    }
    grabbed_ = false;
}

}  // namespace zel::macro::ui
