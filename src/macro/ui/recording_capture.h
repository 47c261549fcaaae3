#pragma once

// The keyboard capture of a macro recording: while the recorder runs, the given widget (the
// main window) holds a keyboard grab, so no other program gets the keystrokes, and every key
// event the window receives is handed to the recorder. The grab ends with the recording and
// when this object goes.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "macro/recorder.h"
#include "macro/ui/key_event_vk.h"

class QKeyEvent;

namespace zel::macro::ui {

class RecordingCapture {
public:
    RecordingCapture(Recorder& recorder, QWidget& grabWidget,
                     KeySource source = KeySource::Automatic);
    ~RecordingCapture();
    RecordingCapture(const RecordingCapture&) = delete;
    RecordingCapture& operator=(const RecordingCapture&) = delete;

    bool recording() const { return recorder_.recording(); }
    Recorder& recorder() { return recorder_; }

    // The Record button: the recorder starts (keyboard grabbed) or stops (grab released).
    RecordingChange Toggle();

    // Every key event of the grabbing window while recording: the recorder's verdict. NotAKey
    // for other events, outside a recording, for the release half of an auto-repeat and for a
    // key without a virtual-key code.
    RecordKeyResult TakeKeyEvent(QKeyEvent& event);

    // Called after a key event that added steps (the page shows them).
    void SetStepsChanged(std::function<void()> stepsChanged) {
        stepsChanged_ = std::move(stepsChanged);
    }

private:
    void ReleaseGrab();

    Recorder& recorder_;
    QPointer<QWidget> grabWidget_;
    KeySource source_;
    bool grabbed_ = false;
    std::function<void()> stepsChanged_;
};

}  // namespace zel::macro::ui
