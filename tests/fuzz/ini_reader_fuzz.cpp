// Fuzzes the INI reader and writer: any bytes parse, serialise back to themselves, answer
// lookups, and take a write whose result reads back the same after a round trip.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "settings/ini_file.h"

namespace {

using zel::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zel::ini::IniDocument;
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(48);
    const std::size_t bufferSize = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    IniDocument document = IniDocument::Parse(bytes);
    Check(document.Serialize() == bytes);
    const std::string before = document.Get(section, key, bufferSize);
    Check(before.size() <= bytes.size() * 3 + 3);
    (void)document.HasSection(section);

    if (document.Set(section, key, value)) {
        // The written key reads the same in memory, after a round trip through the bytes, and
        // as it would in a file holding nothing else.
        const std::string written = document.Get(section, key, bufferSize);
        const std::string serialized = document.Serialize();
        const IniDocument reparsed = IniDocument::Parse(serialized);
        Check(reparsed.Get(section, key, bufferSize) == written);
        Check(reparsed.Serialize() == serialized);
        IniDocument alone;
        Check(alone.Set(section, key, value));
        Check(alone.Get(section, key, bufferSize) == written);
    } else {
        Check(document.Serialize() == bytes);  // a refused write changes nothing
    }
    return 0;
}
