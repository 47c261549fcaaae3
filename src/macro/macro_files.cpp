#include "macro/macro_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "macro/macro_file_format.h"
#include "platform/whole_number.h"
#include "settings/ini_file.h"
#include "settings/parse_decimal.h"
#include "settings/unicode_text.h"
#include "text/catalog.h"

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

// The records of a parsed macro file, at most `capacity` of them.
std::vector<MacroRecord> ReadMacroDocument(const ini::IniDocument& document, int capacity) {
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

// The records of a macro file, at most `capacity` of them; empty when the file is missing.
std::vector<MacroRecord> ReadMacroFile(const std::filesystem::path& file, int capacity,
                                       platform::MessageSink& messages, bool& found) {
    found = IsReadableFile(file);
    if (!found) {
        messages.ShowMessage(kMissingFileMessage);
        return {};
    }
    return ReadMacroDocument(ini::IniDocument::Load(file), capacity);
}

platform::Result<std::vector<MacroRecord>> CheckMacroDocument(const ini::IniDocument& document) {
    if (!document.HasSection(kMacroSection)) {
        return platform::Error{
            platform::ErrorCode::kUnsupported,
            "holds no macros (section [" + std::string(kMacroSection) + "] is missing)"};
    }
    const std::string countText = document.Get(kMacroSection, kMacroCountKey, kReadBufferSize);
    const auto count = platform::ParseWholeNumber<unsigned>(countText);
    if (!count || *count > kUserMacroCapacity) {
        return platform::Error{platform::ErrorCode::kMalformed,
                               "bad value \"" + countText + "\" for " +
                                   std::string(kMacroCountKey) + ": allowed 0 ... " +
                                   std::to_string(kUserMacroCapacity)};
    }
    std::vector<MacroRecord> records;
    for (unsigned i = 0; i < *count; ++i) {
        const std::string key = std::to_string(i);
        auto record = DecodeMacroRecordStrictly(document.Get(kMacroSection, key, kReadBufferSize));
        if (!record.ok()) {
            return platform::Error{platform::ErrorCode::kMalformed,
                                   "macro " + key + " does not decode: " + record.error().message};
        }
        records.push_back(*record);
    }
    return records;
}

// The writes that store the user table, for a file or for a text.
void WriteUserMacros(const MacroStore& store, ini::IniWriteBatch& batch) {
    const int count = store.UserCount();
    batch.Write(kMacroSection, kMacroCountKey, std::to_string(count));
    for (int i = 0; i < count; ++i) {
        batch.Write(kMacroSection, std::to_string(i), EncodeMacroRecord(store.UserMacro(i)));
    }
}

}  // namespace

std::vector<MacroRecord> ParseMacroFile(std::string_view text, int capacity) {
    return ReadMacroDocument(ini::IniDocument::Parse(text), capacity);
}

platform::Result<std::vector<MacroRecord>> ParseMacroFileStrictly(std::string_view text) {
    return CheckMacroDocument(ini::IniDocument::Parse(text));
}

std::optional<std::string> WithUserMacros(std::string_view text, const MacroStore& store) {
    ini::IniWriteBatch batch({});
    WriteUserMacros(store, batch);
    ini::IniDocument document = ini::IniDocument::Parse(text);
    if (!batch.ApplyTo(document)) {
        return std::nullopt;
    }
    return document.Serialize();
}

bool LoadChosenUserMacros(MacroStore& store, const std::filesystem::path& file,
                          platform::MessageSink& messages, std::int32_t languageFlag) {
    ini::IniDocument document;
    const ini::FileResult read = ini::IniDocument::LoadChosen(file, document);
    if (!read.ok()) {
        messages.ShowMessage(
            text::Message(text::TextId::kMacroCannotImport, languageFlag,
                          {{"{file}", file.string()},
                           {"{reason}", ini::FileProblemText(read.problem, languageFlag)}}));
        return false;
    }
    store.ReplaceUserMacros(ReadMacroDocument(document, kUserMacroCapacity));
    return true;
}

platform::Result<std::vector<MacroRecord>> ReadMacroFileStrictly(
    const std::filesystem::path& file) {
    ini::IniDocument document;
    const ini::FileResult read = ini::IniDocument::LoadChosen(file, document);
    if (!read.ok()) {
        return platform::Error{read.problem == ini::FileProblem::kMissing
                                   ? platform::ErrorCode::kNotFound
                                   : platform::ErrorCode::kIoError,
                               read.reason};
    }
    return CheckMacroDocument(document);
}

bool LoadUserMacros(MacroStore& store, const std::filesystem::path& file,
                    platform::MessageSink& messages) {
    bool found = false;
    const std::vector<MacroRecord> records =
        ReadMacroFile(file, kUserMacroCapacity, messages, found);
    store.ReplaceUserMacros(records);
    return found;
}

bool UserMacrosDifferFromFile(const MacroStore& store, const std::filesystem::path& file) {
    platform::RecordingMessageSink ignored;
    bool found = false;
    const std::vector<MacroRecord> stored = ReadMacroFile(file, kUserMacroCapacity, ignored, found);
    if (static_cast<int>(stored.size()) != store.UserCount()) {
        return true;
    }
    for (std::size_t i = 0; i < stored.size(); ++i) {
        // Whole records, bytes past the step count too: the file keeps every byte.
        if (std::memcmp(&stored[i], &store.UserMacro(static_cast<int>(i)), sizeof(MacroRecord)) !=
            0) {
            return true;
        }
    }
    return false;
}

bool LoadBuiltinMacros(MacroStore& store, const std::filesystem::path& file,
                       platform::MessageSink& messages) {
    bool found = false;
    const std::vector<MacroRecord> records =
        ReadMacroFile(file, kBuiltinMacroCapacity, messages, found);
    store.ReplaceBuiltinMacros(records);
    return found;
}

ini::FileResult SaveUserMacros(const MacroStore& store, const std::filesystem::path& file) {
    ini::IniWriteBatch batch(file);
    WriteUserMacros(store, batch);
    return batch.CommitWithReason();
}

RepeatCountResult SetRepeatCount(MacroStore& store, long long value,
                                 const std::filesystem::path& macroFile) {
    const int stored = store.StoreRepeatCount(value);
    ini::FileResult saved = SaveUserMacros(store, macroFile);
    return {stored, saved.ok(), std::move(saved)};
}

std::string SaveFailedMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                              const ini::FileResult& result) {
    if (result.ok()) {
        return text::Message(text::TextId::kMacroCannotSave, languageFlag,
                             {{"{file}", file.string()}});
    }
    return text::Message(text::TextId::kMacroCannotSaveBecause, languageFlag,
                         {{"{file}", file.string()},
                          {"{reason}", ini::FileProblemText(result.problem, languageFlag)}});
}

}  // namespace zel::macro
