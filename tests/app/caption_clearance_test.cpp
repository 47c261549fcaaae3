// Every caption of the shipped skin, in both editions, written the way the window writes it
// (the edition's font, centred in its rectangle) stays inside its button and keeps clear of the
// icons, dots and marks the resting picture draws there.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "shell_test_qt.h"
#include "shipped_layout.h"
#include "skin/layout_loader.h"
#include "skin/qt/skin_fonts.h"
#include "skin/skin_files.h"

namespace zel::app {
namespace {

// Space kept free between a caption and any mark inside its button: less reads as touching.
constexpr int kMarkClearance = 5;
// The bevelled borders of a button, never counted as a mark.
constexpr int kBorder = 3;
// A pixel this much brighter or darker than the button's usual shade is part of a mark.
constexpr int kMarkContrast = 30;

struct Surface {
    const char* name;
    std::string_view picture;
    std::span<const skin::SkinButton> buttons;
    std::set<int> writtenByTheProgram;  // indices whose text is not the layout's caption
};

int Brightness(QRgb pixel) {
    return qGray(pixel);
}

// The button's usual shade: the median brightness inside its borders.
int UsualShade(const QImage& picture, const QRect& inside) {
    std::vector<int> values;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            values.push_back(Brightness(picture.pixel(x, y)));
        }
    }
    if (values.empty()) {
        return 0;
    }
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// What is wrong with one caption, or an empty string.
std::string CheckCaption(const QImage& picture, const QFont& font, const skin::SkinButton& b) {
    const QString text = QString::fromStdString(b.caption);
    const QFontMetrics metrics(font);
    const int left = b.x + (b.width - metrics.horizontalAdvance(text)) / 2;
    const int top = b.y + (b.height - metrics.height()) / 2;
    // The ink of the text where the window draws it.
    const QRect ink = metrics.boundingRect(text).translated(left, top + metrics.ascent());
    const QRect button(b.x, b.y, b.width, b.height);
    if (ink.left() < button.left() || ink.right() > button.right()) {
        return "leaves its button";
    }
    const QRect inside = button.adjusted(kBorder, kBorder, -kBorder, -kBorder) & picture.rect();
    const int usual = UsualShade(picture, inside);
    const QRect around = ink.adjusted(-kMarkClearance, 0, kMarkClearance, 0) & inside;
    for (int y = around.top(); y <= around.bottom(); ++y) {
        for (int x = around.left(); x <= around.right(); ++x) {
            if (std::abs(Brightness(picture.pixel(x, y)) - usual) > kMarkContrast) {
                return "touches a mark of the picture at (" + std::to_string(x) + ", " +
                       std::to_string(y) + ")";
            }
        }
    }
    return {};
}

class CaptionClearance : public ::testing::TestWithParam<int> {
protected:
    shell_testing::ApplicationGuard application;
};

TEST_P(CaptionClearance, EveryCaptionStaysInsideItsButtonAndClearOfItsMarks) {
    const int languageFlag = GetParam();
    const std::filesystem::path skins = shell_testing::ShippedSkins();
    skin::SkinLayout layout;
    ASSERT_TRUE(shell_testing::LoadShippedLayout(languageFlag, layout));
    const QFont font = skin::CreateSkinFonts().ForEdition(languageFlag);

    const Surface surfaces[] = {
        // The function fields (25 ... 30) show the chosen function, left-aligned.
        {"main", skin::pictures::kMainNormal, layout.mainButtons, {25, 26, 27, 28, 29, 30}},
        // Record (4), the fire-time read-out (33) and the step counts (43, 44).
        {"advanced", skin::pictures::kAdvancedNormal, layout.advancedButtons, {4, 33, 43, 44}},
        // The current DPI (9).
        {"lighting", skin::pictures::kColorNormalPink, layout.colorButtons, {9}},
        {"warning", skin::pictures::kWarningNormal, layout.warningButtons, {}},
    };
    for (const Surface& surface : surfaces) {
        const QImage picture =
            QImage(QString::fromStdString((skins / std::string(surface.picture)).string()))
                .convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(picture.isNull()) << surface.picture;
        for (std::size_t i = 0; i < surface.buttons.size(); ++i) {
            const skin::SkinButton& button = surface.buttons[i];
            if (button.caption.empty() || button.width <= 0 ||
                surface.writtenByTheProgram.contains(static_cast<int>(i))) {
                continue;
            }
            const std::string fault = CheckCaption(picture, font, button);
            EXPECT_EQ(fault, "") << surface.name << " " << i << " \"" << button.caption << "\"";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothEditions, CaptionClearance, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param != 0 ? "EN" : "CN"; });

}  // namespace
}  // namespace zel::app
