#include "app/command_line.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/app_identity.h"

namespace zel::app {
namespace {

// Qt's generic and X11 options, each with whether it takes a value. Qt accepts them with one
// dash or two.
struct QtOption {
    std::string_view name;
    bool takesValue;
};
constexpr std::array kQtOptions = {
    QtOption{"platform", true},
    QtOption{"platformpluginpath", true},
    QtOption{"platformtheme", true},
    QtOption{"plugin", true},
    QtOption{"qwindowgeometry", true},
    QtOption{"qwindowicon", true},
    QtOption{"qwindowtitle", true},
    QtOption{"reverse", false},
    QtOption{"session", true},
    QtOption{"display", true},
    QtOption{"name", true},
    QtOption{"visual", true},
    QtOption{"ncols", true},
    QtOption{"cmap", false},
    QtOption{"nograb", false},
    QtOption{"dograb", false},
    QtOption{"sync", false},
    QtOption{"style", true},
    QtOption{"stylesheet", true},
    QtOption{"widgetcount", false},
};

// The Qt option `arg` names, if any; "-style=fusion" carries its value inside.
const QtOption* QtOptionOf(std::string_view arg, bool& valueInside) {
    if (arg.starts_with("--")) {
        arg.remove_prefix(2);
    } else if (arg.starts_with("-")) {
        arg.remove_prefix(1);
    } else {
        return nullptr;
    }
    const std::size_t equals = arg.find('=');
    valueInside = equals != std::string_view::npos;
    const std::string_view name = arg.substr(0, equals);
    for (const QtOption& option : kQtOptions) {
        if (option.name == name && (!valueInside || option.takesValue)) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        bool valueInside = false;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--headless") {
            line.action = CommandLine::Action::RunHeadless;
        } else if (const QtOption* option = QtOptionOf(arg, valueInside)) {
            if (option->takesValue && !valueInside && ++i >= argc) {
                return {CommandLine::Action::Refuse, std::string(arg), false};
            }
            if (option->name == "platform" || option->name == "display") {
                line.platformNamed = true;
            }
        } else if (line.refused.empty()) {
            line.refused = arg;
        }
    }
    if (help) {
        return {CommandLine::Action::PrintHelp, {}, false};
    }
    if (version) {
        return {CommandLine::Action::PrintVersion, {}, false};
    }
    if (!line.refused.empty()) {
        line.action = CommandLine::Action::Refuse;
    }
    return line;
}

std::string UsageText() {
    return std::string("Usage: ") + platform::kProgramName +
           " [--headless] [Qt options]\n"
           "Settings of the KV270 Gaming Mouse: buttons, DPI levels, lighting and macros.\n"
           "\n"
           "  --headless   no window: give the mouse the current profile, play its macros and\n"
           "               follow it until it is unplugged or the program is stopped\n"
           "  --help       show this text and exit\n"
           "  --version    show the version and exit\n"
           "\n"
           "Qt's own options (-platform NAME, -display NAME, -style NAME, ...) go to Qt.\n";
}

std::string VersionText() {
    return std::string(platform::kProgramName) + " " + platform::kVersion + "\n";
}

bool LacksDesktopSession(const CommandLine& line,
                         const std::function<const char*(const char*)>& getEnv) {
    if (line.action != CommandLine::Action::RunWindowed || line.platformNamed) {
        return false;
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = getEnv(name);
        if (value != nullptr && *value != '\0') {
            return false;
        }
    }
    return true;
}

std::string NoDesktopSessionText() {
    return std::string(platform::kProgramName) +
           ": no desktop session (DISPLAY and WAYLAND_DISPLAY are unset): the window needs one.\n"
           "Start it from a desktop session, or run `" +
           platform::kProgramName + " --headless`, which needs none.\n";
}

int AnswerWithoutRunning(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::PrintHelp:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case CommandLine::Action::PrintVersion:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case CommandLine::Action::Refuse:
            std::fprintf(stderr, "%s: unknown option '%s'\n%s", platform::kProgramName,
                         line.refused.c_str(), UsageText().c_str());
            return 2;
        case CommandLine::Action::RunWindowed:
        case CommandLine::Action::RunHeadless:
            break;
    }
    return -1;
}

}  // namespace zel::app
