#pragma once

// DeviceLink: the program's one channel pair to the mouse, and the report protocol on it.
//
// Channels. Discovery attaches a read channel (the input collection) and a write channel (the
// feature collection) with the report lengths of their collections. A channel that is not
// attached is "not open": sends through it do nothing, reads fail at once. An attached channel
// stays until the DeviceLink is destroyed (a later discovery keeps it), so a reader thread can
// block on it without a lock.
//
// Report buffer. Every feature report is built in one 256-byte buffer that is never cleared:
// a command writes report ID, command and its own payload bytes, and every other byte keeps
// what the previous report left there (RPT_MOUSE_BUTTONS does not write byte 2, so it carries
// the first key slot of an earlier RPT_KEYS). The report sent is the first featureReportLength
// bytes of the buffer. A builder writes its bytes even while the write channel is not open.
//
// Threads. The window thread (upload, shutdown) and the macro player (injection) both send;
// one mutex is held from the first byte written to the return of the channel's send, so two
// reports never mix. The injected key slots and button state change under that mutex too. The
// reader thread reads input reports; any thread may read the copy of the last input report.
// Destroy a DeviceLink only after the threads using it have ended.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>

#include "device/channel_check.h"
#include "device/feature_report.h"
#include "device/sleeper.h"
#include "platform/hid_transport.h"

namespace zel::device {

// A copy of the last input report: `length` bytes received, the rest of `bytes` zero.
struct InputReport {
    std::array<std::uint8_t, kReportBufferSize> bytes{};
    std::size_t length = 0;

    std::span<const std::uint8_t> Received() const { return {bytes.data(), length}; }
};

class DeviceLink {
public:
    // The mouse's own number of each configurable button; entry n belongs to K<n>.
    static constexpr std::array<std::uint8_t, 6> buttonNumbers = {1, 2, 3, 4, 5, 6};
    static constexpr std::chrono::milliseconds kReleaseAllPause{10};

    // ReleaseAll waits really.
    DeviceLink();
    // ReleaseAll waits through `sleeper`, which must outlive the link.
    explicit DeviceLink(Sleeper& sleeper);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // ---- Channels (discovery, window thread) ----

    // Takes the channel (true) when there is one, its report length fits the buffers and no
    // read channel is open; otherwise the channel is closed (dropped). Discovery checks the
    // length first and tells the user (CheckReportLength), so a refusal here has nothing more
    // to say.
    bool AttachReadChannel(std::unique_ptr<platform::HidChannel> channel,
                           std::size_t inputReportLength);
    // The same for the write channel and the feature-report length.
    bool AttachWriteChannel(std::unique_ptr<platform::HidChannel> channel,
                            std::size_t featureReportLength);
    bool IsReadOpen() const;
    bool IsWriteOpen() const;
    std::size_t InputReportLength() const;    // 0 while not open
    std::size_t FeatureReportLength() const;  // 0 while not open

    // Path of the last interface that matched the mouse's vendor and product ID.
    void SetDevicePath(std::string path);
    std::string DevicePath() const;

    // The mouse is considered present.
    std::atomic<bool> found{false};

    // ---- Report builders ----
    // Each writes its bytes into the report buffer and sends the report. The result is true
    // when the write channel took the report; false when it is not open, refused the report,
    // or an index argument names nothing (then nothing is written). Value arguments are cut to
    // the bits of their field.

    // RPT_DPI_LEVEL for level `levelIndex` (0 ... 3): current level 0 ... 3, the level's DPI
    // device code 0 ... 15, the enable mask (bit i: level i enabled).
    bool SendDpiLevel(std::uint8_t levelIndex, std::uint8_t currentLevel,
                      std::uint8_t deviceDpiCode, std::uint8_t enableMask);
    // RPT_BUTTON_FUNCTION for button `buttonIndex` (0 ... 5): its number and device code.
    bool SendButtonFunction(std::size_t buttonIndex, std::uint8_t deviceCode);
    // RPT_WHEEL with the low byte of WHEEL_STATUS.
    bool SendWheel(std::int32_t wheelStatus);
    // RPT_FIRE_TIME with FIRE_TIME / 8 (see settings::FireIntervalUnits).
    bool SendFireTime(std::int32_t fireTime);
    // RPT_LED with the device LED code.
    bool SendLed(std::uint8_t ledCode);
    // RPT_SHUTDOWN.
    bool SendShutdown();
    // RPT_CONSUMER_KEY with the consumer usage of ButtonFunction `functionCode` (21 ... 30);
    // one report, no release follows. Any other code has no usage: nothing is sent.
    bool SendConsumerKey(std::int32_t functionCode);

    // ---- Injection (macro player thread) ----

    // Presses (action 1), releases (2) or keeps (any other action) a key (code 0x00 ... 0xEF)
    // or mouse button (0xF0 ... 0xF2; 0xF3 ... 0xFF change nothing), then sends RPT_KEYS or
    // RPT_MOUSE_BUTTONS with the resulting state, changed or not. A seventh key is not taken;
    // releasing a key moves the keys after it down one slot.
    bool InjectEvent(std::uint8_t code, std::uint8_t action);
    // Waits 10 ms, releases every injected mouse button (RPT_MOUSE_BUTTONS), waits 10 ms,
    // releases every injected key (RPT_KEYS). The waits are taken without the lock.
    void ReleaseAll();

    std::array<std::uint8_t, 6> KeySlots() const;
    std::uint8_t ButtonState() const;
    // A copy of the whole report buffer.
    std::array<std::uint8_t, kReportBufferSize> ReportBuffer() const;

    // ---- Input (reader thread) ----

    // One blocking read of an input report from the read channel. False at once when the
    // channel is not open, and when the read fails, is cancelled or delivers nothing; the last
    // input report then stays. A report shorter than the input-report length is kept with
    // zeros after it; a channel claiming more bytes than asked for is taken at the asked
    // length.
    bool ReadInputReport();
    // Wakes a blocked ReadInputReport (it returns false), and makes every later read on the
    // open read channel fail at once. For shutdown; callable from any thread.
    void CancelRead();
    // Blocks until a read channel is attached (true) or `stop` is requested (false); returns
    // at once when one is. The reader thread waits here instead of retrying on a timer.
    bool WaitForReadChannel(std::stop_token stop);
    // The last report read; any thread.
    InputReport LastInputReport() const;
    // One byte of the last report read; 0 beyond the buffer.
    std::uint8_t InputByte(std::size_t index) const;

private:
    // Sends the first featureLength_ bytes of the buffer; sendMutex_ must be held.
    bool SendFeatureReport();
    void WriteHeader(Command command);
    bool SendKeysLocked();
    bool SendMouseButtonsLocked();

    SystemSleeper systemSleeper_;
    Sleeper& sleeper_;

    // Sending: the buffer, the write channel and the injected state.
    mutable std::mutex sendMutex_;
    std::unique_ptr<platform::HidChannel> writeChannel_;
    std::size_t featureLength_ = 0;
    std::array<std::uint8_t, kReportBufferSize> report_{};
    std::array<std::uint8_t, 6> keySlots_{};
    std::uint8_t buttonState_ = kAllButtonsReleased;

    // Reading: the channel is set once under readMutex_ and never replaced.
    mutable std::mutex readMutex_;
    std::condition_variable_any readAttached_;
    std::unique_ptr<platform::HidChannel> readChannel_;
    std::size_t readLength_ = 0;

    mutable std::mutex inputMutex_;
    InputReport input_;

    mutable std::mutex pathMutex_;
    std::string devicePath_;
};

}  // namespace zel::device
