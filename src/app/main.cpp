#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/headless/headless_playback.h"
#include "app/headless/headless_session.h"
#include "app/window/application.h"
#include "platform/session_bus.h"

int main(int argc, char** argv) {
    const zel::app::CommandLine line = zel::app::ParseCommandLine(argc, argv);
    if (const int status = zel::app::AnswerWithoutRunning(line); status >= 0) {
        return status;
    }
    // Qt would abort with its own text (status 134) where no platform plugin can connect.
    if (zel::app::LacksDesktopSession(
            line, [](const char* name) -> const char* { return std::getenv(name); })) {
        std::fputs(zel::app::NoDesktopSessionText().c_str(), stderr);
        return 1;
    }
    // Before Qt, its platform theme, the tray or a gsettings run looks for a session bus.
    zel::platform::KeepSessionBusFromAutolaunching();
    if (line.action == zel::app::CommandLine::Action::RunHeadless) {
        zel::app::HeadlessPlayback playback;
        return zel::app::RunHeadless(
            [&playback](zel::app::HeadlessSession& session) { playback.Attach(session); });
    }
    return zel::app::RunWindowed(argc, argv);
}
