#pragma once

// The keyboard capture of a macro recording: while the recorder runs, the given widget (the
// main window) holds a keyboard grab, so no other program gets the keystrokes, and every key
// event the window receives is handed to the recorder. The grab ends with the recording and
// when this object goes.
//
// A held key's auto-repeat is no new keystroke. The X server sends it as a release and a press
// of the key with one time stamp (or, with detectable auto-repeat, as presses alone); Qt flags
// such a pair only when both halves have already arrived. So a time-stamped release waits here
// until the next key event, or for kReleaseSettleTime, before it is recorded at the time it
// came: a press of the same key with the same time stamp makes the pair an auto-repeat, and
// neither half is recorded. Repeated presses are the recorder's to drop.
//
// Escape held down for kStopHoldTime stops the recording, so that the keyboard alone can end
// what the keyboard alone started: an Escape press waits until its release, or another key,
// before it is recorded, and is dropped when it is still down after that time. A short Escape
// is recorded as any other key. (The key that pressed Record is not recorded either: its
// release comes without its press, which the recorder drops.)

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "macro/recorder.h"
#include "macro/ui/key_event_vk.h"

class QKeyEvent;

namespace zel::macro::ui {

// How long a release waits for the press that would make it half of an auto-repeat. Both halves
// leave the X server together; this only bounds how late a release shows in the step list.
inline constexpr std::chrono::milliseconds kReleaseSettleTime{60};
// How long Escape is held down to stop the recording.
inline constexpr std::chrono::milliseconds kStopHoldTime{1000};
// Escape's virtual-key code.
inline constexpr int kVkEscape = 0x1B;

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
    // for other events, outside a recording, for an event Qt flagged as auto-repeat and for a
    // key without a virtual-key code; Filtered for a release kept back and for an auto-repeat
    // pair.
    RecordKeyResult TakeKeyEvent(QKeyEvent& event);

    // Called after a key event that added steps (the page shows them).
    void SetStepsChanged(std::function<void()> stepsChanged) {
        stepsChanged_ = std::move(stepsChanged);
    }
    // Called when Escape was held down long enough to stop the recording; it stops it as the
    // Record button does (through Toggle). Without it the capture stops the recording itself.
    void SetStopRequested(std::function<void()> stopRequested) {
        stopRequested_ = std::move(stopRequested);
    }

private:
    struct HeldBackRelease {
        RecordedKey key;
        std::uint64_t eventTime;  // the X server's time stamp, never 0
        std::int64_t receivedAt;  // the recorder's clock
    };

    struct PendingPress {
        RecordedKey key;
        std::int64_t receivedAt;
    };

    // Records the Escape press kept back first, if any.
    RecordKeyResult Record(const RecordedKey& key, std::int64_t receivedAt);
    RecordKeyResult RecordStep(const RecordedKey& key, std::int64_t receivedAt);
    void StopHeldEscape();
    // Records the release kept back, if any.
    void RecordHeldBackRelease();
    void ReleaseGrab();

    Recorder& recorder_;
    QPointer<QWidget> grabWidget_;
    KeySource source_;
    bool grabbed_ = false;
    std::function<void()> stepsChanged_;
    std::function<void()> stopRequested_;
    std::optional<HeldBackRelease> heldBack_;
    QTimer settleTimer_;
    std::optional<PendingPress> escapeDown_;  // an Escape press not yet recorded
    QTimer stopHoldTimer_;
};

}  // namespace zel::macro::ui
