// Macro playback against the virtual mouse (zel-mouse-sim), timed by the mouse's own log
// (t_us, CLOCK_MONOTONIC in microseconds, stamped when a report leaves or arrives there):
//
//   latency  press of a button whose function is a one-step user macro -> the macro's first
//            key report at the mouse (median, 99th percentile, worst)
//   timing   a 200-step macro with delays of 15 ... 100 ms: each step report's deviation from
//            its scheduled time (the first report's time plus the delays before it), and the
//            drift after 40 steps and of the last step
//
// The program's own threads, transport and report code do the work, with the scheduling the
// program asks for; the mouse runs as its own process, reached through ZEL_GMOUSE_SIM like the
// program reaches it.
//
// Usage: playback_bench [--load] [PRESSES [RUNS]]   (defaults 200 presses, 2 runs of the long
// macro). With --load the figures are taken twice, idle and with one busy process per core at
// normal priority, and printed side by side.
//
//        playback_bench --as-user NAME [--rounds N]   (default 5 rounds)
// runs as user NAME with no real-time or nice rights (rtprio and nice limits 0), as most people
// run the program, the virtual mouse too. Each round presses a button three times whose
// function is a 40-step macro of 20 ms steps, once through the program's threads and once
// through a plain thread that blocks on the same read channel and sleeps to absolute deadlines
// at the same priority, and once through that plain thread with the player's catch-up rule;
// idle, with one core busy and with every core busy. It prints the medians over the rounds side
// by side: first report after the press, step deviation p99 and drift over the 40 steps, at the
// mouse and when each send began. The plain thread asks for the same scheduling as the
// program's threads; unlike the player it has no 15 ms floor between two sends, so after a
// stall it catches up in one burst. The plain thread with the floor shows what the rule alone
// costs; what the program loses beyond it is its own.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/discovery.h"
#include "macro/macro_store.h"
#include "macro/playback_schedule.h"
#include "macro/playback_threads.h"
#include "platform/hid_transport_factory.h"
#include "platform/launcher.h"
#include "platform/message_sink.h"
#include "platform/thread_priority.h"
#include "settings/button_function.h"
#include "settings/profile_settings.h"
#include "settings/upload_derivations.h"
#include "sim/control_client.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zel::macro::MacroRecord;

constexpr int kLatencyButton = 4;  // K3: user macro 0, one step
constexpr int kTimingButton = 5;   // K4: user macro 1, 200 steps
constexpr int kTimingSteps = 200;
constexpr int kDriftSteps = 40;

class NoLauncher final : public zel::platform::Launcher {
public:
    bool Start(zel::platform::HostProgram) override { return false; }
};

std::int64_t MonotonicMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The program's transport, with the time (CLOCK_MONOTONIC, like the mouse's log) at which
// each feature report starts on its way, to tell the player's own timing from the mouse's.
class TimedTransport final : public zel::platform::HidTransport {
public:
    explicit TimedTransport(std::unique_ptr<zel::platform::HidTransport> inner)
        : inner_(std::move(inner)) {}

    std::vector<zel::platform::HidCollectionInfo> Enumerate() override {
        return inner_->Enumerate();
    }
    std::unique_ptr<zel::platform::HidChannel> Open(
        const zel::platform::HidCollectionInfo& collection,
        zel::platform::HidAccess access) override {
        auto channel = inner_->Open(collection, access);
        if (!channel || access != zel::platform::HidAccess::Write) {
            return channel;
        }
        return std::make_unique<TimedChannel>(std::move(channel), *this);
    }
    std::unique_ptr<zel::platform::HidDeviceWatcher> Watch() override { return inner_->Watch(); }

    std::vector<std::int64_t> SendTimes() {
        std::lock_guard lock(mutex_);
        return sendTimes_;
    }
    // How long each send took, from its start until the mouse's answer was in, in order.
    std::vector<std::int64_t> SendDurations() {
        std::lock_guard lock(mutex_);
        return sendDurations_;
    }

private:
    class TimedChannel final : public zel::platform::HidChannel {
    public:
        TimedChannel(std::unique_ptr<zel::platform::HidChannel> inner, TimedTransport& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        bool SendFeatureReport(std::span<const std::uint8_t> report) override {
            const std::int64_t began = MonotonicMicros();
            {
                std::lock_guard lock(owner_.mutex_);
                owner_.sendTimes_.push_back(began);
            }
            const bool sent = inner_->SendFeatureReport(report);
            const std::int64_t answered = MonotonicMicros();
            std::lock_guard lock(owner_.mutex_);
            owner_.sendDurations_.push_back(answered - began);
            return sent;
        }
        std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> buffer) override {
            return inner_->ReadInputReport(buffer);
        }
        void Cancel() override { inner_->Cancel(); }

    private:
        std::unique_ptr<zel::platform::HidChannel> inner_;
        TimedTransport& owner_;
    };

    std::unique_ptr<zel::platform::HidTransport> inner_;
    std::mutex mutex_;
    std::vector<std::int64_t> sendTimes_;
    std::vector<std::int64_t> sendDurations_;
};

struct LogEvent {
    std::int64_t tUs = 0;
    std::string event;   // "input", "feature", ...
    std::string source;  // of an input: "press", "release", "raw"
    std::string hex;
};

std::string StringField(const std::string& line, const std::string& key) {
    const std::string tag = "\"" + key + "\":\"";
    const auto at = line.find(tag);
    if (at == std::string::npos) {
        return {};
    }
    const auto begin = at + tag.size();
    return line.substr(begin, line.find('"', begin) - begin);
}

std::vector<LogEvent> ReadLog(const fs::path& file) {
    std::vector<LogEvent> events;
    std::ifstream in(file);
    std::string raw;
    while (std::getline(in, raw)) {
        std::string line;
        for (const char c : raw) {
            if (c != ' ') {
                line += c;
            }
        }
        LogEvent e;
        const auto t = line.find("\"t_us\":");
        if (t == std::string::npos) {
            continue;
        }
        e.tUs = std::stoll(line.substr(t + 7));
        e.event = StringField(line, "event");
        e.source = StringField(line, "source");
        e.hex = StringField(line, "hex");
        events.push_back(e);
    }
    return events;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(200us);
    }
    return true;
}

MacroRecord Macro(const std::vector<std::array<std::uint16_t, 3>>& steps) {
    MacroRecord record{};
    record.name[0] = u'B';
    record.stepCount = static_cast<std::uint8_t>(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        record.steps[k] = {static_cast<std::uint8_t>(steps[k][0]),
                           static_cast<std::uint8_t>(steps[k][1])};
        record.delays[k].Set(steps[k][2]);
    }
    return record;
}

// The virtual mouse as a child process with its log in `folder`.
class VirtualMouse {
public:
    explicit VirtualMouse(const fs::path& folder)
        : socket_(folder / "mouse.sock"), log_(folder / "sim.log") {
        const std::string program = std::string(ZEL_RUNTIME_DIR) + "/zel-mouse-sim";
        std::vector<std::string> args = {program,          "serve", "--socket",
                                         socket_.string(), "--log", log_.string()};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        // Its own messages go to a file beside the log, not among the figures.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string errors = (folder / "sim.err").string();
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int spawned =
            ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return;
        }
        WaitUntil([this] { return fs::exists(socket_); }, 10s);
    }
    ~VirtualMouse() {
        if (pid_ > 0) {
            zel::sim::SendControlCommand(socket_.string(), "quit");
            int status = 0;
            if (!WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, 5s)) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
    }
    bool Running() const { return pid_ > 0 && fs::exists(socket_); }
    bool Send(const std::string& command) {
        return zel::sim::SendControlCommand(socket_.string(), command).status ==
               zel::sim::ControlReply::Status::Ok;
    }
    const fs::path& socket() const { return socket_; }
    const fs::path& log() const { return log_; }

private:
    fs::path socket_;
    fs::path log_;
    pid_t pid_ = -1;
};

// One press of `button` played through, then its release.
bool PlayOnce(VirtualMouse& mouse, zel::macro::PlaybackState& state, int button,
              std::chrono::milliseconds longest) {
    if (!mouse.Send("press " + std::to_string(button))) {
        return false;
    }
    // The request is raised, then cleared when the macro has been played.
    const bool raised = WaitUntil([&] { return state.playRequest.load() == 1; }, 2s);
    const bool done = WaitUntil([&] { return state.playRequest.load() == 0; }, longest);
    return mouse.Send("release " + std::to_string(button)) && raised && done;
}

struct Timing {
    std::vector<double> latency;    // ms from the press
    std::vector<double> deviation;  // ms, |actual - scheduled|
    std::vector<double> drift40;    // ms, step kDriftSteps, signed
    std::vector<double> drift;      // ms, last step, signed
    std::vector<double> release;    // ms, first ReleaseAll report, signed
};

struct Measurement {
    Timing atMouse;  // the mouse's log
    Timing atHost;   // when the program began each send
    bool ok = false;
};

// One busy process per core at normal priority, for as long as the object lives.
class BusyProcesses {
public:
    explicit BusyProcesses(unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                volatile std::uint64_t spin = 0;
                for (;;) {
                    spin = spin + 1;
                }
            }
            if (pid > 0) {
                pids_.push_back(pid);
            }
        }
    }
    ~BusyProcesses() {
        for (const pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
        }
        for (const pid_t pid : pids_) {
            ::waitpid(pid, nullptr, 0);
        }
    }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;
    std::size_t size() const { return pids_.size(); }

private:
    std::vector<pid_t> pids_;
};

Measurement Measure(const fs::path& folder, int presses, int runs) {
    Measurement result;
    VirtualMouse mouse(folder);
    if (!mouse.Running()) {
        std::fprintf(stderr, "the virtual mouse did not start (%s/zel-mouse-sim)\n",
                     ZEL_RUNTIME_DIR);
        return result;
    }
    ::setenv("ZEL_GMOUSE_SIM", mouse.socket().c_str(), 1);
    auto transport = std::make_unique<TimedTransport>(zel::platform::MakeHidTransport());
    zel::platform::StderrMessageSink messages;
    zel::device::DeviceLink link;
    // The socket file exists a moment before the mouse accepts connections.
    if (!WaitUntil([&] { return zel::device::DiscoverMouse(link, *transport, messages, 1); }, 5s)) {
        std::fprintf(stderr,
                     "the program's transport did not find the virtual mouse on %s "
                     "(ZEL_GMOUSE_SIM)\n",
                     mouse.socket().c_str());
        return result;
    }

    // Buttons 4 and 5 play user macros 0 and 1; the mouse reports them (device code 0).
    zel::settings::ProfileSettings profile;
    const std::array<std::int32_t, 6> functions = {1, 2, 3, 41, 42, 6};
    for (std::size_t i = 0; i < functions.size(); ++i) {
        profile.K[i] = functions[i];
        profile.reportsDpiLevel[i] = zel::settings::ReportsDpiLevel(functions[i]);
        link.SendButtonFunction(i, zel::settings::DeviceButtonCode(functions[i]));
    }

    std::vector<std::uint16_t> delays;
    std::uint32_t seed = 12345;
    for (int k = 0; k < kTimingSteps; ++k) {
        seed = seed * 1103515245u + 12345u;
        delays.push_back(static_cast<std::uint16_t>(15 + (seed >> 16) % 86));  // 15 ... 100
    }
    std::vector<std::array<std::uint16_t, 3>> longSteps;
    for (int k = 0; k < kTimingSteps; ++k) {
        longSteps.push_back({static_cast<std::uint16_t>(4 + (k / 2) % 26),
                             static_cast<std::uint16_t>(1 + k % 2),
                             delays[static_cast<std::size_t>(k)]});
    }
    zel::macro::MacroStore macros;
    macros.ReplaceUserMacros(std::vector<MacroRecord>{Macro({{4, 1, 15}}), Macro(longSteps)});

    NoLauncher launcher;
    zel::macro::PlaybackThreads playback({link,
                                          profile,
                                          macros,
                                          launcher,
                                          folder / "config.ini",
                                          [] { return 1; },
                                          {},
                                          zel::platform::ThreadPriority::ForLinux()});
    playback.Start();
    std::this_thread::sleep_for(50ms);

    bool ok = true;
    for (int i = 0; i < presses && ok; ++i) {
        ok = PlayOnce(mouse, playback.state(), kLatencyButton, 5s);
    }
    for (int r = 0; r < runs && ok; ++r) {
        ok = PlayOnce(mouse, playback.state(), kTimingButton, 60s);
    }
    playback.Stop();
    if (!ok) {
        std::fprintf(stderr, "a press was not played in time\n");
    }

    // The mouse's log gives when each input report left the mouse and each feature report
    // arrived there; the transport gives when each feature report left the program. The n-th
    // feature report of the log is the n-th one sent.
    const std::vector<LogEvent> events = ReadLog(mouse.log());
    const std::vector<std::int64_t> sendTimes = transport->SendTimes();
    auto measure = [&](Timing& timing, const std::vector<std::int64_t>& reports,
                       std::int64_t pressTime, bool latencyRun) {
        if (latencyRun) {
            timing.latency.push_back((reports[0] - pressTime) / 1000.0);
            return;
        }
        std::int64_t scheduled = reports[0];
        for (int k = 1; k < kTimingSteps; ++k) {
            scheduled += delays[static_cast<std::size_t>(k - 1)] * 1000;
            const double dev = (reports[static_cast<std::size_t>(k)] - scheduled) / 1000.0;
            timing.deviation.push_back(std::fabs(dev));
            if (k == kDriftSteps) {
                timing.drift40.push_back(dev);
            }
            if (k == kTimingSteps - 1) {
                timing.drift.push_back(dev);
            }
        }
        scheduled += delays.back() * 1000 + 10'000;  // ReleaseAll waits 10 ms first
        timing.release.push_back((reports[kTimingSteps] - scheduled) / 1000.0);
    };
    std::size_t featureIndex = 0;
    int pressIndex = -1;
    std::int64_t pressTime = 0;
    std::vector<std::int64_t> mouseTimes;
    std::vector<std::int64_t> hostTimes;
    auto finishPress = [&] {
        const bool latencyRun = pressIndex < presses;
        const std::size_t needed = latencyRun ? 1 : kTimingSteps + 1;
        if (pressIndex >= 0 && mouseTimes.size() >= needed && hostTimes.size() >= needed) {
            measure(result.atMouse, mouseTimes, pressTime, latencyRun);
            measure(result.atHost, hostTimes, pressTime, latencyRun);
        }
        mouseTimes.clear();
        hostTimes.clear();
    };
    for (const LogEvent& e : events) {
        if (e.event == "input" && e.source == "press") {
            finishPress();
            ++pressIndex;
            pressTime = e.tUs;
        } else if (e.event == "feature") {
            if (pressIndex >= 0) {
                mouseTimes.push_back(e.tUs);
                if (featureIndex < sendTimes.size()) {
                    hostTimes.push_back(sendTimes[featureIndex]);
                }
            }
            ++featureIndex;
        }
    }
    finishPress();
    if (result.atMouse.latency.size() != static_cast<std::size_t>(presses) ||
        result.atMouse.drift.size() != static_cast<std::size_t>(runs) ||
        sendTimes.size() != featureIndex) {
        std::fprintf(stderr, "the log lacks some presses or reports\n");
        ok = false;
    }
    result.ok = ok;
    return result;
}

// ---- An ordinary user's run: the program beside a plain thread ----

constexpr int kUserButton = kTimingButton;  // K4: user macro 1, the 40-step macro here
constexpr int kUserSteps = 40;
constexpr auto kUserStepDelay = 20ms;
constexpr int kUserPresses = 3;
// Long enough for a press's macro and its ReleaseAll; the bench sleeps meanwhile instead of
// watching, so that it takes no CPU from what it measures.
constexpr auto kUserMacroTime = kUserStepDelay * kUserSteps + 400ms;

// The plain thread twice: as the reference, and with the player's catch-up rule (the 15 ms floor
// between two sends) to tell the rule's share of the figures from the rest of the program's.
enum class Player { Program, PlainThread, PlainWithFloor };
constexpr std::array<Player, 3> kPlayers = {Player::PlainThread, Player::PlainWithFloor,
                                            Player::Program};

// One round of kUserPresses presses, in ms at the mouse.
struct RoundFigures {
    double firstReport = NAN;   // press -> first step report, median of the presses
    double deviationP99 = NAN;  // every step of every press against its schedule
    double drift = NAN;         // last step against its schedule, worst press (absolute)
    // The same two taken when each send began in the player's process: the wake-ups' share.
    double hostDeviationP99 = NAN;
    double hostDrift = NAN;
    // Step sends from their start until the mouse's answer was in.
    double sendP99 = NAN;
    bool ok = false;
};

// For the rest of the process: user `name`, with no real-time or nice rights and the nice
// value 0.
bool BecomeOrdinaryUser(const char* name) {
    const passwd* user = ::getpwnam(name);
    if (user == nullptr) {
        std::fprintf(stderr, "no user %s\n", name);
        return false;
    }
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_RTPRIO, &none) != 0 || ::setrlimit(RLIMIT_NICE, &none) != 0) {
        std::fprintf(stderr, "cannot drop the real-time and nice limits\n");
        return false;
    }
    if (::getuid() == 0) {
        ::setpriority(PRIO_PROCESS, 0, 0);
    }
    if (::getuid() != user->pw_uid &&
        (::setgroups(0, nullptr) != 0 || ::setgid(user->pw_gid) != 0 ||
         ::setuid(user->pw_uid) != 0)) {
        std::fprintf(stderr, "cannot become user %s (run as root)\n", name);
        return false;
    }
    return true;
}

// The reference: one thread that blocks on the read channel and, on each press of
// kUserButton, sends the macro's steps at absolute deadlines from the first one
// (clock_nanosleep), then ReleaseAll. Nothing else: no hand-over, and unless `withFloor`, no
// catch-up rule; with it, a late step is followed by the next no sooner than the player's rule
// allows (NextStepStart).
class PlainThread {
public:
    PlainThread(zel::device::DeviceLink& link, zel::platform::ThreadPriority& priority,
                bool withFloor)
        : link_(link),
          priority_(priority),
          withFloor_(withFloor),
          thread_([this](std::stop_token s) { Run(s); }) {}
    ~PlainThread() {
        thread_.request_stop();
        link_.CancelRead();
    }
    PlainThread(const PlainThread&) = delete;
    PlainThread& operator=(const PlainThread&) = delete;
    int Played() const { return played_.load(); }

private:
    void Run(std::stop_token stop) {
        priority_.RaiseCurrentThread("plain");
        while (!stop.stop_requested() && link_.ReadInputReport()) {
            const zel::device::InputReport report = link_.LastInputReport();
            if (report.length < 3 || report.bytes[0] != zel::device::kInputReportId ||
                report.bytes[1] != zel::device::kButtonEventBase + kUserButton ||
                report.bytes[2] == zel::device::kReleaseValue) {
                continue;
            }
            // steady_clock is CLOCK_MONOTONIC.
            const auto start = std::chrono::steady_clock::now();
            auto previousStart = start;
            for (int k = 0; k < kUserSteps; ++k) {
                if (k > 0) {
                    auto due = start + kUserStepDelay * k;
                    if (withFloor_) {
                        due = zel::macro::NextStepStart(
                            due, previousStart,
                            std::chrono::duration_cast<std::chrono::microseconds>(kUserStepDelay));
                    }
                    const auto ns =
                        std::chrono::duration_cast<std::chrono::nanoseconds>(due.time_since_epoch())
                            .count();
                    const timespec deadline{static_cast<time_t>(ns / 1'000'000'000),
                                            static_cast<long>(ns % 1'000'000'000)};
                    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) ==
                           EINTR) {
                    }
                }
                previousStart = std::chrono::steady_clock::now();
                link_.InjectEvent(static_cast<std::uint8_t>(4 + k / 2),
                                  static_cast<std::uint8_t>(1 + k % 2));
            }
            link_.ReleaseAll();
            played_.fetch_add(1);
        }
    }

    zel::device::DeviceLink& link_;
    zel::platform::ThreadPriority& priority_;
    bool withFloor_;
    std::atomic<int> played_{0};
    std::jthread thread_;
};

RoundFigures MeasureOrdinary(const fs::path& folder, Player player,
                             const std::shared_ptr<zel::platform::ThreadPriority>& priority) {
    RoundFigures result;
    fs::create_directories(folder);
    VirtualMouse mouse(folder);
    if (!mouse.Running()) {
        std::fprintf(stderr, "the virtual mouse did not start (%s/zel-mouse-sim)\n",
                     ZEL_RUNTIME_DIR);
        return result;
    }
    ::setenv("ZEL_GMOUSE_SIM", mouse.socket().c_str(), 1);
    auto transport = std::make_unique<TimedTransport>(zel::platform::MakeHidTransport());
    zel::platform::StderrMessageSink messages;
    zel::device::DeviceLink link;
    if (!WaitUntil([&] { return zel::device::DiscoverMouse(link, *transport, messages, 1); }, 5s)) {
        std::fprintf(stderr, "the virtual mouse was not found on %s\n", mouse.socket().c_str());
        return result;
    }
    zel::settings::ProfileSettings profile;
    const std::array<std::int32_t, 6> functions = {1, 2, 3, 41, 42, 6};
    for (std::size_t i = 0; i < functions.size(); ++i) {
        profile.K[i] = functions[i];
        link.SendButtonFunction(i, zel::settings::DeviceButtonCode(functions[i]));
    }
    std::vector<std::array<std::uint16_t, 3>> steps;
    for (int k = 0; k < kUserSteps; ++k) {
        steps.push_back({static_cast<std::uint16_t>(4 + k / 2),
                         static_cast<std::uint16_t>(1 + k % 2),
                         static_cast<std::uint16_t>(kUserStepDelay.count())});
    }
    zel::macro::MacroStore macros;
    macros.ReplaceUserMacros(std::vector<MacroRecord>{Macro({{4, 1, 15}}), Macro(steps)});
    NoLauncher launcher;

    bool ok = true;
    // finished(i): press i has been played.
    const auto pressAll = [&](const std::function<bool(int)>& finished) {
        std::this_thread::sleep_for(100ms);
        for (int i = 0; i < kUserPresses && ok; ++i) {
            ok = mouse.Send("press " + std::to_string(kUserButton));
            std::this_thread::sleep_for(kUserMacroTime);
            ok = ok && mouse.Send("release " + std::to_string(kUserButton)) &&
                 WaitUntil([&] { return finished(i); }, 10s);
            std::this_thread::sleep_for(100ms);
        }
    };
    if (player == Player::Program) {
        zel::macro::PlaybackThreads playback({link,
                                              profile,
                                              macros,
                                              launcher,
                                              folder / "config.ini",
                                              [] { return 1; },
                                              {},
                                              priority});
        playback.Start();
        // The request is cleared once the macro has played.
        pressAll([&](int) { return playback.state().playRequest.load() == 0; });
        playback.Stop();
    } else {
        PlainThread plain(link, *priority, player == Player::PlainWithFloor);
        pressAll([&](int i) { return plain.Played() == i + 1; });
    }
    if (!ok) {
        std::fprintf(stderr, "a press was not played in time\n");
        return result;
    }

    // Each press's step reports at the mouse and when their sends began; the n-th feature
    // report of the mouse's log is the n-th one sent.
    struct Deviations {
        std::vector<double> all;
        double worstDrift = 0;
        void Add(const std::vector<std::int64_t>& times) {
            const auto stepUs = std::chrono::microseconds(kUserStepDelay).count();
            for (int k = 1; k < kUserSteps; ++k) {
                const double dev =
                    (times[static_cast<std::size_t>(k)] - times[0] - stepUs * k) / 1000.0;
                all.push_back(std::fabs(dev));
                if (k == kUserSteps - 1) {
                    worstDrift = std::max(worstDrift, std::fabs(dev));
                }
            }
        }
    };
    const std::vector<std::int64_t> sendTimes = transport->SendTimes();
    const std::vector<std::int64_t> sendDurations = transport->SendDurations();
    std::vector<double> stepSends;
    std::size_t featureIndex = 0;
    std::vector<double> firsts;
    Deviations atMouse;
    Deviations atHost;
    std::vector<std::int64_t> reports;
    std::vector<std::int64_t> sends;
    std::int64_t pressTime = -1;
    const auto finishPress = [&] {
        if (pressTime < 0 || reports.size() < static_cast<std::size_t>(kUserSteps) ||
            sends.size() < static_cast<std::size_t>(kUserSteps)) {
            return;
        }
        firsts.push_back((reports[0] - pressTime) / 1000.0);
        atMouse.Add(reports);
        atHost.Add(sends);
    };
    for (const LogEvent& e : ReadLog(mouse.log())) {
        if (e.event == "input" && e.source == "press") {
            finishPress();
            reports.clear();
            sends.clear();
            pressTime = e.tUs;
        } else if (e.event == "feature") {
            if (pressTime >= 0) {
                reports.push_back(e.tUs);
                if (featureIndex < sendTimes.size()) {
                    sends.push_back(sendTimes[featureIndex]);
                    stepSends.push_back(sendDurations[featureIndex] / 1000.0);
                }
            }
            ++featureIndex;
        }
    }
    finishPress();
    if (firsts.size() != static_cast<std::size_t>(kUserPresses) ||
        featureIndex != sendTimes.size()) {
        std::fprintf(stderr, "the log lacks some presses or reports\n");
        return result;
    }
    result.firstReport = Percentile(firsts, 50);
    result.deviationP99 = Percentile(atMouse.all, 99);
    result.drift = atMouse.worstDrift;
    result.hostDeviationP99 = Percentile(atHost.all, 99);
    result.hostDrift = atHost.worstDrift;
    result.sendP99 = Percentile(stepSends, 99);
    result.ok = true;
    return result;
}

int RunAsOrdinaryUser(const fs::path& folder, const char* user, int rounds) {
    struct Condition {
        const char* name;
        unsigned busy;
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::array<Condition, 3> conditions = {
        {{"idle", 0}, {"one core busy", 1}, {"every core busy", cores}}};
    // [condition][player][round]
    std::array<std::array<std::vector<RoundFigures>, kPlayers.size()>, 3> figures;
    const auto priority = zel::platform::ThreadPriority::ForLinux();
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t c = 0; c < conditions.size(); ++c) {
            BusyProcesses busy(conditions[c].busy);
            // Rotating which goes first, so that none always meets the same moment.
            for (std::size_t i = 0; i < kPlayers.size(); ++i) {
                const std::size_t p = (static_cast<std::size_t>(r) + i) % kPlayers.size();
                const fs::path where = folder / ("r" + std::to_string(r) + "c" + std::to_string(c) +
                                                 "p" + std::to_string(p));
                RoundFigures f = MeasureOrdinary(where, kPlayers[p], priority);
                if (!f.ok) {
                    return 1;
                }
                figures[c][p].push_back(f);
                std::error_code ignored;
                fs::remove_all(where, ignored);
            }
        }
    }
    const auto median = [](const std::vector<RoundFigures>& all, double RoundFigures::*field) {
        std::vector<double> values;
        for (const RoundFigures& f : all) {
            values.push_back(f.*field);
        }
        return Percentile(values, 50);
    };
    std::printf("Macro timing as user %s, normal priority (no real-time or nice rights)\n", user);
    std::printf(
        "%d steps of %lld ms, %d presses a round, medians of %d rounds, in ms at the mouse\n",
        kUserSteps, static_cast<long long>(kUserStepDelay.count()), kUserPresses, rounds);
    std::printf("busy: one spinning process per busy core, same user, normal priority\n");
    std::printf("plain: a plain thread; +floor: the same with the player's catch-up rule\n");
    std::printf("at the mouse: its arrival stamps; at the send: when the send began\n");
    std::printf("  %-34s", "");
    for (const Condition& c : conditions) {
        std::printf(" %26s", c.name);
    }
    std::printf("\n  %-34s", "");
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        std::printf(" %8s %8s %8s", "plain", "+floor", "program");
    }
    std::printf("\n");
    const auto row = [&](const char* what, double RoundFigures::*field) {
        std::printf("  %-34s", what);
        for (std::size_t c = 0; c < conditions.size(); ++c) {
            for (std::size_t p = 0; p < kPlayers.size(); ++p) {
                std::printf(" %8.3f", median(figures[c][p], field));
            }
        }
        std::printf("\n");
    };
    row("first report after the press", &RoundFigures::firstReport);
    row("step deviation p99", &RoundFigures::deviationP99);
    row("drift over 40 steps (worst press)", &RoundFigures::drift);
    row("step deviation p99, at the send", &RoundFigures::hostDeviationP99);
    row("drift, at the send", &RoundFigures::hostDrift);
    row("send p99, began -> answered", &RoundFigures::sendP99);
    return 0;
}

double Worst(const std::vector<double>& values) {
    double worst = 0;
    for (const double v : values) {
        worst = std::max(worst, std::fabs(v));
    }
    return values.empty() ? NAN : worst;
}

void PrintRow(const char* what, const std::vector<Measurement>& columns,
              const std::function<double(const Measurement&)>& figure, const char* target) {
    std::printf("  %-42s", what);
    for (const Measurement& m : columns) {
        std::printf(" %9.3f", figure(m));
    }
    std::printf("   %s\n", target);
}

}  // namespace

int main(int argc, char** argv) {
    bool load = false;
    const char* asUser = nullptr;
    int rounds = 5;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--load") {
            load = true;
        } else if (arg == "--as-user" && i + 1 < argc) {
            asUser = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            numbers.push_back(std::max(1, std::atoi(argv[i])));
        }
    }
    if (asUser != nullptr && !BecomeOrdinaryUser(asUser)) {
        return 1;
    }
    const int presses = numbers.size() > 0 ? numbers[0] : 200;
    const int runs = numbers.size() > 1 ? numbers[1] : 2;

    // The mouse writes its log synchronously before it answers; on a disk shared with busy
    // builds a write can stall for milliseconds, which would be the mouse's time, not the
    // program's. A memory file system keeps the log out of the figures.
    fs::path base = fs::temp_directory_path();
    const char* const memoryFolders[] = {std::getenv("XDG_RUNTIME_DIR"), "/dev/shm"};
    for (const char* memory : memoryFolders) {
        std::error_code error;
        if (memory != nullptr && *memory != '\0' && fs::is_directory(memory, error) &&
            ::access(memory, W_OK) == 0) {
            base = memory;
            break;
        }
    }
    std::string pattern = (base / "zel-playback-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const fs::path folder = pattern;
    if (asUser != nullptr) {
        const int status = RunAsOrdinaryUser(folder, asUser, rounds);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        return status;
    }
    std::vector<Measurement> columns;
    std::vector<std::string> names;
    fs::create_directories(folder / "idle");
    columns.push_back(Measure(folder / "idle", presses, runs));
    names.push_back("idle");
    unsigned busy = 0;
    if (load && columns.back().ok) {
        fs::create_directories(folder / "loaded");
        BusyProcesses processes(std::max(1u, std::thread::hardware_concurrency()));
        busy = static_cast<unsigned>(processes.size());
        columns.push_back(Measure(folder / "loaded", presses, runs));
        names.push_back("loaded");
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    std::printf("Macro playback against the virtual mouse, in ms\n");
    std::printf(
        "(at the mouse: its log's t_us, the kernel's arrival stamps; leaving the program:\n"
        " when the send began)\n");
    if (busy > 0) {
        std::printf("loaded: %u busy processes (one per core) at normal priority\n", busy);
    }
    std::printf("  %-42s", "");
    for (const std::string& name : names) {
        std::printf(" %9s", name.c_str());
    }
    std::printf("   target\n");
    using M = const Measurement&;
    std::printf("press -> first report, %d presses\n", presses);
    PrintRow(
        "median at the mouse", columns, [](M m) { return Percentile(m.atMouse.latency, 50); },
        "< 0.5");
    PrintRow(
        "max at the mouse", columns, [](M m) { return Percentile(m.atMouse.latency, 100); },
        "< 2 (loaded)");
    PrintRow(
        "max leaving the program", columns, [](M m) { return Percentile(m.atHost.latency, 100); },
        "");
    std::printf("200-step macro, delays 15...100 ms, %d runs: deviation from the schedule\n", runs);
    PrintRow(
        "step deviation p99 at the mouse", columns,
        [](M m) { return Percentile(m.atMouse.deviation, 99); }, "< 1");
    PrintRow(
        "step deviation max at the mouse", columns,
        [](M m) { return Percentile(m.atMouse.deviation, 100); }, "");
    PrintRow(
        "step deviation p99 leaving the program", columns,
        [](M m) { return Percentile(m.atHost.deviation, 99); }, "");
    PrintRow(
        "drift over 40 steps, worst run", columns, [](M m) { return Worst(m.atMouse.drift40); },
        "< 2");
    PrintRow(
        "drift over 200 steps, worst run", columns, [](M m) { return Worst(m.atMouse.drift); },
        "< 2");
    PrintRow(
        "first ReleaseAll report, worst run", columns, [](M m) { return Worst(m.atMouse.release); },
        "");
    for (const Measurement& m : columns) {
        if (!m.ok) {
            return 1;
        }
    }
    return 0;
}
