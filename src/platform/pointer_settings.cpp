#include "platform/pointer_settings.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/app_paths.h"
#include "platform/launcher.h"
#include "platform/whole_number.h"

namespace zel::platform {
namespace {

constexpr int kHelperTimeoutMs = 2000;
constexpr int kReadTimeoutMs = 1000;
constexpr int kFlushOnDestructionMs = 3000;

constexpr std::string_view kGnomeSchema = "org.gnome.desktop.peripherals.mouse";

std::string FormatDecimal(double value) {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    if (error != std::errc{}) {
        return "0.0";
    }
    std::string result(text, end);
    // "0.5000" -> "0.5", "1.0000" -> "1.0": short, and still a floating-point literal.
    while (result.size() > 2 && result.back() == '0' && result[result.size() - 2] != '.') {
        result.pop_back();
    }
    return result;
}

std::string_view Trim(std::string_view text) {
    auto first = text.find_first_not_of(" \t\r\n'");
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = text.find_last_not_of(" \t\r\n'");
    return text.substr(first, last - first + 1);
}

std::optional<double> ParseDouble(std::string_view text) {
    text = Trim(text);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> ParseInt(std::string_view text) {
    return ParseWholeNumber<int>(Trim(text));
}

constexpr std::string_view kPointerSpeedKey = "pointer-speed";
constexpr std::string_view kWheelLinesKey = "wheel-lines";

}  // namespace

double PointerSpeedToGnome(int speed) {
    speed = std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed);
    if (speed < kDefaultPointerSpeed) {
        return (speed - kDefaultPointerSpeed) / 9.0;
    }
    return (speed - kDefaultPointerSpeed) / 10.0;
}

int PointerSpeedFromGnome(double value) {
    if (!std::isfinite(value)) {
        return kDefaultPointerSpeed;
    }
    value = std::clamp(value, -1.0, 1.0);
    long speed = value < 0 ? std::lround(kDefaultPointerSpeed + 9.0 * value)
                           : std::lround(kDefaultPointerSpeed + 10.0 * value);
    return std::clamp(static_cast<int>(speed), kMinPointerSpeed, kMaxPointerSpeed);
}

Desktop DesktopFromName(std::string_view names) {
    while (!names.empty()) {
        auto colon = names.find(':');
        std::string_view name = names.substr(0, colon);
        if (name == "GNOME" || name == "GNOME-Classic" || name == "GNOME-Flashback" ||
            name == "Unity" || name == "Budgie") {
            return Desktop::Gnome;
        }
        if (name == "KDE") {
            return Desktop::Kde;
        }
        if (colon == std::string_view::npos) {
            break;
        }
        names.remove_prefix(colon + 1);
    }
    return Desktop::None;
}

Desktop DetectDesktop() {
    const char* names = std::getenv("XDG_CURRENT_DESKTOP");
    return names ? DesktopFromName(names) : Desktop::None;
}

DesktopPointerSettings::DesktopPointerSettings(Desktop desktop, std::string searchPath,
                                               std::filesystem::path stateFolder)
    : desktop_(desktop), searchPath_(std::move(searchPath)), record_(std::move(stateFolder)) {
    worker_ = std::jthread([this](std::stop_token stop) { Work(stop); });
}

DesktopPointerSettings::~DesktopPointerSettings() {
    Flush(kFlushOnDestructionMs);
    worker_.request_stop();
    changed_.notify_all();
}

std::optional<int> DesktopPointerSettings::GetPointerSpeed() {
    {
        std::lock_guard lock(mutex_);
        if (pointerSpeed_) {
            return pointerSpeed_;
        }
    }
    if (desktop_ == Desktop::None) {
        return kDefaultPointerSpeed;
    }
    return ReadFromDesktop(Setting::PointerSpeed);
}

std::optional<int> DesktopPointerSettings::GetWheelScrollLines() {
    {
        std::lock_guard lock(mutex_);
        if (wheelLines_) {
            return wheelLines_;
        }
    }
    if (desktop_ != Desktop::Kde) {
        return kDefaultWheelScrollLines;
    }
    return ReadFromDesktop(Setting::WheelLines);
}

void DesktopPointerSettings::SetPointerSpeed(int speed) {
    speed = std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed);
    {
        std::lock_guard lock(mutex_);
        pointerSpeed_ = speed;
    }
    if (!WritesToDesktop(Setting::PointerSpeed)) {
        SayRememberedOnly(Setting::PointerSpeed);
        return;
    }
    NoteChange(Setting::PointerSpeed);
    const std::string value = FormatDecimal(PointerSpeedToGnome(speed));
    record_.NoteSet(kPointerSpeedKey, value);
    QueueWrite(Setting::PointerSpeed, value);
}

void DesktopPointerSettings::SetWheelScrollLines(int lines) {
    lines = std::clamp(lines, 0, 255);
    {
        std::lock_guard lock(mutex_);
        wheelLines_ = lines;
    }
    if (!WritesToDesktop(Setting::WheelLines)) {
        SayRememberedOnly(Setting::WheelLines);
        return;
    }
    NoteChange(Setting::WheelLines);
    record_.NoteSet(kWheelLinesKey, std::to_string(lines));
    QueueWrite(Setting::WheelLines, std::to_string(lines));
}

void DesktopPointerSettings::RestoreDesktopValues() {
    if (record_.enabled() && RestoreRecordedValues()) {
        return;
    }
    for (Setting setting : {Setting::PointerSpeed, Setting::WheelLines}) {
        std::string text;
        {
            std::lock_guard lock(mutex_);
            auto& original =
                setting == Setting::PointerSpeed ? originalSpeed_ : originalWheelLines_;
            if (!original.changed || !original.text) {
                continue;  // never changed, or the value before could not be read
            }
            text = *original.text;
            original = {};
            // The next read asks the desktop again.
            (setting == Setting::PointerSpeed ? pointerSpeed_ : wheelLines_).reset();
        }
        QueueWrite(setting, text);
    }
}

bool DesktopPointerSettings::WritesToDesktop(Setting setting) const {
    return desktop_ == Desktop::Kde ||
           (desktop_ == Desktop::Gnome && setting == Setting::PointerSpeed);
}

void DesktopPointerSettings::NoteChange(Setting setting) {
    std::optional<std::string> before;
    bool read = false;
    {
        std::lock_guard lock(mutex_);
        auto& original = setting == Setting::PointerSpeed ? originalSpeed_ : originalWheelLines_;
        if (original.joined) {
            original.changed = true;
            return;
        }
        if (original.known) {
            before = original.text;
            read = true;
        }
    }
    // Outside the lock: the helper, and the record's lock, may take their time.
    if (!read) {
        before = ReadTextFromDesktop(setting);
    }
    if (record_.enabled()) {
        before = record_.TakeUsersValue(
            setting == Setting::PointerSpeed ? kPointerSpeedKey : kWheelLinesKey, before);
    }
    std::lock_guard lock(mutex_);
    auto& original = setting == Setting::PointerSpeed ? originalSpeed_ : originalWheelLines_;
    if (!original.joined) {
        original.known = true;
        original.joined = true;
        original.text = std::move(before);
    }
    original.changed = true;
}

bool DesktopPointerSettings::RestoreRecordedValues() {
    // The desktop shows what this program set before it is compared with the record.
    Flush(kFlushOnDestructionMs);
    const std::optional<bool> ended =
        record_.EndRun([this](std::string_view key, const DesktopValuesRecord::Entry& entry) {
            if (key != kPointerSpeedKey && key != kWheelLinesKey) {
                return false;
            }
            const Setting setting =
                key == kPointerSpeedKey ? Setting::PointerSpeed : Setting::WheelLines;
            if (!WritesToDesktop(setting)) {
                return false;  // recorded on another desktop: kept for it
            }
            const auto now = ReadTextFromDesktop(setting);
            if (!now) {
                return false;  // cannot tell what the desktop shows: kept for the next end
            }
            const bool programsValue = std::ranges::any_of(
                entry.set, [&](const std::string& value) { return SameDesktopValue(value, *now); });
            // Anything else is the user's own choice, made while a program ran: it stays.
            if (programsValue && !SameDesktopValue(*now, entry.user)) {
                QueueWrite(setting, entry.user);
                Flush(kFlushOnDestructionMs);
            }
            return true;
        });
    if (!ended) {
        return false;  // the folder cannot be used: what this object knows is given back
    }
    std::lock_guard lock(mutex_);
    for (Setting setting : {Setting::PointerSpeed, Setting::WheelLines}) {
        if (WritesToDesktop(setting)) {
            (setting == Setting::PointerSpeed ? originalSpeed_ : originalWheelLines_) = {};
            // The next read asks the desktop again.
            (setting == Setting::PointerSpeed ? pointerSpeed_ : wheelLines_).reset();
        }
    }
    return true;
}

void DesktopPointerSettings::QueueWrite(Setting setting, const std::string& value) {
    if (desktop_ == Desktop::Gnome) {
        Queue({"gsettings", "set", std::string(kGnomeSchema), "speed", value});
        return;
    }
    if (setting == Setting::PointerSpeed) {
        Queue({"kwriteconfig", "--file", "kcminputrc", "--group", "Mouse", "--key",
               "XLbInptPointerAcceleration", value});
    } else {
        Queue({"kwriteconfig", "--file", "kdeglobals", "--group", "KDE", "--key",
               "WheelScrollLines", value});
    }
    Queue({"dbus-send", "--session", "--type=signal", "/KGlobalSettings",
           "org.kde.KGlobalSettings.notifyChange", "int32:3", "int32:0"});
}

bool DesktopPointerSettings::Flush(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return pending_.empty() && !running_; });
}

std::optional<std::string> DesktopPointerSettings::SearchPath() const {
    return searchPath_.empty() ? std::nullopt : std::optional(searchPath_);
}

std::optional<std::string> DesktopPointerSettings::ReadTextFromDesktop(Setting setting) {
    std::vector<std::string> argv;
    auto path = SearchPath();
    if (desktop_ == Desktop::Gnome && setting == Setting::PointerSpeed) {
        argv = {FindProgramOnPath("gsettings", path), "get", std::string(kGnomeSchema), "speed"};
    } else if (desktop_ == Desktop::Kde) {
        std::string reader = FindProgramOnPath("kreadconfig6", path);
        if (reader.empty()) {
            reader = FindProgramOnPath("kreadconfig5", path);
        }
        if (setting == Setting::WheelLines) {
            argv = {reader,  "--file",           "kdeglobals", "--group", "KDE",
                    "--key", "WheelScrollLines", "--default",  "3"};
        } else {
            argv = {reader,
                    "--file",
                    "kcminputrc",
                    "--group",
                    "Mouse",
                    "--key",
                    "XLbInptPointerAcceleration",
                    "--default",
                    "0"};
        }
    }
    if (argv.empty() || argv[0].empty()) {
        return std::nullopt;
    }
    auto result = RunProgram(argv, kReadTimeoutMs);
    if (!result.exitedZero) {
        return std::nullopt;
    }
    // Only a number goes back to the desktop later.
    std::string text(Trim(result.output));
    bool isNumber =
        setting == Setting::WheelLines ? ParseInt(text).has_value() : ParseDouble(text).has_value();
    return isNumber ? std::optional(text) : std::nullopt;
}

std::optional<int> DesktopPointerSettings::ReadFromDesktop(Setting setting) {
    auto text = ReadTextFromDesktop(setting);
    {
        // Read before any change: this is the value a restore puts back.
        std::lock_guard lock(mutex_);
        auto& original = setting == Setting::PointerSpeed ? originalSpeed_ : originalWheelLines_;
        if (!original.changed) {
            original.known = text.has_value();
            original.text = text;
        }
    }
    if (!text) {
        return std::nullopt;
    }
    if (setting == Setting::WheelLines) {
        return ParseInt(*text);
    }
    return PointerSpeedFromGnome(*ParseDouble(*text));
}

void DesktopPointerSettings::Queue(std::vector<std::string> argv) {
    auto path = SearchPath();
    std::string program;
    if (argv[0] == "kwriteconfig") {
        program = FindProgramOnPath("kwriteconfig6", path);
        if (program.empty()) {
            program = FindProgramOnPath("kwriteconfig5", path);
        }
    } else {
        program = FindProgramOnPath(argv[0], path);
    }
    if (program.empty()) {
        std::lock_guard lock(mutex_);
        if (!toldMissingHelper_) {
            toldMissingHelper_ = true;
            std::fprintf(stderr,
                         "ZEL_GMouse: %s was not found; pointer and wheel settings are only "
                         "remembered by the program\n",
                         argv[0].c_str());
        }
        return;
    }
    argv[0] = std::move(program);
    {
        std::lock_guard lock(mutex_);
        // A newer value of the same setting replaces one that has not been written yet
        // (same command but for its last argument, the value). The same command again (a
        // notice) moves to the end, so that it still follows every write queued before it.
        auto sameSetting = std::find_if(pending_.begin(), pending_.end(), [&](const auto& queued) {
            return queued.size() == argv.size() &&
                   std::equal(queued.begin(), queued.end() - 1, argv.begin());
        });
        if (sameSetting != pending_.end() && *sameSetting != argv) {
            *sameSetting = std::move(argv);
        } else {
            if (sameSetting != pending_.end()) {
                pending_.erase(sameSetting);
            }
            pending_.push_back(std::move(argv));
        }
    }
    changed_.notify_all();
}

void DesktopPointerSettings::SayRememberedOnly(Setting setting) {
    std::lock_guard lock(mutex_);
    bool& told = setting == Setting::PointerSpeed ? toldPointerSpeed_ : toldWheelLines_;
    if (told) {
        return;
    }
    told = true;
    if (!record_.FirstTelling(setting == Setting::PointerSpeed ? kPointerSpeedKey
                                                               : kWheelLinesKey)) {
        return;  // said in an earlier run
    }
    std::fprintf(stderr,
                 "ZEL_GMouse: this desktop has no %s setting the program can change; the value "
                 "is only remembered\n",
                 setting == Setting::PointerSpeed ? "pointer speed" : "wheel scroll lines");
}

void DesktopPointerSettings::Work(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, stop, [this] { return !pending_.empty(); });
        if (stop.stop_requested()) {
            return;  // the destructor has waited for the queue as long as it will
        }
        auto argv = std::move(pending_.front());
        pending_.pop_front();
        running_ = true;
        lock.unlock();
        RunProgram(argv, kHelperTimeoutMs);
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

std::unique_ptr<PointerSettings> MakeDesktopPointerSettings() {
    return std::make_unique<DesktopPointerSettings>(DetectDesktop(), std::string(), UserStateDir());
}

}  // namespace zel::platform
