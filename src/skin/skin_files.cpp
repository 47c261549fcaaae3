#include "skin/skin_files.h"

#include "platform/edition.h"

namespace zel::skin {

std::filesystem::path LayoutFileName(LayoutSurface surface, int languageFlag) {
    const bool english = platform::IsEnglishEdition(languageFlag);
    switch (surface) {
        case LayoutSurface::kMain:
            return english ? "INI_EN/skin_main_en.ini" : "INI_CN/skin_main.ini";
        case LayoutSurface::kColor:
            return english ? "INI_EN/skin_color_en.ini" : "INI_CN/skin_color.ini";
        case LayoutSurface::kAdvanced:
            return english ? "INI_EN/skin_advance_en.ini" : "INI_CN/skin_advance.ini";
        case LayoutSurface::kWarning:
            return english ? "INI_EN/LBWarning_en.ini" : "INI_CN/LBWarning.ini";
    }
    return {};
}

}  // namespace zel::skin
