// zel-make-macros DATA_DIR | --help
//
// Writes the shipped macro files under DATA_DIR with the program's own save code:
//   constMacro.dat                 the eight built-in macros
//   skins/INI_EN/defMacro.dat      example user macros, English names
//   skins/INI_CN/defMacro.dat      example user macros, Spanish names
//   Macro_EN.dat, Macro_CN.dat     the initial user macros of each edition (the examples)
// Existing files are replaced, so no key of an older file survives.

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "macro/macro_files.h"
#include "macro/macro_store.h"
#include "shipped_macros.h"

namespace {

namespace fs = std::filesystem;
using zel::macro::MacroRecord;
using zel::macro::MacroStore;

bool WriteTable(const fs::path& file, const std::vector<MacroRecord>& records) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    fs::remove(file, error);
    MacroStore store;
    store.ReplaceUserMacros(records);
    if (store.UserCount() != static_cast<int>(records.size()) ||
        !zel::macro::SaveUserMacros(store, file).ok()) {
        std::fprintf(stderr, "zel-make-macros: cannot write %s\n", file.c_str());
        return false;
    }
    std::printf("%s: %zu macros\n", file.c_str(), records.size());
    return true;
}

constexpr const char* kUsage =
    "usage: zel-make-macros DATA_DIR\n"
    "Writes the shipped macro files under DATA_DIR: constMacro.dat, skins/INI_EN/defMacro.dat,\n"
    "skins/INI_CN/defMacro.dat, Macro_EN.dat and Macro_CN.dat (existing files are replaced).\n";

}  // namespace

int main(int argc, char** argv) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "--help" || first == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // A folder name never starts with a dash here: that is an option nobody knows.
    if (argc != 2 || first.starts_with("-")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const fs::path data = argv[1];
    const fs::path skins = data / "skins";
    bool ok = WriteTable(data / zel::macro::kBuiltinMacroFileName, zel::tools::BuiltinMacros());
    for (const bool english : {true, false}) {
        const std::vector<MacroRecord> examples = zel::tools::ExampleUserMacros(english);
        ok = WriteTable(skins / (english ? "INI_EN" : "INI_CN") / zel::macro::kDefaultMacroFileName,
                        examples) &&
             ok;
        ok = WriteTable(data / (english ? zel::macro::kEnglishMacroFileName
                                        : zel::macro::kSpanishMacroFileName),
                        examples) &&
             ok;
    }
    return ok ? 0 : 1;
}
