#include "app/headless/headless_playback.h"

#include <utility>

#include "macro/macro_files.h"
#include "platform/realtime_kit.h"

namespace zel::app {

HeadlessPlayback::HeadlessPlayback()
    : HeadlessPlayback(std::make_unique<platform::PathLauncher>()) {}

HeadlessPlayback::HeadlessPlayback(std::unique_ptr<platform::Launcher> launcher)
    : launcher_(std::move(launcher)) {}

HeadlessPlayback::~HeadlessPlayback() {
    Stop();
}

void HeadlessPlayback::Attach(HeadlessSession& session) {
    session.onStart = [this](HeadlessSession& s) { Start(s); };
    session.onStop = [this](HeadlessSession&) { Stop(); };
    session.onUserMacrosReplaced = [this](std::span<const macro::MacroRecord> records) {
        macros_.ReplaceUserMacros(records);
    };
}

void HeadlessPlayback::Start(HeadlessSession& session) {
    // A missing file is reported on standard error and leaves its table empty.
    macro::LoadUserMacros(macros_, session.paths().macroPath, session.messages());
    macro::LoadBuiltinMacros(macros_, session.paths().constMacroPath, session.messages());
    threads_ = std::make_unique<macro::PlaybackThreads>(macro::PlaybackServices{
        session.link(),
        session.profile(),
        macros_,
        *launcher_,
        session.paths().configPath,
        // Set before the run starts the threads and never changed while they run.
        [&session] { return session.currentProfile(); },
        {},  // nothing to repaint
        platform::ThreadPriority::ForLinux(platform::MakeThreadRealtimeThroughRealtimeKit),
    });
    threads_->Start();
}

void HeadlessPlayback::Stop() {
    if (threads_) {
        threads_->Stop();
    }
}

}  // namespace zel::app
