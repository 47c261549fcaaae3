#pragma once

// Reads the four skin layout files of an edition into a SkinLayout.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/app_identity.h"
#include "platform/message_sink.h"
#include "settings/ini_file.h"
#include "skin/layout_value.h"
#include "skin/skin_files.h"
#include "skin/skin_layout.h"

namespace zel::skin {

// Reads one key of a parsed layout file (the key index written in decimal) through a buffer of
// 260 characters and splits it. An absent key gives empty fields.
LayoutFields ReadLayoutEntry(const ini::IniDocument& file, std::string_view section, int key);

class SkinLayoutLoader {
public:
    // requestShutdown runs when a layout file is missing: the program cannot show its window
    // without it. messageCaption is the caption of the loader's messages (the program's name).
    SkinLayoutLoader(std::filesystem::path skinsDir, platform::MessageSink& messages,
                     std::function<void()> requestShutdown,
                     std::string messageCaption = platform::kProgramName);

    // Each picks the file of the edition (EN when languageFlag is non-zero), reads its keys in
    // ascending order and overwrites its part of the layout; a missing key empties its entry.
    void LoadMainLayout(SkinLayout& layout, int languageFlag);
    void LoadColorLayout(SkinLayout& layout, int languageFlag);
    void LoadAdvancedLayout(SkinLayout& layout, int languageFlag);
    void LoadWarningLayout(SkinLayout& layout, int languageFlag);
    // Main, colour, advanced, warning.
    void LoadSkinLayouts(SkinLayout& layout, int languageFlag);

    bool shutdownRequested() const { return shutdownRequested_; }
    const std::filesystem::path& skinsDir() const { return skinsDir_; }

private:
    // The parsed file; a missing file is reported in the edition's words ("Perfil no
    // encontrado") and asks for the shutdown (once: the program is ending), then reads as an
    // empty file.
    ini::IniDocument OpenLayoutFile(LayoutSurface surface, int languageFlag);
    // ReadLayoutEntry plus the report of a malformed value, once per file load: one message
    // tells the user the file is damaged, a hundred would only block the window.
    LayoutFields ReadEntry(const ini::IniDocument& file, std::string_view section, int key);
    template <std::size_t N>
    void ReadButtons(const ini::IniDocument& file, std::array<SkinButton, N>& buttons);
    ControlRect ReadControlRect(const ini::IniDocument& file, std::string_view section, int key);

    std::filesystem::path skinsDir_;
    platform::MessageSink& messages_;
    std::function<void()> requestShutdown_;
    std::string messageCaption_;
    bool shutdownRequested_ = false;
    bool malformedReported_ = false;
    int fileLanguage_ = 0;  // the edition of the file being read, whose words messages take
};

}  // namespace zel::skin
