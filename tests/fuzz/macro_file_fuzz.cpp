// Fuzzes the macro files. The input is the bytes of a user macro file; its first record value
// is also decoded on its own.
//
// Checked: a decoded record has a terminated name and encodes to exactly 3192 characters that
// decode to the same record; loading the file keeps the count within the table and the
// selection on a macro that exists, each loaded record is the decoded value of its key, and
// saving the loaded table to a new file and loading that gives the same table back.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "macro/macro_file_format.h"
#include "macro/macro_files.h"
#include "macro/macro_store.h"
#include "platform/message_sink.h"
#include "settings/ini_file.h"

namespace {

using namespace zel::macro;
namespace fs = std::filesystem;

using zel::fuzz::Check;
using zel::fuzz::ScratchFolder;

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
    static const ScratchFolder scratch("zel-fuzz-macro");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto document = zel::ini::IniDocument::Parse(bytes);
    constexpr std::size_t kWholeValue = 4 * kEncodedRecordLength + 1;
    CheckRecord(DecodeMacroRecord(bytes));
    CheckRecord(DecodeMacroRecord(document.Get(kMacroSection, "0", kWholeValue)));

    const fs::path file = scratch.File("Macro_EN.dat");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    zel::platform::RecordingMessageSink messages;
    MacroStore store;
    Check(LoadUserMacros(store, file, messages));
    Check(messages.messages.empty());
    CheckTable(store);
    for (int i = 0; i < store.UserCount(); ++i) {
        const MacroRecord& record = store.UserMacro(i);
        CheckRecord(record);
        Check(SameRecord(record, DecodeMacroRecord(
                                     document.Get(kMacroSection, std::to_string(i), kWholeValue))));
    }

    const fs::path copy = scratch.File("copy.dat");
    fs::remove(copy);
    Check(SaveUserMacros(store, copy));
    MacroStore reloaded;
    Check(LoadUserMacros(reloaded, copy, messages));
    Check(reloaded.UserCount() == store.UserCount());
    for (int i = 0; i < store.UserCount(); ++i) {
        Check(SameRecord(reloaded.UserMacro(i), store.UserMacro(i)));
    }
    return 0;
}
