#include "app/headless/headless_playback.h"

#include <utility>

#include "macro/macro_files.h"

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
    // Nothing to repaint.
    threads_ =
        std::make_unique<macro::PlaybackThreads>(session.core().Playback(macros_, *launcher_, {}));
    threads_->Start();
}

void HeadlessPlayback::Stop() {
    if (threads_) {
        threads_->Stop();
    }
}

}  // namespace zel::app
