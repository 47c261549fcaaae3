#include "macro/macro_files.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "macro/macro_file_format.h"
#include "settings/ini_file.h"
#include "settings/parse_decimal.h"
#include "settings/unicode_text.h"

namespace zel::macro {
namespace {

// Only the first two characters of "macroNum" count, as the files have always been read.
constexpr std::size_t kCountCharacters = 2;

// Enough room for the longest value we look at, whatever the encoding of its characters.
constexpr std::size_t kReadBufferSize = 4 * kEncodedRecordLength + 1;

bool IsReadableFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return false;
    }
    return std::ifstream(file, std::ios::binary).is_open();
}

// The first `characters` UTF-16 units of a value, as UTF-8.
std::string FirstCharacters(const std::string& value, std::size_t characters) {
    std::u16string units = text::Utf8ToUtf16(value);
    if (units.size() <= characters) {
        return value;
    }
    units.resize(characters);
    return text::Utf16ToUtf8(units);
}

// The records of a macro file, at most `capacity` of them; empty when the file is missing.
std::vector<MacroRecord> ReadMacroFile(const std::filesystem::path& file, int capacity,
                                       platform::MessageSink& messages, bool& found) {
    found = IsReadableFile(file);
    if (!found) {
        messages.ShowMessage(kMissingFileMessage);
        return {};
    }
    const ini::IniDocument document = ini::IniDocument::Load(file);
    const std::string countText = FirstCharacters(
        document.Get(kMacroSection, kMacroCountKey, kReadBufferSize), kCountCharacters);
    const long long count = std::clamp<long long>(settings::ParseDecimal(countText), 0, capacity);

    std::vector<MacroRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    for (long long i = 0; i < count; ++i) {
        records.push_back(
            DecodeMacroRecord(document.Get(kMacroSection, std::to_string(i), kReadBufferSize)));
    }
    return records;
}

}  // namespace

bool LoadUserMacros(MacroStore& store, const std::filesystem::path& file,
                    platform::MessageSink& messages) {
    bool found = false;
    const std::vector<MacroRecord> records =
        ReadMacroFile(file, kUserMacroCapacity, messages, found);
    store.ReplaceUserMacros(records);
    return found;
}

bool LoadBuiltinMacros(MacroStore& store, const std::filesystem::path& file,
                       platform::MessageSink& messages) {
    bool found = false;
    const std::vector<MacroRecord> records =
        ReadMacroFile(file, kBuiltinMacroCapacity, messages, found);
    store.ReplaceBuiltinMacros(records);
    return found;
}

bool SaveUserMacros(const MacroStore& store, const std::filesystem::path& file) {
    ini::IniWriteBatch batch(file);
    const int count = store.UserCount();
    batch.Write(kMacroSection, kMacroCountKey, std::to_string(count));
    for (int i = 0; i < count; ++i) {
        batch.Write(kMacroSection, std::to_string(i), EncodeMacroRecord(store.UserMacro(i)));
    }
    return batch.Commit();
}

RepeatCountResult SetRepeatCount(MacroStore& store, long long value,
                                 const std::filesystem::path& macroFile) {
    const int stored = store.StoreRepeatCount(value);
    return {stored, SaveUserMacros(store, macroFile)};
}

std::string SaveFailedMessage(const std::filesystem::path& file) {
    return "Cannot save the macros to " + file.string();
}

}  // namespace zel::macro
