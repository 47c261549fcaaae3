#pragma once

// Loading and saving macro tables as INI files: section "Macros", key "macroNum" with the number
// of macros and keys "0", "1", ... with one encoded record each (macro_file_format.h).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_store.h"
#include "platform/message_sink.h"
#include "settings/file_result.h"

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

// Import in the window: the user table from a file the user chose, read as leniently as
// LoadUserMacros. A file that is missing, cannot be read or is over 1 MiB is refused unread with
// a message giving the reason in the words of `languageFlag`'s edition, and the user macros
// stay as they were (false).
bool LoadChosenUserMacros(MacroStore& store, const std::filesystem::path& file,
                          platform::MessageSink& messages, std::int32_t languageFlag);

// A macro file a script imports, checked strictly: "macroNum" a number of 0 ... 12 and each of
// its records as DecodeMacroRecordStrictly takes it.
struct CheckedMacroFile {
    ini::FileResult read;          // why the file could not be read, or is too large
    bool hasMacroSection = false;  // whether it is a macro file at all
    std::string badContent;        // the first key that does not decode, and why; empty when all do
    std::vector<MacroRecord> records;  // every record, when both of the above are good
};
CheckedMacroFile ReadMacroFileStrictly(const std::filesystem::path& file);

// The same for the built-in table (at most 8 macros); the selection is left alone.
bool LoadBuiltinMacros(MacroStore& store, const std::filesystem::path& file,
                       platform::MessageSink& messages);

// Whether the user macros in `store` differ from those LoadUserMacros would read from `file`:
// a macro added, deleted, edited or recorded and not saved (Set), or imported in the window and
// not saved. A missing file holds no macros. Window thread.
bool UserMacrosDifferFromFile(const MacroStore& store, const std::filesystem::path& file);

// Writes "macroNum" and the records 0 ... count - 1 of the user table to `file` in one atomic
// replacement; other keys of the file stay. False when the file could not be written (it is then
// unchanged). Window thread.
bool SaveUserMacros(const MacroStore& store, const std::filesystem::path& file);
ini::FileResult SaveUserMacrosWithReason(const MacroStore& store,
                                         const std::filesystem::path& file);

// What the user is told, in the words of `languageFlag`'s edition, when the user macros could
// not be written to `file`, with the reason when it is known.
std::string SaveFailedMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                              const ini::FileResult& result = {});

struct RepeatCountResult {
    int storedValue;  // the count as stored, 1 ... 65535, for the repeat edit box
    bool saved;       // whether the user macros reached the macro file
    ini::FileResult whyNotSaved = {};
};

// Apply on the macro page: stores the clamped repeat count in the current macro, then saves the
// user macros to `macroFile`.
RepeatCountResult SetRepeatCount(MacroStore& store, long long value,
                                 const std::filesystem::path& macroFile);

}  // namespace zel::macro
