// Figures of the main window (offscreen):
//   - time from process start to the first completed paint of the main window, measured from
//     the parent across fork and exec of a child that starts the window as the program does;
//   - the time of one hover repaint on each page (Google Benchmark);
//   - the peak resident memory of a child that starts the window and then idles.
// Targets: first paint under 400 ms, hover repaint under 8 ms, memory under 80 MB.
//
// The mouse is the virtual mouse's device model, in process behind a HidTransport, so the
// figures do not depend on a socket or a device. The window reads the shipped skins and data
// from a copy of the build's runtime folder.

#include <benchmark/benchmark.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/pages/page_table.h"
#include "app/window/main_window.h"
#include "device/device_link.h"
#include "macro/macro_store.h"
#include "platform/hid_transport.h"
#include "platform/launcher.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "settings/profile_settings.h"
#include "sim/mouse_model.h"

namespace {

namespace fs = std::filesystem;
using namespace zel;

constexpr const char* kMousePath = "model:mouse";

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// ---- The mouse, in process ----

class ModelChannel final : public platform::HidChannel {
public:
    ModelChannel(sim::MouseModel& model, std::mutex& mutex) : model_(model), mutex_(mutex) {}
    bool SendFeatureReport(std::span<const std::uint8_t> report) override {
        std::lock_guard lock(mutex_);
        return model_.HandleFeatureReport(report).outcome != sim::FeatureResult::Outcome::Refused;
    }
    std::optional<std::size_t> ReadInputReport(std::span<std::uint8_t> /*buffer*/) override {
        std::unique_lock lock(readMutex_);
        cancelled_.wait(lock, [this] { return cancel_; });
        return std::nullopt;
    }
    void Cancel() override {
        std::lock_guard lock(readMutex_);
        cancel_ = true;
        cancelled_.notify_all();
    }

private:
    sim::MouseModel& model_;
    std::mutex& mutex_;
    std::mutex readMutex_;
    std::condition_variable cancelled_;
    bool cancel_ = false;
};

class QuietWatcher final : public platform::HidDeviceWatcher {
public:
    QuietWatcher() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~QuietWatcher() override { ::close(fd_); }
    int PollFd() const override { return fd_; }
    std::vector<platform::HidDeviceEvent> TakeEvents() override { return {}; }

private:
    int fd_;
};

class ModelTransport final : public platform::HidTransport {
public:
    std::vector<platform::HidCollectionInfo> Enumerate() override {
        std::vector<platform::HidCollectionInfo> result;
        for (const sim::CollectionInfo& c : model_.Collections()) {
            result.push_back({kMousePath, sim::kVendorId, sim::kProductId, c.usagePage, c.usage,
                              c.inputReportLength, c.featureReportLength});
        }
        return result;
    }
    std::unique_ptr<platform::HidChannel> Open(const platform::HidCollectionInfo& /*c*/,
                                               platform::HidAccess /*access*/) override {
        return std::make_unique<ModelChannel>(model_, mutex_);
    }
    std::unique_ptr<platform::HidDeviceWatcher> Watch() override {
        return std::make_unique<QuietWatcher>();
    }

private:
    sim::MouseModel model_;
    std::mutex mutex_;
};

class RememberingPointer final : public platform::PointerSettings {
public:
    std::optional<int> GetPointerSpeed() override { return speed_; }
    void SetPointerSpeed(int speed) override { speed_ = speed; }
    std::optional<int> GetWheelScrollLines() override { return lines_; }
    void SetWheelScrollLines(int lines) override { lines_ = lines; }

private:
    int speed_ = platform::kDefaultPointerSpeed;
    int lines_ = platform::kDefaultWheelScrollLines;
};

// ---- The program's objects and a runtime folder of its own ----

// A copy of the build's runtime data (the window writes config.ini), with the skins linked.
std::string MakeRuntimeCopy(const QTemporaryDir& dir) {
    const fs::path source(ZEL_RUNTIME_DIR);
    const fs::path target(dir.path().toStdString());
    for (const char* file : {"config.ini", "Macro_EN.dat", "Macro_CN.dat", "constMacro.dat"}) {
        std::error_code error;
        fs::copy_file(source / file, target / file, fs::copy_options::overwrite_existing, error);
    }
    std::error_code error;
    fs::create_directory_symlink(source / "skins", target / "skins", error);
    return target.string();
}

struct Program {
    explicit Program(std::string exeDir)
        : window(app::AppServices{std::move(exeDir), messages, messages, pointer, &transport,
                                  launcher, link, profile, macros, recordClock}) {}

    platform::StderrMessageSink messages;
    RememberingPointer pointer;
    ModelTransport transport;
    platform::PathLauncher launcher;
    device::DeviceLink link;
    settings::ProfileSettings profile;
    macro::MacroStore macros;
    macro::SystemRecordClock recordClock;
    app::MainWindow window;
};

// ---- Children ----

// Starts the window as the program does and prints the monotonic time of its first paint.
int FirstPaintChild(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    Program program(MakeRuntimeCopy(dir));
    QObject::connect(&program.window, &app::MainWindow::paintCompleted, [] {
        std::printf("%.3f\n", MonotonicMs());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    if (!program.window.Initialise()) {
        return 1;
    }
    program.window.show();
    return QApplication::exec();
}

// Starts the window, idles for a while with the event loop running and prints the peak
// resident memory in kB.
int IdleChild(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    Program program(MakeRuntimeCopy(dir));
    if (!program.window.Initialise()) {
        return 1;
    }
    program.window.show();
    // Each page painted once, as a user looking around would.
    QTimer::singleShot(100, [&] { program.window.EnterAdvancedPage(); });
    QTimer::singleShot(200, [&] { program.window.EnterColorPage(); });
    QTimer::singleShot(300, [&] { program.window.EnterMainPage(); });
    QTimer::singleShot(2000, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::printf("%s\n", line.c_str() + 6);
        }
    }
    return 0;
}

// Runs this program with `mode` and returns what it printed, and the parent's monotonic time
// just before the fork.
std::optional<std::pair<std::string, double>> RunChild(const char* self, const char* mode) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return std::nullopt;
    }
    const double start = MonotonicMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(self, self, mode, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string output;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || output.empty()) {
        return std::nullopt;
    }
    return std::make_pair(output, start);
}

// ---- Hover repaint ----

void SendMove(QWidget& window, QPoint p) {
    QMouseEvent event(QEvent::MouseMove, QPointF(p), window.mapToGlobal(QPointF(p)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

QPoint CentreOf(const skin::SkinButton& b) {
    return {b.x + b.width / 2, b.y + b.height / 2};
}

Program* hoverProgram = nullptr;

void BM_HoverRepaint(benchmark::State& state) {
    app::MainWindow& window = hoverProgram->window;
    const auto page = static_cast<std::uint8_t>(state.range(0));
    if (page == app::kMainPage) {
        window.EnterMainPage();
    } else if (page == app::kAdvancedPage) {
        window.EnterAdvancedPage();
    } else {
        window.EnterColorPage();
    }
    QApplication::processEvents();
    // Two buttons of the page, hovered in turn: every move changes the hot index once.
    const skin::SkinLayout& layout = window.layout();
    QPoint a;
    QPoint b;
    if (page == app::kMainPage) {
        a = CentreOf(layout.mainButtons[27]);
        b = CentreOf(layout.mainButtons[70]);
    } else if (page == app::kAdvancedPage) {
        a = CentreOf(layout.advancedButtons[12]);
        b = CentreOf(layout.advancedButtons[31]);
    } else {
        a = CentreOf(layout.colorButtons[0]);
        b = CentreOf(layout.colorButtons[2]);
    }
    int paints = 0;
    const auto connection =
        QObject::connect(&window, &app::MainWindow::paintCompleted, [&paints] { ++paints; });
    bool flip = false;
    for (auto _ : state) {
        SendMove(window, flip ? a : b);
        flip = !flip;
    }
    QObject::disconnect(connection);
    state.counters["paints_per_move"] =
        static_cast<double>(paints) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HoverRepaint)
    ->ArgName("page")
    ->Arg(app::kMainPage)
    ->Arg(app::kAdvancedPage)
    ->Arg(app::kColorPage)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--first-paint-child") == 0) {
        return FirstPaintChild(argc, argv);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--idle-child") == 0) {
        return IdleChild(argc, argv);
    }

    // Start-up: several runs, so that a cold cache shows as the first one.
    std::vector<double> startups;
    for (int run = 0; run < 5; ++run) {
        const auto child = RunChild(argv[0], "--first-paint-child");
        if (!child) {
            std::fprintf(stderr, "window_bench: the first-paint child failed\n");
            return 1;
        }
        startups.push_back(std::stod(child->first) - child->second);
    }
    std::printf("first paint after process start (offscreen), 5 runs: ");
    for (const double ms : startups) {
        std::printf("%.1f ", ms);
    }
    std::sort(startups.begin(), startups.end());
    std::printf("ms; median %.1f ms (target < 400 ms)\n", startups[startups.size() / 2]);

    const auto idle = RunChild(argv[0], "--idle-child");
    if (idle) {
        const double kb = std::stod(idle->first);
        std::printf("peak resident memory of the idle window: %.1f MB (target < 80 MB)\n",
                    kb / 1024.0);
    } else {
        std::fprintf(stderr, "window_bench: the idle child failed\n");
    }
    std::fflush(stdout);

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QTemporaryDir dir;
    Program program(MakeRuntimeCopy(dir));
    if (!program.window.Initialise()) {
        std::fprintf(stderr, "window_bench: the window did not start\n");
        return 1;
    }
    program.window.show();
    QApplication::processEvents();
    hoverProgram = &program;
    std::printf("hover repaint, one pointer move that changes the hot button (target < 8 ms):\n");
    std::fflush(stdout);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    hoverProgram = nullptr;
    return 0;
}
