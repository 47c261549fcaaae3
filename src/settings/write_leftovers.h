#pragma once

// What writers killed in the middle of a write left in the user's folder: their temporary
// files (".config.ini.tmp-<pid>-...", ".Macro_EN.dat.tmp-<pid>-..."). Every program that writes
// these files removes them when it starts.

#include <filesystem>

namespace zel::settings {

// Removes the leftover temporaries of config.ini and of both user macro files in `userDir`;
// those of writers that still run stay.
void RemoveLeftoverWriteTemporaries(const std::filesystem::path& userDir);

}  // namespace zel::settings
