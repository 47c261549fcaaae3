// Fuzzes the macro files' text, as the loaders read it and the savers write it (no files: the
// loaders only read a file and hand its text to the same functions). The input is the bytes of
// a user macro file; its first record value is also decoded on its own.
//
// Checked: a decoded record has a terminated name and encodes to exactly 3192 characters that
// decode to the same record; loading the text keeps the count within the table and the
// selection on a macro that exists, each loaded record is the decoded value of its key; what the
// strict check of imports takes reads the same leniently, and what it refuses it names; saving
// the loaded table into a new file, or into the same text, and loading that gives the same
// table back.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "macro/macro_file_format.h"
#include "macro/macro_files.h"
#include "macro/macro_store.h"
#include "settings/ini_file.h"

namespace {

using namespace zel::macro;
using zel::fuzz::Check;

bool SameRecord(const MacroRecord& a, const MacroRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckRecord(const MacroRecord& record) {
    // Terminated within the field (units after the terminator are kept as the file had them).
    Check(std::find(record.name.begin(), record.name.end(), u'\0') != record.name.end());
    const std::string encoded = EncodeMacroRecord(record);
    Check(encoded.size() == kEncodedRecordLength);
    for (const char c : encoded) {
        Check(c >= '0' && c <= '9');
    }
    Check(SameRecord(DecodeMacroRecord(encoded), record));
}

void CheckTable(const MacroStore& store) {
    const int count = store.UserCount();
    Check(count >= 0 && count <= kUserMacroCapacity);
    const int current = store.CurrentMacro();
    Check(count == 0 ? current == 0 : current == count - 1);
    for (int code = kFirstUserMacroFunction; code < kFirstUserMacroFunction + kUserMacroCapacity;
         ++code) {
        (void)store.MacroLabel(code);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto document = zel::ini::IniDocument::Parse(bytes);
    constexpr std::size_t kWholeValue = 4 * kEncodedRecordLength + 1;
    CheckRecord(DecodeMacroRecord(bytes));
    CheckRecord(DecodeMacroRecord(document.Get(kMacroSection, "0", kWholeValue)));

    MacroStore store;
    store.ReplaceUserMacros(ParseMacroFile(bytes, kUserMacroCapacity));
    CheckTable(store);
    for (int i = 0; i < store.UserCount(); ++i) {
        const MacroRecord& record = store.UserMacro(i);
        CheckRecord(record);
        Check(SameRecord(record, DecodeMacroRecord(
                                     document.Get(kMacroSection, std::to_string(i), kWholeValue))));
    }

    const auto strict = ParseMacroFileStrictly(bytes);
    if (strict.ok()) {
        Check(static_cast<int>(strict->size()) == store.UserCount());
        for (int i = 0; i < store.UserCount(); ++i) {
            Check(SameRecord((*strict)[static_cast<std::size_t>(i)], store.UserMacro(i)));
        }
    } else {
        Check(strict.error().code == zel::platform::ErrorCode::kMalformed ||
              strict.error().code == zel::platform::ErrorCode::kUnsupported);
        Check(!strict.error().message.empty());
    }

    for (const std::string_view before : {std::string_view(), bytes}) {
        const std::optional<std::string> saved = WithUserMacros(before, store);
        Check(saved.has_value());
        const std::vector<MacroRecord> reloaded = ParseMacroFile(*saved, kUserMacroCapacity);
        Check(static_cast<int>(reloaded.size()) == store.UserCount());
        for (int i = 0; i < store.UserCount(); ++i) {
            Check(SameRecord(reloaded[static_cast<std::size_t>(i)], store.UserMacro(i)));
        }
    }
    return 0;
}
