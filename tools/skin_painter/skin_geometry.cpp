#include "skin_geometry.h"

#include <sstream>

#include "platform/message_sink.h"
#include "settings/ini_file.h"
#include "settings/parse_decimal.h"
#include "skin/layout_loader.h"

namespace zel::skin::painter {

namespace {

// Collects the loader's messages instead of showing them.
class CollectingSink final : public platform::MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view) override {
        messages.emplace_back(text);
    }
    std::vector<std::string> messages;
};

bool ReadSize(const ini::IniDocument& file, std::string_view key, QSize& size) {
    const std::string value = file.Get("SURFACE", key);
    const auto comma = value.find(',');
    if (comma == std::string::npos) {
        return false;
    }
    size = QSize(settings::ParseDecimal(value.substr(0, comma)),
                 settings::ParseDecimal(value.substr(comma + 1)));
    return size.width() > 0 && size.height() > 0;
}

template <std::size_t N>
std::string CompareButtons(const char* name, const std::array<SkinButton, N>& a,
                           const std::array<SkinButton, N>& b) {
    for (std::size_t i = 0; i < N; ++i) {
        if (a[i].Rect() != b[i].Rect()) {
            std::ostringstream out;
            out << name << " " << i << " is placed differently in the two editions";
            return out.str();
        }
    }
    return {};
}

}  // namespace

std::string CompareGeometry(const SkinLayout& a, const SkinLayout& b) {
    for (const std::string& difference :
         {CompareButtons("main button", a.mainButtons, b.mainButtons),
          CompareButtons("colour button", a.colorButtons, b.colorButtons),
          CompareButtons("advanced button", a.advancedButtons, b.advancedButtons),
          CompareButtons("warning button", a.warningButtons, b.warningButtons)}) {
        if (!difference.empty()) {
            return difference;
        }
    }
    if (a.editRect3.rect != b.editRect3.rect || a.editRect4.rect != b.editRect4.rect ||
        a.macroDisplayRect1.rect != b.macroDisplayRect1.rect ||
        a.macroDisplayRect2.rect != b.macroDisplayRect2.rect) {
        return "the advanced page's control rectangles differ between the editions";
    }
    return {};
}

platform::Result<SkinGeometry> ReadSkinGeometry(const std::filesystem::path& layoutRoot) {
    SkinGeometry geometry;
    CollectingSink messages;
    bool missing = false;
    SkinLayoutLoader loader(layoutRoot, messages, [&missing] { missing = true; });
    loader.LoadSkinLayouts(geometry.english, 1);
    loader.LoadSkinLayouts(geometry.spanish, 0);
    if (missing || !messages.messages.empty()) {
        return platform::Error{
            platform::ErrorCode::kMalformed,
            "layout files under " + layoutRoot.string() + " are missing or malformed"};
    }
    if (std::string difference = CompareGeometry(geometry.english, geometry.spanish);
        !difference.empty()) {
        return platform::Error{platform::ErrorCode::kMalformed, std::move(difference)};
    }
    const auto main = ini::IniDocument::Load(layoutRoot / LayoutFileName(LayoutSurface::kMain, 1));
    const auto warning =
        ini::IniDocument::Load(layoutRoot / LayoutFileName(LayoutSurface::kWarning, 1));
    if (!ReadSize(main, "main", geometry.sizes.main) ||
        !ReadSize(main, "menu", geometry.sizes.menu) ||
        !ReadSize(main, "submenu", geometry.sizes.subMenu) ||
        !ReadSize(warning, "warning", geometry.sizes.warning)) {
        return platform::Error{platform::ErrorCode::kMalformed,
                               "a [SURFACE] size (main, menu, submenu or warning) is missing"};
    }
    return geometry;
}

}  // namespace zel::skin::painter
