// zel-mouse-sim: the virtual mouse (serve) and its remote control (send).

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/signal_descriptor.h"
#include "platform/thread_priority.h"
#include "platform/unique_fd.h"
#include "sim/command_line.h"
#include "sim/control_client.h"
#include "sim/event_log.h"
#include "sim/socket_server.h"
#include "sim/uhid_frontend.h"

namespace {

using zel::sim::CommandLine;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnreachable = 3;

int Serve(const CommandLine& line) {
    ::signal(SIGPIPE, SIG_IGN);  // a log reader that goes away must not end the mouse
    zel::platform::UniqueFd logFile;
    int logFd = STDOUT_FILENO;
    if (!line.logPath.empty()) {
        logFile.Reset(::open(line.logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        logFd = logFile.get();
        if (logFd < 0) {
            std::fprintf(stderr, "zel-mouse-sim: cannot open log %s: %s\n", line.logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    // SIGINT and SIGTERM arrive on a descriptor the server polls, so it ends cleanly.
    constexpr std::array<int, 2> kStopSignals = {SIGINT, SIGTERM};
    zel::platform::SignalDescriptor stopSignals(kStopSignals);
    const int signalFd = stopSignals.fd();

    // The mouse answers like hardware even on a busy machine, so the figures taken against it
    // are the program's: its one thread is raised as far as the system allows (real-time where
    // permitted; it always blocks in poll, never spins).
    zel::platform::LinuxSchedulingCalls scheduling;
    zel::platform::RaiseCurrentThread(scheduling);

    zel::sim::EventLog log(logFd);
    if (line.uhid) {
        return zel::sim::ServeOnUhid(line.serve, log, signalFd);
    }
    zel::sim::SocketServer server(line.serve, log);
    std::string error;
    if (!server.Listen(&error)) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "zel-mouse-sim: serving on %s (%s)\n", line.serve.socketPath.c_str(),
                 line.serve.startUnplugged ? "unplugged" : "plugged in");
    server.Run(signalFd);
    return 0;
}

int Send(const CommandLine& line) {
    const zel::sim::ControlReply reply =
        zel::sim::SendControlCommand(line.socketPath, zel::sim::FormatControlCommand(line.command));
    switch (reply.status) {
        case zel::sim::ControlReply::Status::Ok:
            std::printf("%s\n", reply.text.c_str());
            return 0;
        case zel::sim::ControlReply::Status::Failed:
            std::fprintf(stderr, "zel-mouse-sim: %s\n", reply.text.c_str());
            return kExitRefused;
        case zel::sim::ControlReply::Status::Unreachable:
            break;
    }
    std::fprintf(stderr, "zel-mouse-sim: %s\n", reply.text.c_str());
    return kExitUnreachable;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CommandLine line = zel::sim::ParseCommandLine(args);
    if (!line.error.empty()) {
        std::fprintf(stderr, "zel-mouse-sim: %s\n%s", line.error.c_str(),
                     zel::sim::UsageText().c_str());
        return kExitUsage;
    }
    switch (line.mode) {
        case CommandLine::Mode::Help:
            std::printf("%s", zel::sim::UsageText().c_str());
            return 0;
        case CommandLine::Mode::Serve:
            return Serve(line);
        case CommandLine::Mode::Send:
            return Send(line);
    }
    return kExitUsage;
}
