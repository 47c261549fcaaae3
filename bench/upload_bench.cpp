// Time of one UploadSettings against the virtual mouse, and how often it replaces config.ini.
// Usage: upload_bench [ZEL-MOUSE-SIM [RUNS]]  (default: zel-mouse-sim of the build, 500 runs)

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/discovery.h"
#include "device/upload.h"
#include "platform/message_sink.h"
#include "platform/pointer_settings.h"
#include "platform/sim_transport.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "tests/support/file_replacement_counter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string simulator =
        argc > 1 ? argv[1] : std::string(ZEL_RUNTIME_DIR) + "/zel-mouse-sim";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    constexpr int kWarmUp = 20;

    std::string pattern = (fs::temp_directory_path() / "zel-upload-bench-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    const fs::path socket = dir / "mouse.sock";
    const fs::path log = dir / "sim.log";
    const fs::path config = dir / "config.ini";
    std::ofstream(config) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n";

    std::vector<std::string> args = {simulator,       "serve", "--socket",
                                     socket.string(), "--log", log.string()};
    std::vector<char*> argvSim;
    for (auto& a : args) {
        argvSim.push_back(a.data());
    }
    argvSim.push_back(nullptr);
    pid_t sim = -1;
    if (::posix_spawn(&sim, simulator.c_str(), nullptr, nullptr, argvSim.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", simulator.c_str());
        return 1;
    }
    auto stopSimulator = [&] {
        ::kill(sim, SIGTERM);
        ::waitpid(sim, nullptr, 0);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    };
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!fs::exists(socket) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    zel::platform::SimTransport transport(socket.string());
    zel::platform::StderrMessageSink messages;
    zel::device::DeviceLink link;
    if (!zel::device::DiscoverMouse(link, transport, messages, 1) || !link.IsWriteOpen()) {
        std::fprintf(stderr, "the virtual mouse was not found at %s\n", socket.c_str());
        stopSimulator();
        return 1;
    }

    zel::settings::ProfileSettings profile;
    zel::settings::StoreProfileValues(profile, zel::settings::kResetDefaults);
    // Remembers only: the benchmark must not change the desktop it runs on.
    zel::platform::DesktopPointerSettings pointer(zel::platform::Desktop::None);
    pointer.SetPointerSpeed(10);
    pointer.SetWheelScrollLines(3);
    const zel::device::UploadContext context{profile, link, pointer, config, {}};

    for (int i = 0; i < kWarmUp; ++i) {
        zel::device::UploadSettings(context, 1);
    }
    zel::test::FileReplacementCounter replacements(dir, "config.ini");
    replacements.Take();
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    long replaced = 0;
    long mostInOneUpload = 0;
    for (int i = 0; i < runs; ++i) {
        // A changed profile each time: an upload that changes nothing leaves the file alone.
        profile.FIRE_TIME = (i % 2 == 0) ? 58 : 50;
        const auto start = Clock::now();
        zel::device::UploadSettings(context, 1);
        const auto end = Clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        const long now = replacements.Take();
        replaced += now;
        mostInOneUpload = std::max(mostInOneUpload, now);
    }
    // The same profile again and again: the file is left alone, only the reports cost.
    std::vector<double> unchangedMs;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        zel::device::UploadSettings(context, 1);
        unchangedMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const long unchangedReplaced = replacements.Take();

    // The file replacement alone (write, fsync, rename), to tell disk time from report time.
    std::vector<double> commitMs;
    for (int i = 0; i < runs; ++i) {
        profile.FIRE_TIME = (i % 2 == 0) ? 58 : 50;
        zel::ini::IniWriteBatch batch(config);
        zel::settings::SaveProfile(batch, 1, profile);
        const auto start = Clock::now();
        batch.Commit();
        commitMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    stopSimulator();

    double sum = 0;
    for (double v : ms) {
        sum += v;
    }
    std::printf("UploadSettings against zel-mouse-sim (13 feature reports of %zu bytes), %d runs\n",
                link.FeatureReportLength(), runs);
    std::printf("  median %.3f ms   mean %.3f ms   p99 %.3f ms   max %.3f ms   (target < 5 ms)\n",
                Percentile(ms, 0.5), sum / runs, Percentile(ms, 0.99),
                *std::max_element(ms.begin(), ms.end()));
    std::printf(
        "  config.ini replaced %.2f times per upload (profile changed each time), "
        "at most %ld   (target <= 2)\n",
        static_cast<double>(replaced) / runs, mostInOneUpload);
    std::printf(
        "  unchanged profile: median %.3f ms   p99 %.3f ms   config.ini replaced %ld "
        "times in %d uploads\n",
        Percentile(unchangedMs, 0.5), Percentile(unchangedMs, 0.99), unchangedReplaced, runs);
    std::printf("  of which one config.ini replacement alone: median %.3f ms   p99 %.3f ms\n",
                Percentile(commitMs, 0.5), Percentile(commitMs, 0.99));
    return 0;
}
