#pragma once

// One named worker thread that a stop request ends: the start and stop that the input reader
// and the macro player share.

#include <pthread.h>

#include <functional>
#include <stop_token>
#include <thread>
#include <utility>

namespace zel::platform {

class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Requests the stop and joins, without waking anything: the owner's destructor calls Stop()
    // first when the body may block where the stop token cannot reach.
    ~WorkerThread() = default;

    // Runs body(stop token) on a new thread named `name` (at most 15 characters, as the kernel
    // keeps it); nothing when one is running.
    void Start(const char* name, std::function<void(std::stop_token)> body) {
        if (thread_.joinable()) {
            return;
        }
        thread_ = std::jthread([name, body = std::move(body)](std::stop_token stop) {
            ::pthread_setname_np(::pthread_self(), name);
            body(std::move(stop));
        });
    }

    // Requests the stop, then calls `wake` (when given) so that a body blocked outside the stop
    // token's reach sees it, and joins. Safe to call twice; nothing when none runs.
    void Stop(const std::function<void()>& wake = {}) {
        if (!thread_.joinable()) {
            return;
        }
        thread_.request_stop();
        if (wake) {
            wake();
        }
        thread_.join();
    }

    bool Running() const { return thread_.joinable(); }

private:
    std::jthread thread_;
};

}  // namespace zel::platform
