#pragma once

// The texts of --help (the whole tool, or one command) and --version.

#include <string>
#include <string_view>

namespace zel::control {

// The help of `topic` (a command name), or of the whole tool for an empty or unknown topic.
std::string HelpText(std::string_view topic);
std::string VersionText();

}  // namespace zel::control
