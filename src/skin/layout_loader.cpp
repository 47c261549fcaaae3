#include "skin/layout_loader.h"

#include <string>
#include <system_error>
#include <utility>

#include "settings/parse_decimal.h"

namespace zel::skin {

namespace {

constexpr std::size_t kLayoutValueBuffer = 260;  // characters, so at most 259 are read

std::int32_t Number(const std::string& field) {
    return settings::ParseDecimal(field);
}

SkinButton ButtonFrom(LayoutFields&& entry) {
    SkinButton button;
    button.label = std::move(entry.fields[0]);
    button.x = Number(entry.fields[1]);
    button.y = Number(entry.fields[2]);
    button.width = Number(entry.fields[3]);
    button.height = Number(entry.fields[4]);
    button.caption = std::move(entry.fields[5]);
    return button;
}

}  // namespace

LayoutFields ReadLayoutEntry(const ini::IniDocument& file, std::string_view section, int key) {
    return SplitLayoutValue(file.Get(section, std::to_string(key), kLayoutValueBuffer));
}

SkinLayoutLoader::SkinLayoutLoader(std::filesystem::path skinsDir, platform::MessageSink& messages,
                                   std::function<void()> requestShutdown,
                                   std::string messageCaption)
    : skinsDir_(std::move(skinsDir)),
      messages_(messages),
      requestShutdown_(std::move(requestShutdown)),
      messageCaption_(std::move(messageCaption)) {}

ini::IniDocument SkinLayoutLoader::OpenLayoutFile(LayoutSurface surface, int languageFlag) {
    malformedReported_ = false;
    const std::filesystem::path path = skinsDir_ / LayoutFileName(surface, languageFlag);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        if (!shutdownRequested_) {
            shutdownRequested_ = true;
            messages_.ShowMessage(kLayoutFileMissingMessage, messageCaption_);
            if (requestShutdown_) {
                requestShutdown_();
            }
        }
        return {};
    }
    return ini::IniDocument::Load(path);
}

LayoutFields SkinLayoutLoader::ReadEntry(const ini::IniDocument& file, std::string_view section,
                                         int key) {
    LayoutFields entry = ReadLayoutEntry(file, section, key);
    if (entry.tooManyCommas && !malformedReported_) {
        malformedReported_ = true;
        messages_.ShowMessage(kLayoutMalformedMessage, messageCaption_);
    }
    return entry;
}

template <std::size_t N>
void SkinLayoutLoader::ReadButtons(const ini::IniDocument& file,
                                   std::array<SkinButton, N>& buttons) {
    for (std::size_t i = 0; i < N; ++i) {
        buttons[i] = ButtonFrom(ReadEntry(file, kButtonSection, static_cast<int>(i)));
    }
}

ControlRect SkinLayoutLoader::ReadControlRect(const ini::IniDocument& file,
                                              std::string_view section, int key) {
    const LayoutFields entry = ReadEntry(file, section, key);
    ControlRect control;
    control.x = Number(entry.fields[1]);
    control.y = Number(entry.fields[2]);
    control.width = Number(entry.fields[3]);
    control.height = Number(entry.fields[4]);
    control.rect = MakeRect(control.x, control.y, control.width, control.height);
    return control;
}

void SkinLayoutLoader::LoadMainLayout(SkinLayout& layout, int languageFlag) {
    const ini::IniDocument file = OpenLayoutFile(LayoutSurface::kMain, languageFlag);
    ReadButtons(file, layout.mainButtons);
    layout.functionNames[0].clear();
    for (std::size_t code = 1; code < kFunctionNameCount; ++code) {
        layout.functionNames[code] =
            std::move(ReadEntry(file, kFunctionSection, static_cast<int>(code)).fields[0]);
    }
    layout.functionNames[kUsbSpeedFunction] = "OFF";
}

void SkinLayoutLoader::LoadColorLayout(SkinLayout& layout, int languageFlag) {
    const ini::IniDocument file = OpenLayoutFile(LayoutSurface::kColor, languageFlag);
    ReadButtons(file, layout.colorButtons);
}

void SkinLayoutLoader::LoadAdvancedLayout(SkinLayout& layout, int languageFlag) {
    const ini::IniDocument file = OpenLayoutFile(LayoutSurface::kAdvanced, languageFlag);
    ReadButtons(file, layout.advancedButtons);
    layout.editRect3 = ReadControlRect(file, kEditSection, 3);
    layout.editRect4 = ReadControlRect(file, kEditSection, 4);
    layout.macroDisplayRect1 = ReadControlRect(file, kMacroDisplaySection, 1);
    layout.macroDisplayRect2 = ReadControlRect(file, kMacroDisplaySection, 2);
}

void SkinLayoutLoader::LoadWarningLayout(SkinLayout& layout, int languageFlag) {
    const ini::IniDocument file = OpenLayoutFile(LayoutSurface::kWarning, languageFlag);
    ReadButtons(file, layout.warningButtons);
}

void SkinLayoutLoader::LoadSkinLayouts(SkinLayout& layout, int languageFlag) {
    LoadMainLayout(layout, languageFlag);
    LoadColorLayout(layout, languageFlag);
    LoadAdvancedLayout(layout, languageFlag);
    LoadWarningLayout(layout, languageFlag);
}

}  // namespace zel::skin
