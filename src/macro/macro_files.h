#pragma once

// Loading and saving macro tables as INI files: section "Macros", key "macroNum" with the number
// of macros and keys "0", "1", ... with one encoded record each (macro_file_format.h).
//
// The reading and writing of a file's text is apart from the files themselves (ParseMacroFile,
// ParseMacroFileStrictly, WithUserMacros): the loaders below only read the file and hand its
// text on, and the savers only add the same writes to the file's atomic replacement.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_store.h"
#include "platform/message_sink.h"
#include "platform/outcome.h"
#include "settings/file_result.h"
#include "settings/ini_file.h"

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

// The records of a macro file's text (its bytes as read), at most `capacity` of them, read
// leniently: "macroNum" counts by its first two characters; a count beyond `capacity` takes
// the first `capacity` macros, a negative one none; records decode as DecodeMacroRecord does.
std::vector<MacroRecord> ParseMacroFile(std::string_view text, int capacity);

// A macro file's text checked strictly, for files a script imports: "macroNum" a number of
// 0 ... 12 and each of its records as DecodeMacroRecordStrictly takes it. The error is
// kUnsupported when the text holds no macro section at all, kMalformed when a value is bad; its
// message says which key and why.
platform::Result<std::vector<MacroRecord>> ParseMacroFileStrictly(std::string_view text);

// `text` (a macro file's bytes, empty for a new file) with the user table of `store` written
// into it as SaveUserMacros writes the file: "macroNum" and the records 0 ... count - 1; every
// other line stays. nullopt when the text refuses the writes (IniDocument::Set).
std::optional<std::string> WithUserMacros(std::string_view text, const MacroStore& store);

// Fills the user table from `file` and selects its last macro (ParseMacroFile). A missing or
// unreadable file shows "Perfil no encontrado" and loads an empty table (false).
bool LoadUserMacros(MacroStore& store, const std::filesystem::path& file,
                    platform::MessageSink& messages);

// Import in the window: the user table from a file the user chose, read as leniently as
// LoadUserMacros. A file that is missing, cannot be read or is over 1 MiB is refused unread with
// a message giving the reason in the words of `languageFlag`'s edition, and the user macros
// stay as they were (false).
bool LoadChosenUserMacros(MacroStore& store, const std::filesystem::path& file,
                          platform::MessageSink& messages, std::int32_t languageFlag);

// A macro file a script imports, checked as ParseMacroFileStrictly checks it. A file that cannot
// be read, or is too large, is an error of its FileResult's problem (kNotFound for a missing
// file, else kIoError) with the FileResult's reason as its message.
platform::Result<std::vector<MacroRecord>> ReadMacroFileStrictly(const std::filesystem::path& file);

// The same for the built-in table (at most 8 macros); the selection is left alone.
bool LoadBuiltinMacros(MacroStore& store, const std::filesystem::path& file,
                       platform::MessageSink& messages);

// Whether the user macros in `store` differ from those LoadUserMacros would read from `file`:
// a macro added, deleted, edited or recorded and not saved (Set), or imported in the window and
// not saved. A missing file holds no macros. Window thread.
bool UserMacrosDifferFromFile(const MacroStore& store, const std::filesystem::path& file);

// Writes "macroNum" and the records 0 ... count - 1 of the user table to `file` in one atomic
// replacement; other keys of the file stay. When the file could not be written it is unchanged
// and the result says why. Window thread.
ini::FileResult SaveUserMacros(const MacroStore& store, const std::filesystem::path& file);

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
