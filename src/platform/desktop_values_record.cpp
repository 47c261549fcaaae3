#include "platform/desktop_values_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <map>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/unique_fd.h"

namespace zel::platform {
namespace {

constexpr std::size_t kMaxRecordBytes = 64 * 1024;
constexpr std::size_t kSetValuesKept = 2;

using Lines = std::map<std::string, std::string, std::less<>>;

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    while (!text.empty()) {
        const auto space = text.find(' ');
        if (space != 0) {
            words.emplace_back(text.substr(0, space));
        }
        if (space == std::string_view::npos) {
            break;
        }
        text.remove_prefix(space + 1);
    }
    return words;
}

// Only numbers ever go back to the desktop: a value of the file that is none is ignored.
bool AllNumbers(std::string_view text) {
    const auto words = Words(text);
    return !words.empty() && std::all_of(words.begin(), words.end(), [](const std::string& word) {
        return ParseNumber(word).has_value();
    });
}

Lines ReadLines(const std::filesystem::path& path) {
    Lines lines;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::size_t>(status.st_size) > kMaxRecordBytes) {
        return lines;
    }
    std::string bytes(kMaxRecordBytes, '\0');
    std::size_t size = 0;
    while (size < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    std::string_view text(bytes.data(), size);
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        const bool told = key.ends_with(".told");
        if ((told && value == "1") || (!told && AllNumbers(value))) {
            lines.insert_or_assign(std::string(key), std::string(value));
        }
    }
    return lines;
}

// The file holds the lines, or is removed when there are none.
void WriteLines(const std::filesystem::path& path, const Lines& lines) {
    if (lines.empty()) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return;
    }
    std::string bytes;
    for (const auto& [key, value] : lines) {
        bytes += key + "=" + value + "\n";
    }
    NewFileAttributes attributes;
    attributes.setMode = true;
    attributes.mode = 0600;
    (void)WriteFileAtomically(path, bytes, Placement::kReplace, attributes);
}

std::string Key(std::string_view setting, std::string_view field) {
    return std::string(setting) + "." + std::string(field);
}

UniqueFd OpenLockFile(const std::filesystem::path& path) {
    return UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

bool Flock(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// The exclusive lock of every change of the file, for the object's life; !held() when the
// folder cannot be made or the lock not taken.
class RecordLock {
public:
    explicit RecordLock(const std::filesystem::path& folder) {
        if (folder.empty()) {
            return;
        }
        std::error_code error;
        if (std::filesystem::create_directories(folder, error)) {
            ::chmod(folder.c_str(), 0700);
        }
        fd_ = OpenLockFile(folder / "desktop-values.lock");
        held_ = fd_.get() >= 0 && Flock(fd_.get(), LOCK_EX);
    }
    bool held() const { return held_; }

private:
    UniqueFd fd_;  // closing it lets go of the lock
    bool held_ = false;
};

}  // namespace

bool SameDesktopValue(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    const auto x = ParseNumber(a);
    const auto y = ParseNumber(b);
    return x && y && std::fabs(*x - *y) < 1e-6;
}

DesktopValuesRecord::DesktopValuesRecord(std::filesystem::path folder)
    : folder_(std::move(folder)),
      path_(folder_.empty() ? std::filesystem::path() : folder_ / "desktop-values") {}

std::optional<std::string> DesktopValuesRecord::TakeUsersValue(
    std::string_view key, const std::optional<std::string>& desktopNow) {
    RecordLock lock(folder_);
    if (!lock.held()) {
        return desktopNow;
    }
    if (!run_.valid()) {
        run_ = OpenLockFile(folder_ / "desktop-run.lock");
        // An ending program holds the lock exclusively only while it holds the file's lock.
        if (run_.valid() && !Flock(run_.get(), LOCK_SH)) {
            run_.Reset();
        }
    }
    Lines lines = ReadLines(path_);
    const auto user = lines.find(Key(key, "user"));
    const auto set = lines.find(Key(key, "set"));
    if (user != lines.end()) {
        const bool programsValue =
            !desktopNow ||
            (set != lines.end() && std::ranges::any_of(Words(set->second), [&](const auto& value) {
                 return SameDesktopValue(value, *desktopNow);
             }));
        if (programsValue) {
            return user->second;
        }
    }
    if (!desktopNow || !AllNumbers(*desktopNow) || Words(*desktopNow).size() != 1) {
        return desktopNow;
    }
    // The user's latest choice: it is what the end gives back.
    lines.insert_or_assign(Key(key, "user"), *desktopNow);
    lines.erase(Key(key, "set"));
    WriteLines(path_, lines);
    return desktopNow;
}

void DesktopValuesRecord::NoteSet(std::string_view key, const std::string& value) {
    RecordLock lock(folder_);
    if (!lock.held() || !AllNumbers(value)) {
        return;
    }
    Lines lines = ReadLines(path_);
    std::vector<std::string> values = {value};
    if (const auto set = lines.find(Key(key, "set")); set != lines.end()) {
        for (std::string& old : Words(set->second)) {
            if (values.size() < kSetValuesKept && !SameDesktopValue(old, value)) {
                values.push_back(std::move(old));
            }
        }
    }
    std::string text;
    for (const std::string& each : values) {
        text += (text.empty() ? "" : " ") + each;
    }
    if (const auto set = lines.find(Key(key, "set")); set != lines.end() && set->second == text) {
        return;  // nothing new to keep
    }
    lines.insert_or_assign(Key(key, "set"), text);
    WriteLines(path_, lines);
}

std::optional<bool> DesktopValuesRecord::EndRun(const Settle& settle) {
    RecordLock lock(folder_);
    if (!lock.held()) {
        return std::nullopt;
    }
    if (!run_.valid()) {
        run_ = OpenLockFile(folder_ / "desktop-run.lock");
    }
    // Exclusive only when no other program holds its shared lock; a killed one holds none.
    const bool last = run_.valid() && ::flock(run_.get(), LOCK_EX | LOCK_NB) == 0;
    run_.Reset();
    if (!last) {
        return false;
    }
    Lines lines = ReadLines(path_);
    std::vector<std::string> settings;
    for (const auto& [key, value] : lines) {
        if (key.ends_with(".user")) {
            settings.push_back(key.substr(0, key.size() - 5));
        }
    }
    bool changed = false;
    for (const std::string& setting : settings) {
        Entry entry{lines[Key(setting, "user")], {}};
        if (const auto set = lines.find(Key(setting, "set")); set != lines.end()) {
            entry.set = Words(set->second);
        }
        if (settle(setting, entry)) {
            lines.erase(Key(setting, "user"));
            lines.erase(Key(setting, "set"));
            changed = true;
        }
    }
    if (changed) {
        WriteLines(path_, lines);
    }
    return true;
}

bool DesktopValuesRecord::FirstTelling(std::string_view key) {
    RecordLock lock(folder_);
    if (!lock.held()) {
        return true;
    }
    Lines lines = ReadLines(path_);
    if (lines.contains(Key(key, "told"))) {
        return false;
    }
    lines.insert_or_assign(Key(key, "told"), "1");
    WriteLines(path_, lines);
    return true;
}

}  // namespace zel::platform
