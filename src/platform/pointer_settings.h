#pragma once

// The system pointer speed and wheel scroll lines. Linux has no single setting for either, so
// the desktop's own setting is written where one is known and the value is remembered always.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/desktop_values_record.h"

namespace zel::platform {

// Pointer speed on the 1 ... 20 scale the settings model uses (10 = the desktop's default).
inline constexpr int kMinPointerSpeed = 1;
inline constexpr int kMaxPointerSpeed = 20;
inline constexpr int kDefaultPointerSpeed = 10;
inline constexpr int kDefaultWheelScrollLines = 3;

class PointerSettings {
public:
    virtual ~PointerSettings() = default;
    // The current value; nullopt when the system cannot tell, and then the caller leaves the
    // setting alone.
    virtual std::optional<int> GetPointerSpeed() = 0;
    // Speed 1 ... 20; values outside are clamped.
    virtual void SetPointerSpeed(int speed) = 0;
    virtual std::optional<int> GetWheelScrollLines() = 0;
    // Lines per wheel notch, 0 ... 255 (the model hands over an 8-bit value).
    virtual void SetWheelScrollLines(int lines) = 0;
    // Puts each desktop setting this object changed back to the value it had before the first
    // change, and leaves the ones it never changed alone. A setting that is only remembered
    // has nothing to put back, hence the empty default.
    virtual void RestoreDesktopValues() {}
};

// Maps the 1 ... 20 scale onto GNOME's -1 ... 1 with 10 at 0, and back.
double PointerSpeedToGnome(int speed);
int PointerSpeedFromGnome(double value);

enum class Desktop { None, Gnome, Kde };

// The desktop named by XDG_CURRENT_DESKTOP (a colon-separated list, e.g. "ubuntu:GNOME").
Desktop DetectDesktop();
Desktop DesktopFromName(std::string_view xdgCurrentDesktop);

// Writes GNOME's `org.gnome.desktop.peripherals.mouse speed` with gsettings, KDE's
// kdeglobals [KDE] WheelScrollLines and kcminputrc [Mouse] XLbInptPointerAcceleration with
// kwriteconfig; a setting that the desktop lacks is only remembered, and that is said once on
// standard error. The first Set of a setting reads the desktop's value first, exactly as the
// desktop wrote it, so that RestoreDesktopValues writes back the user's own value rather than
// one rounded through the 1 ... 20 scale. The helper programs run on a worker thread, so a Set
// never waits for them; the destructor waits (bounded) for the writes still queued, so the
// last value reaches the desktop before the program ends.
//
// With a state folder, the user's own value is kept in DesktopValuesRecord there, shared by
// every program of the user: the first change of any program records it, the end of the last
// program gives it back (after a kill, the end of the next), and a value the user changed by
// hand meanwhile is the user's and stays. Each notice that a setting is only remembered is then
// said once for all runs.
class DesktopPointerSettings final : public PointerSettings {
public:
    // searchPath: the directories to find the helper programs in (PATH when empty);
    // stateFolder: where the user's values are kept (empty: in this object only).
    explicit DesktopPointerSettings(Desktop desktop, std::string searchPath = {},
                                    std::filesystem::path stateFolder = {});
    ~DesktopPointerSettings() override;
    DesktopPointerSettings(const DesktopPointerSettings&) = delete;
    DesktopPointerSettings& operator=(const DesktopPointerSettings&) = delete;

    std::optional<int> GetPointerSpeed() override;
    void SetPointerSpeed(int speed) override;
    std::optional<int> GetWheelScrollLines() override;
    void SetWheelScrollLines(int lines) override;
    void RestoreDesktopValues() override;

    // Waits until the queued helper runs are done; true when they all finished in time.
    bool Flush(int timeoutMs);

private:
    enum class Setting { PointerSpeed, WheelLines };
    // The desktop's value before this object's first change of a setting, as the desktop's
    // own text ("0.3"); `known` is false until it was read.
    struct DesktopOriginal {
        bool known = false;
        bool changed = false;
        bool joined = false;  // taken from (or put into) the record
        std::optional<std::string> text;
    };
    std::optional<std::string> SearchPath() const;
    bool WritesToDesktop(Setting setting) const;
    std::optional<std::string> ReadTextFromDesktop(Setting setting);
    std::optional<int> ReadFromDesktop(Setting setting);
    void NoteChange(Setting setting);
    void QueueWrite(Setting setting, const std::string& value);
    void Queue(std::vector<std::string> argv);
    void SayRememberedOnly(Setting setting);
    // Gives the recorded values back when this is the last program that changed them; false
    // when the record cannot be used.
    bool RestoreRecordedValues();
    void Work(std::stop_token stop);

    Desktop desktop_;
    std::string searchPath_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::optional<int> pointerSpeed_;
    std::optional<int> wheelLines_;
    DesktopOriginal originalSpeed_;
    DesktopOriginal originalWheelLines_;
    bool toldPointerSpeed_ = false;
    bool toldWheelLines_ = false;
    bool toldMissingHelper_ = false;
    std::deque<std::vector<std::string>> pending_;
    bool running_ = false;
    DesktopValuesRecord record_;
    std::jthread worker_;
};

// The desktop of XDG_CURRENT_DESKTOP, with the user's values kept in the user's state folder.
std::unique_ptr<PointerSettings> MakeDesktopPointerSettings();

}  // namespace zel::platform
