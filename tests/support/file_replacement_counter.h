#pragma once

// Counts how often one file of a folder is replaced (renamed onto) or written and closed, by
// watching the folder with inotify: the upload test and the upload benchmark count the
// replacements of config.ini with it.

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/unique_fd.h"

namespace zel::test {

class FileReplacementCounter {
public:
    FileReplacementCounter(const std::filesystem::path& dir, std::string name)
        : name_(std::move(name)), fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(fd_.get(), dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }

    // The replacements since the last call (since the start, the first time).
    long Take() {
        alignas(inotify_event) char buffer[65536];
        long count = 0;
        ssize_t n;
        while ((n = ::read(fd_.get(), buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(p);
                if (event->len > 0 && name_ == event->name) {
                    ++count;
                }
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    std::string name_;
    platform::UniqueFd fd_;
};

}  // namespace zel::test
