#include "control/command_help.h"

#include <array>
#include <utility>

#include "control/setting_table.h"
#include "platform/app_identity.h"

namespace zel::control {
namespace {

constexpr std::string_view kToolHelp = R"TEXT(Usage: zel-gmousectl [--config-dir DIR] COMMAND [ARGS]

Changes and applies the profiles of the KV270 mouse from scripts, with the files of ZEL_GMouse.
When ZEL_GMouse runs for this user, the command is carried out by it (its window shows the
change at once); otherwise zel-gmousectl opens the mouse and the files itself.

Commands:
  list                          the mouse's HID interfaces and whether they can be opened
  show [--profile N] [--json]   a profile's settings (the current profile by default)
  profile N                     makes profile N (1 ... 5) current and applies it to the mouse
  apply                         applies the current profile, as the window's Apply
  set [--profile N] [--apply] KEY=VALUE ...
                                changes and saves values of one profile
  export FILE [--profile N]     writes a profile into an exchange file
  import FILE [--profile N]     reads a profile from an exchange file and saves it
  reset                         puts every profile back to its factory state and applies
  macros list                   the user macros of the edition in use
  macros show NAME              the steps of one user macro
  macros export FILE            writes the user macros to FILE
  macros import FILE            replaces the user macros with those of FILE

Options:
  --config-dir DIR   use config.ini and the macro files in DIR instead of the program's
  --help             this text; COMMAND --help tells more about one command
  --version          the version
  --discard-unsaved  (profile, set, import, reset, macros import) go on although the window
                     holds unsaved edits the command replaces, and drop them; without it
                     such a command is refused (status 1) and names the unsaved edits

Exit status: 0 done, 1 the mouse or a file could not be used (the reason is printed),
2 bad usage or a bad value (nothing was changed), 3 the running ZEL_GMouse was busy with
other commands (nothing was done; try again).
Environment: ZEL_GMOUSE_SIM names the socket of a virtual mouse (zel-mouse-sim) to use
instead of the machine's devices.
)TEXT";

constexpr std::string_view kSetHelp =
    R"TEXT(Usage: zel-gmousectl set [--profile N] [--apply] [--discard-unsaved] KEY=VALUE ...

Changes values of profile N (the current profile by default) and saves them. Every pair is
checked first: a bad key or value prints what is allowed, exits with status 2 and changes
nothing. With --apply the profile is then made current and applied, as `profile N` does.
While the window holds unsaved edits of the profile it shows, a set of that profile (or any
set --apply) is refused with status 1; --discard-unsaved drops the edits instead.

Keys:
)TEXT";  // then the keys, from the settings table

constexpr std::string_view kShowHelp = R"TEXT(Usage: zel-gmousectl show [--profile N] [--json]

Prints profile N (the current profile by default) as saved in config.ini, one "KEY VALUE"
line per value, with the keys and values `set` takes (a function by the name the window
shows; fire-interval in ms; a disabled DPI level shows its value and "(off)").

--json prints one object instead:
  profile        the profile number, 1 ... 5
  current        true when it is the current profile (CurConfig)
)TEXT";  // then the fields of the settings table, and:
constexpr std::string_view kShowHelpEnd =
    R"TEXT(A value outside the known names is given as its number.
)TEXT";

constexpr std::string_view kListHelp = R"TEXT(Usage: zel-gmousectl list

Lists every HID interface of the mouse: the node, the collection (usage page:usage), what the
program uses it for (read or write) and "ok" or why it cannot be opened. Exit status 1 when no
mouse is found.
)TEXT";

constexpr std::string_view kProfileHelp = R"TEXT(Usage: zel-gmousectl profile N [--discard-unsaved]

Makes profile N (1 ... 5) current and applies it to the mouse: the same reports as the
window's Apply, and CurConfig written. Exit status 1 when the mouse cannot be used, or when
the window holds unsaved edits of the profile it shows (--discard-unsaved drops them).
)TEXT";

constexpr std::string_view kApplyHelp = R"TEXT(Usage: zel-gmousectl apply

Applies the current profile to the mouse as the window's Apply does.
)TEXT";

constexpr std::string_view kExportHelp = R"TEXT(Usage: zel-gmousectl export FILE [--profile N]

Writes profile N (the current profile by default) into section Config7 of FILE, the exchange
file of the window's Export; the file's other sections stay.
)TEXT";

constexpr std::string_view kImportHelp =
    R"TEXT(Usage: zel-gmousectl import FILE [--profile N] [--discard-unsaved]

Reads the profile of an exchange file (section Config7) and saves it as profile N (the current
profile by default). Its content is checked as set checks typed ones: a file without that
section or a bad value is named and nothing is written (status 2). A file that cannot be read
(missing, a folder, a FIFO, over 1 MiB) is refused with the reason (status 1). Into the
profile the window shows while it holds unsaved edits of it: refused (status 1), unless
--discard-unsaved drops the edits.
)TEXT";

constexpr std::string_view kResetHelp = R"TEXT(Usage: zel-gmousectl reset [--discard-unsaved]

Puts every profile back to its factory state, the user macros of the edition back to the
default macros, and applies the current profile, as the window's Reset all does. Refused
(status 1) while the window holds unsaved edits of the profile it shows or of the user
macros, unless --discard-unsaved drops them.
)TEXT";

constexpr std::string_view kMacrosHelp = R"TEXT(Usage: zel-gmousectl macros list
       zel-gmousectl macros show NAME
       zel-gmousectl macros export FILE
       zel-gmousectl macros import FILE [--discard-unsaved]

The user macros of the edition in use (Macro_EN.dat or Macro_CN.dat), in the window's file
format. list prints number, name, step count and repeat; show prints the steps as the macro
page lists them; import replaces every user macro with those of FILE, and refuses a file that
does not decode whole (status 2, nothing changed). While the window holds macro edits not yet
saved with Set, import is refused (status 1), unless --discard-unsaved drops them.
)TEXT";

// The help of the other commands; set and show add the lists of the settings table.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kCommandHelp = {{
    {"list", kListHelp},
    {"profile", kProfileHelp},
    {"apply", kApplyHelp},
    {"export", kExportHelp},
    {"import", kImportHelp},
    {"reset", kResetHelp},
    {"macros", kMacrosHelp},
}};

}  // namespace

std::string HelpText(std::string_view topic) {
    if (topic == "set") {
        return std::string(kSetHelp) + SetKeysHelp();
    }
    if (topic == "show") {
        return std::string(kShowHelp) + JsonFieldsHelp() + std::string(kShowHelpEnd);
    }
    for (const auto& [name, text] : kCommandHelp) {
        if (name == topic) {
            return std::string(text);
        }
    }
    return std::string(kToolHelp);
}

std::string VersionText() {
    return std::string("zel-gmousectl ") + platform::kVersion + "\n";
}

}  // namespace zel::control
