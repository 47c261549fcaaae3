// The macro files shipped in data/ load back to the macros they are meant to hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "macro/key_codes.h"
#include "macro/macro_file_format.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/macro_store.h"

namespace zel::macro {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(ZEL_SOURCE_DIR) / "data";

// A macro in words: its name, "x<count>" when it repeats, then its steps ("+" press, "-" release)
// each with its delay.
std::string Describe(const MacroRecord& record) {
    std::string text = NameText(record);
    if (record.repeatOn != 0) {
        text += " x" + std::to_string(record.repeatCount.Value());
    }
    text += ":";
    for (int k = 0; k < record.stepCount; ++k) {
        const MacroStep step = record.steps[static_cast<std::size_t>(k)];
        text += step.action == kPressAction ? " +" : step.action == kReleaseAction ? " -" : " ?";
        text += KeyName(step.code);
        text += "/" + std::to_string(record.delays[static_cast<std::size_t>(k)].Value());
    }
    return text;
}

// Every key and button pressed by a macro is released again by it, and every pause is one the
// player keeps as written.
void ExpectWellFormed(const MacroRecord& record) {
    std::vector<int> held(256, 0);
    for (int k = 0; k < record.stepCount; ++k) {
        const MacroStep step = record.steps[static_cast<std::size_t>(k)];
        EXPECT_NE(KeyName(step.code), "NON-AVAILABLE") << Describe(record);
        held[step.code] += step.action == kPressAction ? 1 : -1;
        EXPECT_GE(held[step.code], 0) << Describe(record);
        EXPECT_GE(record.delays[static_cast<std::size_t>(k)].Value(), 15) << Describe(record);
    }
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(held[static_cast<std::size_t>(code)], 0) << Describe(record) << " holds " << code;
    }
}

std::vector<std::string> LoadUser(const fs::path& file) {
    MacroStore store;
    platform::RecordingMessageSink messages;
    EXPECT_TRUE(LoadUserMacros(store, file, messages)) << file;
    std::vector<std::string> described;
    for (int i = 0; i < store.UserCount(); ++i) {
        ExpectWellFormed(store.UserMacro(i));
        described.push_back(Describe(store.UserMacro(i)));
    }
    return described;
}

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ShippedMacroFiles, BuiltinMacros) {
    MacroStore store;
    platform::RecordingMessageSink messages;
    ASSERT_TRUE(LoadBuiltinMacros(store, kData / "constMacro.dat", messages));
    const std::vector<std::string> expected{
        "Copy: +LCONTROL/30 +C/30 -C/30 -LCONTROL/30",
        "Paste: +LCONTROL/30 +V/30 -V/30 -LCONTROL/30",
        "Cut: +LCONTROL/30 +X/30 -X/30 -LCONTROL/30",
        "Undo: +LCONTROL/30 +Z/30 -Z/30 -LCONTROL/30",
        "Select All: +LCONTROL/30 +A/30 -A/30 -LCONTROL/30",
        "Double Click: +L-KEY/40 -L-KEY/40 +L-KEY/40 -L-KEY/30",
        "Triple Click: +L-KEY/40 -L-KEY/40 +L-KEY/40 -L-KEY/40 +L-KEY/40 -L-KEY/30",
        "Switch Window: +LMENU/30 +TAB/30 -TAB/30 -LMENU/30",
    };
    ASSERT_EQ(store.BuiltinCount(), 8);
    for (int i = 0; i < 8; ++i) {
        ExpectWellFormed(store.BuiltinMacro(i));
        EXPECT_EQ(Describe(store.BuiltinMacro(i)), expected[static_cast<std::size_t>(i)]);
    }
}

TEST(ShippedMacroFiles, EnglishExamples) {
    const std::vector<std::string> expected{
        "Type Hello: +LSHIFT/30 +H/30 -H/30 -LSHIFT/30 +E/30 -E/30 +L/30 -L/30 +L/30 -L/30 "
        "+O/30 -O/30",
        "Save: +LCONTROL/30 +S/30 -S/30 -LCONTROL/30",
        "New Tab: +LCONTROL/30 +T/30 -T/30 -LCONTROL/30",
        "Triple Shot x3: +L-KEY/40 -L-KEY/60",
    };
    EXPECT_EQ(LoadUser(kData / "skins" / "INI_EN" / "defMacro.dat"), expected);
    EXPECT_EQ(LoadUser(kData / "Macro_EN.dat"), expected);
}

TEST(ShippedMacroFiles, SpanishExamples) {
    const std::vector<std::string> expected{
        "Escribir Hola: +LSHIFT/30 +H/30 -H/30 -LSHIFT/30 +O/30 -O/30 +L/30 -L/30 +A/30 -A/30",
        "Guardar: +LCONTROL/30 +S/30 -S/30 -LCONTROL/30",
        "Nueva pestaña: +LCONTROL/30 +T/30 -T/30 -LCONTROL/30",
        "Disparo triple x3: +L-KEY/40 -L-KEY/60",
    };
    EXPECT_EQ(LoadUser(kData / "skins" / "INI_CN" / "defMacro.dat"), expected);
    EXPECT_EQ(LoadUser(kData / "Macro_CN.dat"), expected);
}

TEST(ShippedMacroFiles, InitialUserFilesStartFromTheEditionDefaults) {
    EXPECT_EQ(Bytes(kData / "Macro_EN.dat"), Bytes(kData / "skins" / "INI_EN" / "defMacro.dat"));
    EXPECT_EQ(Bytes(kData / "Macro_CN.dat"), Bytes(kData / "skins" / "INI_CN" / "defMacro.dat"));
}

}  // namespace
}  // namespace zel::macro

namespace zel::macro {
namespace {

// What a script may import, the files the program itself ships and writes all pass: the strict
// check refuses only what the program would never have written.
TEST(ShippedMacroFiles, PassTheStrictCheckOfImports) {
    const std::filesystem::path data = std::filesystem::path(ZEL_SOURCE_DIR) / "data";
    for (const auto& file :
         {data / "Macro_EN.dat", data / "Macro_CN.dat", data / "constMacro.dat",
          data / "skins" / "INI_EN" / "defMacro.dat", data / "skins" / "INI_CN" / "defMacro.dat"}) {
        SCOPED_TRACE(file.string());
        const auto checked = ReadMacroFileStrictly(file);
        ASSERT_TRUE(checked.ok()) << checked.error().message;
        MacroStore lenient;
        platform::RecordingMessageSink ignored;
        LoadUserMacros(lenient, file, ignored);
        ASSERT_EQ(static_cast<int>(checked->size()), lenient.UserCount());
        for (int i = 0; i < lenient.UserCount(); ++i) {
            EXPECT_EQ(EncodeMacroRecord((*checked)[static_cast<std::size_t>(i)]),
                      EncodeMacroRecord(lenient.UserMacro(i)));
        }
    }
}

}  // namespace
}  // namespace zel::macro
