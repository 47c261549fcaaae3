// The keyboard's focus mark on the shipped skin, measured: on every control of every page in both
// editions it is a ring two pixels wide whose every pixel stands out at least 3:1 from the pixel
// beside it; the least change it makes to what it covers is printed.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/pages/page_focus.h"
#include "app/pages/page_painter.h"
#include "app/pages/page_table.h"
#include "platform/message_sink.h"
#include "settings/profile_operations.h"
#include "shell_test_qt.h"
#include "shipped_layout.h"
#include "skin/contrast.h"
#include "skin/layout_loader.h"
#include "skin/qt/skin_fonts.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"

namespace zel::app {
namespace {

constexpr double kMinimumContrast = 3.0;
constexpr int kRingWidth = 2;
// Every point of a control's ring stands out.
constexpr double kMinimumShare = 1.0;

double Contrast(QRgb a, QRgb b) {
    return skin::ContrastRatio(skin::RelativeLuminance(qRed(a), qGreen(a), qBlue(a)),
                               skin::RelativeLuminance(qRed(b), qGreen(b), qBlue(b)));
}

struct PageCase {
    std::uint8_t page;
    std::string_view name;
};

class FocusMark : public ::testing::TestWithParam<int> {
protected:
    shell_testing::ApplicationGuard application;
};

TEST_P(FocusMark, IsATwoPixelRingStandingOutThreeToOneOnEveryControlOfEveryPage) {
    const int languageFlag = GetParam();
    const std::filesystem::path skins = shell_testing::ShippedSkins();
    platform::RecordingMessageSink messages;
    skin::SkinLayout layout;
    ASSERT_TRUE(shell_testing::LoadShippedLayout(languageFlag, layout));
    skin::SkinImageStore images(skins, messages);
    const QImage normal(
        QString::fromStdString((skins / std::string(skin::pictures::kMainNormal)).string()));
    ASSERT_FALSE(normal.isNull());
    const QFont font = skin::CreateSkinFonts().ForEdition(languageFlag);

    settings::ProfileSettings profile;
    settings::ApplyResetDefaults(profile);
    macro::MacroStore macros;
    const settings::LedPreview preview(profile);
    const HotIndices hot;

    int marked = 0;
    double weakestAnywhere = 21;
    double weakestShare = 1;
    double covered = 21;
    for (const PageCase& c : {PageCase{kMainPage, "main"}, PageCase{kAdvancedPage, "advanced"},
                              PageCase{kColorPage, "lighting"}}) {
        const PageStateView view{profile, macros, layout, c.page, 1, languageFlag, false, {}};
        PagePainter plainPainter(layout, images, normal.size(), preview, hot, false);
        const QImage plain =
            plainPainter.Compose(view, font, 1).convertToFormat(QImage::Format_RGB32);
        for (const Control* row : FocusOrder(c.page, layout, kShippedPages)) {
            const auto list = ButtonsOf(std::as_const(layout), row->list);
            for (int member = 0; member < row->count; ++member) {
                const auto index = static_cast<std::size_t>(row->first + member);
                if (index >= list.size() || list[index].Rect().IsEmpty()) {
                    continue;
                }
                const skin::SkinButton& b = list[index];
                const QRect area(b.x, b.y, b.width, b.height);
                PagePainter painter(layout, images, normal.size(), preview, hot, false);
                painter.SetFocusMark({row, member});
                const QImage focused =
                    painter.Compose(view, font, 1).convertToFormat(QImage::Format_RGB32);
                std::ostringstream where;
                where << c.name << " " << row->name << "[" << member << "] at " << b.x << "," << b.y
                      << " " << b.width << "x" << b.height;
                SCOPED_TRACE(where.str());
                ++marked;

                // Across each point of every side (the corners aside, where two sides meet):
                // two pixels, each standing out 3:1 from the pixel beside it (just outside the
                // ring, just inside it) and, where they differ, from each other.
                struct Side {
                    QPoint start, along, inwards;
                    int length;
                };
                const Side sides[] = {
                    {area.topLeft(), {1, 0}, {0, 1}, area.width()},
                    {area.bottomLeft(), {1, 0}, {0, -1}, area.width()},
                    {area.topLeft(), {0, 1}, {1, 0}, area.height()},
                    {area.topRight(), {0, 1}, {-1, 0}, area.height()},
                };
                int points = 0;
                int standingOut = 0;
                for (const Side& side : sides) {
                    for (int i = kRingWidth; i < side.length - kRingWidth; ++i) {
                        const QPoint edge = side.start + side.along * i;
                        const QPoint outside = edge - side.inwards;
                        const QPoint inner = edge + side.inwards * (kRingWidth - 1);
                        const QPoint inside = inner + side.inwards;
                        if (!focused.rect().contains(outside)) {
                            continue;
                        }
                        ++points;
                        const QRgb outer = focused.pixel(edge);
                        const QRgb innerColor = focused.pixel(inner);
                        double weakest = std::min(Contrast(outer, focused.pixel(outside)),
                                                  Contrast(innerColor, focused.pixel(inside)));
                        if (outer != innerColor) {
                            weakest = std::min(weakest, Contrast(outer, innerColor));
                        }
                        weakestAnywhere = std::min(weakestAnywhere, weakest);
                        standingOut += weakest >= kMinimumContrast ? 1 : 0;
                        // How far the ring changes what it covers, for the record.
                        covered =
                            std::min(covered, std::max(Contrast(outer, plain.pixel(edge)),
                                                       Contrast(innerColor, plain.pixel(inner))));
                    }
                }
                ASSERT_GT(points, 0);
                const double share = static_cast<double>(standingOut) / points;
                weakestShare = std::min(weakestShare, share);
                EXPECT_GE(share, kMinimumShare)
                    << "of the ring's points stand out 3:1 from the pixels beside them";
            }
        }
    }
    EXPECT_GT(marked, 60) << "every control of the three pages was marked";
    std::cout << "focus mark, flag " << languageFlag << ": " << marked
              << " controls; the least share of points standing out 3:1 " << weakestShare
              << ", the weakest point " << weakestAnywhere
              << ":1; the least change of a covered point " << covered << ":1\n";
}

INSTANTIATE_TEST_SUITE_P(BothEditions, FocusMark, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param != 0 ? "EN" : "CN"; });

}  // namespace
}  // namespace zel::app
