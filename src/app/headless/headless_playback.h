#pragma once

// Macro playback for `ZEL_GMouse --headless`: once the mouse has its profile, the edition's
// user macros and the built-in macros are loaded and the input reader and macro player run,
// so the mouse's host functions work with no window at all; the shutdown stops them before
// the shutdown report.

#include <memory>

#include "app/headless/headless_session.h"
#include "macro/macro_store.h"
#include "macro/playback_threads.h"
#include "platform/launcher.h"

namespace zel::app {

class HeadlessPlayback {
public:
    // Programs are started from PATH.
    HeadlessPlayback();
    explicit HeadlessPlayback(std::unique_ptr<platform::Launcher> launcher);
    ~HeadlessPlayback();
    HeadlessPlayback(const HeadlessPlayback&) = delete;
    HeadlessPlayback& operator=(const HeadlessPlayback&) = delete;

    // Sets the session's start and stop hooks. This object must outlive the session's run.
    void Attach(HeadlessSession& session);

private:
    void Start(HeadlessSession& session);
    void Stop();

    std::unique_ptr<platform::Launcher> launcher_;
    macro::MacroStore macros_;
    std::unique_ptr<macro::PlaybackThreads> threads_;
};

}  // namespace zel::app
