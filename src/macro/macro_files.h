#pragma once

// Loading and saving macro tables as INI files: section "Macros", key "macroNum" with the number
// of macros and keys "0", "1", ... with one encoded record each (macro_file_format.h).

#include <filesystem>
#include <string>
#include <string_view>

#include "macro/macro_store.h"
#include "platform/message_sink.h"

namespace zel::macro {

inline constexpr std::string_view kMacroSection = "Macros";
inline constexpr std::string_view kMacroCountKey = "macroNum";

// File names; all but the default file live beside the executable, the default file in
// skins/INI_EN or skins/INI_CN.
inline constexpr std::string_view kBuiltinMacroFileName = "constMacro.dat";
inline constexpr std::string_view kEnglishMacroFileName = "Macro_EN.dat";
inline constexpr std::string_view kSpanishMacroFileName = "Macro_CN.dat";
inline constexpr std::string_view kDefaultMacroFileName = "defMacro.dat";
inline constexpr std::string_view kMissingFileMessage = "Perfil no encontrado";

// Fills the user table from `file` and selects its last macro. A missing or unreadable file
// shows "Perfil no encontrado" and loads an empty table (false). "macroNum" counts by its first
// two characters; a count beyond 12 takes the first 12 macros, a negative one none.
bool LoadUserMacros(MacroStore& store, const std::filesystem::path& file,
                    platform::MessageSink& messages);

// The same for the built-in table (at most 8 macros); the selection is left alone.
bool LoadBuiltinMacros(MacroStore& store, const std::filesystem::path& file,
                       platform::MessageSink& messages);

// Writes "macroNum" and the records 0 ... count - 1 of the user table to `file` in one atomic
// replacement; other keys of the file stay. False when the file could not be written (it is then
// unchanged). Window thread.
bool SaveUserMacros(const MacroStore& store, const std::filesystem::path& file);

// What the user is told when the user macros could not be written to `file`.
std::string SaveFailedMessage(const std::filesystem::path& file);

struct RepeatCountResult {
    int storedValue;  // the count as stored, 1 ... 65535, for the repeat edit box
    bool saved;       // whether the user macros reached the macro file
};

// Apply on the macro page: stores the clamped repeat count in the current macro, then saves the
// user macros to `macroFile`.
RepeatCountResult SetRepeatCount(MacroStore& store, long long value,
                                 const std::filesystem::path& macroFile);

}  // namespace zel::macro
