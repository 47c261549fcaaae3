#pragma once

// Helpers of the virtual-mouse tests: a temporary folder, an in-process simulator on its own
// thread, log reading, a raw protocol client and a child-process runner.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim_protocol.h"
#include "sim/event_log.h"
#include "sim/socket_server.h"

extern char** environ;

namespace zel::sim::testing {

namespace proto = zel::platform::sim_protocol;
using namespace std::chrono_literals;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zelsim.XXXXXX";  // short: socket paths must stay under 108 bytes
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The value of a member of a flat JSON object line: a string without its quotes, or the
// literal text of a number or boolean. Empty when the member is missing.
inline std::string Field(const std::string& line, const std::string& key) {
    const std::regex pattern("\"" + key + "\":(\"([^\"]*)\"|[^,}]*)");
    std::smatch match;
    if (!std::regex_search(line, match, pattern)) {
        return {};
    }
    return match[2].matched ? match[2].str() : match[1].str();
}

inline std::vector<std::string> EventsNamed(const std::vector<std::string>& lines,
                                            const std::string& event) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (Field(line, "event") == event) {
            out.push_back(line);
        }
    }
    return out;
}

// Waits until condition holds, at most timeout; true when it did.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// zel-mouse-sim serve, in this process, on its own thread.
class InProcessSimulator {
public:
    explicit InProcessSimulator(ReportLengths lengths = {}, bool startUnplugged = false) {
        socketPath = dir_.File("mouse.sock");
        logPath = dir_.File("mouse.log");
        logFd_ = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        log_ = std::make_unique<EventLog>(logFd_);
        server_ = std::make_unique<SocketServer>(ServeOptions{socketPath, lengths, startUnplugged},
                                                 *log_);
        std::string error;
        listening = server_->Listen(&error);
        if (listening) {
            thread_ = std::thread([this] { server_->Run(); });
        }
    }
    ~InProcessSimulator() {
        server_->Stop();
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(logFd_);
    }
    std::vector<std::string> Log() const { return ReadLines(logPath); }
    std::vector<std::string> Events(const std::string& event) const {
        return EventsNamed(Log(), event);
    }
    bool WaitForEvents(const std::string& event, std::size_t count) const {
        return WaitUntil([&] { return Events(event).size() >= count; });
    }

    std::string socketPath;
    std::string logPath;
    bool listening = false;

private:
    TempDir dir_;
    int logFd_ = -1;
    std::unique_ptr<EventLog> log_;
    std::unique_ptr<SocketServer> server_;
    std::thread thread_;
};

// One connection speaking the wire protocol directly.
class RawClient {
public:
    explicit RawClient(const std::string& socketPath) {
        fd_ = proto::Connect(socketPath).value_or(-1);
    }
    ~RawClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool SendRaw(const std::vector<std::uint8_t>& message) {
        return proto::SendMessage(fd_, message);
    }
    bool Send(proto::MessageType type, const std::vector<std::uint8_t>& payload = {}) {
        return SendRaw(proto::EncodeMessage(type, payload));
    }
    bool SendText(proto::MessageType type, std::string_view text) {
        return SendRaw(proto::EncodeMessage(type, text));
    }
    // The next message; nullopt on timeout. An empty vector: the mouse closed the connection.
    std::optional<std::vector<std::uint8_t>> Receive(std::chrono::milliseconds timeout = 3s) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> buffer(proto::kMaxMessageLength);
        const proto::Received received = proto::ReceiveMessage(fd_, buffer);
        if (received.status != proto::ReceiveStatus::Message) {
            return std::vector<std::uint8_t>{};
        }
        buffer.resize(received.length);
        return buffer;
    }
    // Sends and returns the answer's type (0 when none came or the connection closed).
    std::uint8_t Ask(proto::MessageType type, const std::vector<std::uint8_t>& payload = {}) {
        Send(type, payload);
        const auto answer = Receive();
        return answer && !answer->empty() ? answer->front() : 0;
    }

private:
    int fd_ = -1;
};

inline std::string SimulatorBinary() {
    return std::string(ZEL_RUNTIME_DIR) + "/zel-mouse-sim";
}

// A child process with standard output and error sent to files.
class ChildProcess {
public:
    ChildProcess(std::vector<std::string> args, const std::string& stdoutPath,
                 const std::string& stderrPath) {
        args.insert(args.begin(), SimulatorBinary());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void Signal(int signal) const { ::kill(pid_, signal); }
    // Exit status, -1 for a signal death, nullopt when it is still running after timeout.
    std::optional<int> Wait(std::chrono::milliseconds timeout = 5s) {
        int status = 0;
        const bool done =
            WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeout);
        if (!done) {
            return std::nullopt;
        }
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs zel-mouse-sim with args to the end.
inline RunResult RunSimulator(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string out = dir.File("run.out");
    const std::string err = dir.File("run.err");
    ChildProcess child(args, out, err);
    RunResult result;
    result.exitCode = child.Wait(10s).value_or(-2);
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

}  // namespace zel::sim::testing
