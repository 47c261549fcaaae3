// libFuzzer target for the layout value splitter and the layout entry read through the INI
// layer. Checks what must hold for any input: no crash, the comma rule of the warning, and that
// a value with six or more commas is exactly its six fields and the rest.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "skin/layout_loader.h"
#include "skin/layout_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    const zel::skin::LayoutFields split = zel::skin::SplitLayoutValue(value);
    const auto commas = static_cast<std::size_t>(std::count(value.begin(), value.end(), ','));

    if (split.tooManyCommas != (commas > 6)) {
        std::abort();
    }
    for (const std::string& field : split.fields) {
        if (field.size() > value.size() || value.find(field) == std::string_view::npos) {
            std::abort();  // every field is a piece of the value
        }
    }
    if (commas == 0 && split.fields[0] != value) {
        std::abort();
    }
    if (commas >= 6) {
        std::string joined;
        for (std::size_t i = 0; i < 6; ++i) {
            joined += split.fields[i];
            joined += ',';
        }
        joined += split.fields[6];
        if (joined != value) {
            std::abort();
        }
    }

    // The same bytes as the value of a layout key: whatever the INI layer makes of them (it
    // may re-encode bytes that are not UTF-8), the entry is the split of that value.
    std::string file = "[BUTTONPOS]\r\n0=";
    file.append(value);
    const auto document = zel::ini::IniDocument::Parse(file);
    const zel::skin::LayoutFields entry = zel::skin::ReadLayoutEntry(document, "BUTTONPOS", 0);
    const zel::skin::LayoutFields expected =
        zel::skin::SplitLayoutValue(document.Get("BUTTONPOS", "0", 260));
    if (entry.fields != expected.fields || entry.tooManyCommas != expected.tooManyCommas) {
        std::abort();
    }
    return 0;
}
