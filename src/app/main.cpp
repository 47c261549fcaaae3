#include <string_view>

#include "app/application.h"
#include "app/headless_playback.h"
#include "app/headless_session.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--headless") {
            zel::app::HeadlessPlayback playback;
            return zel::app::RunHeadless(
                [&playback](zel::app::HeadlessSession& session) { playback.Attach(session); });
        }
    }
    return zel::app::RunWindowed(argc, argv);
}
