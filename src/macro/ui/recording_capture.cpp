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

bool RecordingCapture::OnKeyEvent(QKeyEvent& event) {
    if (!recorder_.recording() ||
        (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)) {
        return false;
    }
    if (const std::optional<RecordedKey> key = RecordedKeyOf(event, source_)) {
        const int before = recorder_.recordedCount();
        recorder_.OnRecordKeyMessage(key->message, key->vk);
        if (recorder_.recordedCount() != before && stepsChanged_) {
            stepsChanged_();
        }
    }
    event.accept();
    return true;
}

void RecordingCapture::ReleaseGrab() {
    if (grabbed_ && !grabWidget_.isNull()) {
        grabWidget_->releaseKeyboard();
    }
    grabbed_ = false;
}

}  // namespace zel::macro::ui
