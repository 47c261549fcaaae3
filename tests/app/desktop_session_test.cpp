// A window start without a display is refused before Qt, which would abort; anything that
// names a platform is left to Qt.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace zel::app {
namespace {

TEST(DesktopSession, OnlyAWindowStartWithNowhereToShowItIsRefused) {
    struct Case {
        std::vector<const char*> args;
        std::map<std::string, std::string> env;
        bool lacks;
    };
    const Case cases[] = {
        {{"ZEL_GMouse"}, {}, true},
        {{"ZEL_GMouse"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, true},
        {{"ZEL_GMouse", "-style", "fusion"}, {}, true},
        {{"ZEL_GMouse"}, {{"DISPLAY", ":0"}}, false},
        {{"ZEL_GMouse"}, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
        {{"ZEL_GMouse"}, {{"QT_QPA_PLATFORM", "offscreen"}}, false},
        {{"ZEL_GMouse"}, {{"QT_QPA_PLATFORM", "xcb"}}, false},
        {{"ZEL_GMouse", "-platform", "offscreen"}, {}, false},
        {{"ZEL_GMouse", "--platform=offscreen"}, {}, false},
        {{"ZEL_GMouse", "-display", ":1"}, {}, false},
        {{"ZEL_GMouse", "--headless"}, {}, false},
        {{"ZEL_GMouse", "--help"}, {}, false},
    };
    for (const Case& c : cases) {
        const auto env = [&c](const char* name) -> const char* {
            const auto found = c.env.find(name);
            return found == c.env.end() ? nullptr : found->second.c_str();
        };
        const CommandLine line = ParseCommandLine(static_cast<int>(c.args.size()), c.args.data());
        std::string shown;
        for (const char* arg : c.args) {
            shown += std::string(arg) + " ";
        }
        EXPECT_EQ(LacksDesktopSession(line, env), c.lacks) << shown << c.env.size();
    }
}

TEST(DesktopSession, TheMessageNamesTheHeadlessRun) {
    const std::string text = NoDesktopSessionText();
    EXPECT_NE(text.find("desktop session"), std::string::npos) << text;
    EXPECT_NE(text.find("--headless"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace zel::app
