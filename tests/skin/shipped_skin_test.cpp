// The skin that ships with the program: both editions' layouts and the rendered pictures.

#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "skin/layout_loader.h"
#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"
#include "skin_test_support.h"

namespace zel::skin {
namespace {

std::vector<int> Range(int first, int last) {
    std::vector<int> out;
    for (int i = first; i <= last; ++i) {
        out.push_back(i);
    }
    return out;
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Every index the program gives a role to.
const std::vector<int> kMainRoles = Join({Range(0, 19),
                                          Range(25, 31),
                                          {41, 42},
                                          Range(46, 49),
                                          Range(54, 57),
                                          Range(66, 113),
                                          Range(115, 121)});
const std::vector<int> kAdvancedRoles = Join({Range(0, 27), Range(30, 33), {43, 44}});
const std::vector<int> kColorRoles = {0, 1, 2, 3, 9, 11};
const std::vector<int> kWarningRoles = {0, 1, 2};

class ShippedSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::RecordingMessageSink messages;
        int shutdowns = 0;
        SkinLayoutLoader loader(testing::ShippedLayoutRoot(), messages, [&] { ++shutdowns; });
        loader.LoadSkinLayouts(english_, 1);
        loader.LoadSkinLayouts(spanish_, 0);
        loadMessages_ = messages.messages;
        shutdowns_ = shutdowns;
    }

    static QImage Picture(std::string_view name) {
        platform::RecordingMessageSink messages;
        SkinImageStore store(testing::RenderedSkinsDir(), messages);
        return store.LoadSkinImage(name);
    }

    // All four corners of the button lie inside the window's outline.
    static void ExpectInside(const QRegion& outline, const SkinButton& button, const char* list,
                             int index) {
        const QRect r = ToQRect(button);
        ASSERT_FALSE(r.isEmpty()) << list << " " << index << " has no rectangle";
        for (const QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            EXPECT_TRUE(outline.contains(corner))
                << list << " " << index << " reaches outside the window at (" << corner.x() << ", "
                << corner.y() << ")";
        }
    }

    static inline SkinLayout english_;
    static inline SkinLayout spanish_;
    static inline std::vector<std::string> loadMessages_;
    static inline int shutdowns_ = 0;
};

TEST_F(ShippedSkin, BothEditionsLoadWithoutComplaint) {
    EXPECT_TRUE(loadMessages_.empty()) << loadMessages_.front();
    EXPECT_EQ(shutdowns_, 0);
}

TEST_F(ShippedSkin, BothEditionsHaveTheSameGeometry) {
    for (std::size_t i = 0; i < kMainButtonCount; ++i) {
        EXPECT_EQ(english_.mainButtons[i].Rect(), spanish_.mainButtons[i].Rect()) << "main " << i;
    }
    for (std::size_t i = 0; i < kAdvancedButtonCount; ++i) {
        EXPECT_EQ(english_.advancedButtons[i].Rect(), spanish_.advancedButtons[i].Rect())
            << "advanced " << i;
    }
    for (std::size_t i = 0; i < kColorButtonCount; ++i) {
        EXPECT_EQ(english_.colorButtons[i].Rect(), spanish_.colorButtons[i].Rect())
            << "colour " << i;
    }
    for (std::size_t i = 0; i < kWarningButtonCount; ++i) {
        EXPECT_EQ(english_.warningButtons[i].Rect(), spanish_.warningButtons[i].Rect())
            << "warning " << i;
    }
    EXPECT_EQ(english_.editRect3, spanish_.editRect3);
    EXPECT_EQ(english_.editRect4, spanish_.editRect4);
    EXPECT_EQ(english_.macroDisplayRect1, spanish_.macroDisplayRect1);
    EXPECT_EQ(english_.macroDisplayRect2, spanish_.macroDisplayRect2);
}

TEST_F(ShippedSkin, EveryButtonWithARoleLiesInsideItsWindow) {
    const QImage mainMask = Picture(pictures::kMainMask);
    ASSERT_FALSE(mainMask.isNull());
    const QRegion outline = BuildMaskRegion(mainMask);
    for (int i : kMainRoles) {
        ExpectInside(outline, english_.mainButtons[static_cast<std::size_t>(i)], "main", i);
    }
    for (int i : kAdvancedRoles) {
        ExpectInside(outline, english_.advancedButtons[static_cast<std::size_t>(i)], "advanced", i);
    }
    for (int i : kColorRoles) {
        ExpectInside(outline, english_.colorButtons[static_cast<std::size_t>(i)], "colour", i);
    }
    int control = 0;
    for (const ControlRect* rect : {&english_.editRect3, &english_.editRect4,
                                    &english_.macroDisplayRect1, &english_.macroDisplayRect2}) {
        ExpectInside(outline, SkinButton{rect->x, rect->y, rect->width, rect->height, {}, {}},
                     "control", control++);
    }
    const QImage warningMask = Picture(pictures::kWarningMask);
    ASSERT_FALSE(warningMask.isNull());
    const QRegion warningOutline = BuildMaskRegion(warningMask);
    for (int i : kWarningRoles) {
        ExpectInside(warningOutline, english_.warningButtons[static_cast<std::size_t>(i)],
                     "warning", i);
    }
}

// On each page the buttons that react to the pointer (the frame, the page's own list, the
// child controls) must not cover one another, or a click would land on the wrong one.
TEST_F(ShippedSkin, ReactiveAreasOfAPageDoNotOverlap) {
    struct Area {
        std::string name;
        QRect rect;
    };
    auto frame = [&] {
        std::vector<Area> areas;
        for (int i = 0; i < 20; ++i) {
            areas.push_back({"frame " + std::to_string(i),
                             ToQRect(english_.mainButtons[static_cast<std::size_t>(i)])});
        }
        return areas;
    };
    std::vector<std::vector<Area>> pages(3, frame());
    for (int i : kMainRoles) {
        if (i >= 20 && i <= 114) {
            pages[0].push_back({"main " + std::to_string(i),
                                ToQRect(english_.mainButtons[static_cast<std::size_t>(i)])});
        }
    }
    for (int i : kAdvancedRoles) {
        if (i <= 37) {
            pages[1].push_back({"advanced " + std::to_string(i),
                                ToQRect(english_.advancedButtons[static_cast<std::size_t>(i)])});
        }
    }
    for (const ControlRect* rect : {&english_.editRect3, &english_.editRect4,
                                    &english_.macroDisplayRect1, &english_.macroDisplayRect2}) {
        pages[1].push_back({"control", ToQRect(rect->rect)});
    }
    for (int i = 0; i <= 3; ++i) {
        pages[2].push_back({"colour " + std::to_string(i),
                            ToQRect(english_.colorButtons[static_cast<std::size_t>(i)])});
    }
    for (const auto& areas : pages) {
        for (std::size_t a = 0; a < areas.size(); ++a) {
            for (std::size_t b = a + 1; b < areas.size(); ++b) {
                EXPECT_FALSE(areas[a].rect.intersects(areas[b].rect))
                    << areas[a].name << " overlaps " << areas[b].name;
            }
        }
    }
}

TEST_F(ShippedSkin, NamesAndCaptionsAreInTheEditionsLanguage) {
    for (const SkinLayout* layout : {&english_, &spanish_}) {
        EXPECT_EQ(layout->functionNames[0], "");
        EXPECT_EQ(layout->functionNames[14], "OFF");
        for (std::size_t code = 1; code < kFunctionNameCount; ++code) {
            EXPECT_FALSE(layout->functionNames[code].empty()) << "function " << code;
        }
    }
    // The entries that differ in language: the main list's rows, the frame's commands, the
    // warning's texts.
    for (std::size_t code : {1u, 2u, 7u, 9u, 10u, 24u}) {
        EXPECT_NE(english_.functionNames[code], spanish_.functionNames[code])
            << "function " << code;
    }
    for (std::size_t i : {0u, 2u, 3u, 4u, 9u, 10u, 11u, 14u, 15u, 16u}) {
        EXPECT_FALSE(english_.mainButtons[i].caption.empty()) << "frame " << i;
        EXPECT_NE(english_.mainButtons[i].caption, spanish_.mainButtons[i].caption)
            << "frame " << i;
    }
    for (std::size_t i = 0; i < kWarningButtonCount; ++i) {
        EXPECT_NE(english_.warningButtons[i].caption, spanish_.warningButtons[i].caption);
    }
}

TEST_F(ShippedSkin, PicturesOfASurfaceShareTheMasksSize) {
    const struct {
        std::string_view mask;
        std::vector<std::string_view> layers;
    } surfaces[] = {
        {pictures::kMainMask,
         {pictures::kMainNormal, pictures::kMainOver, pictures::kMainDown,
          pictures::kAdvancedNormal, pictures::kAdvancedOver, pictures::kAdvancedDown,
          pictures::kColorNormalPink, pictures::kColorOverRed, pictures::kColorDownPurple,
          pictures::kColorOverBlue, pictures::kColorNormalGray}},
        {pictures::kMenuMask, {pictures::kMenuNormal, pictures::kMenuOver, pictures::kMenuDown}},
        {pictures::kSubMenuMask,
         {pictures::kSubMenuNormal, pictures::kSubMenuOver, pictures::kSubMenuDown}},
        {pictures::kWarningMask, {pictures::kWarningNormal, pictures::kWarningOver}},
    };
    for (const auto& surface : surfaces) {
        const QImage mask = Picture(surface.mask);
        ASSERT_FALSE(mask.isNull()) << surface.mask;
        for (std::string_view layer : surface.layers) {
            EXPECT_EQ(Picture(layer).size(), mask.size()) << layer;
        }
    }
    // The choice lists: ten and twelve rows, plus the one-pixel strip below the last row.
    const QImage menu = Picture(pictures::kMenuMask);
    EXPECT_GT(menu.height() / kMenuRowCount, 0);
    EXPECT_EQ(menu.height() % kMenuRowCount, 1);
    const QImage sub = Picture(pictures::kSubMenuMask);
    EXPECT_EQ(sub.height() % kSubMenuRowCount, 1);
}

TEST_F(ShippedSkin, MasksAreDarkShapesOnWhite) {
    for (std::string_view name : {pictures::kMainMask, pictures::kWarningMask}) {
        const QImage mask = Picture(name);
        ASSERT_FALSE(mask.isNull());
        EXPECT_TRUE(IsCutAwayPixel(mask.pixel(0, 0))) << name << ": the cut corner is light";
        EXPECT_FALSE(IsCutAwayPixel(mask.pixel(mask.width() / 2, mask.height() / 2))) << name;
        const QRegion outline = BuildMaskRegion(mask);
        EXPECT_FALSE(outline.contains(QPoint(0, 0)));
        EXPECT_TRUE(outline.contains(QPoint(mask.width() / 2, 0)));
    }
}

// Hover and press pictures change nothing outside the buttons (beyond JPEG noise at the edges
// of the 8x8 blocks that a button's border touches).
TEST_F(ShippedSkin, StateLayersDifferOnlyInsideButtons) {
    const struct {
        std::string_view normal;
        std::vector<std::string_view> states;
        std::vector<QRect> buttons;
    } pages[] = {
        {pictures::kMainNormal, {pictures::kMainOver, pictures::kMainDown}, {}},
        {pictures::kAdvancedNormal, {pictures::kAdvancedOver, pictures::kAdvancedDown}, {}},
        {pictures::kColorNormalPink,
         {pictures::kColorOverRed, pictures::kColorDownPurple, pictures::kColorOverBlue,
          pictures::kColorNormalGray},
         {}},
    };
    for (std::size_t page = 0; page < 3; ++page) {
        QRegion allowed;
        for (const SkinButton& b : english_.mainButtons) {
            allowed += ToQRect(b).adjusted(-8, -8, 8, 8);
        }
        if (page == 1) {
            for (const SkinButton& b : english_.advancedButtons) {
                allowed += ToQRect(b).adjusted(-8, -8, 8, 8);
            }
        } else if (page == 2) {
            for (const SkinButton& b : english_.colorButtons) {
                allowed += ToQRect(b).adjusted(-8, -8, 8, 8);
            }
        }
        const QImage normal = Picture(pages[page].normal);
        ASSERT_FALSE(normal.isNull());
        for (std::string_view name : pages[page].states) {
            const QImage state = Picture(name);
            ASSERT_EQ(state.size(), normal.size());
            int outside = 0;
            for (int y = 0; y < normal.height(); ++y) {
                for (int x = 0; x < normal.width(); ++x) {
                    const QRgb a = normal.pixel(x, y);
                    const QRgb b = state.pixel(x, y);
                    const int difference =
                        std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
                    if (difference > 24 && !allowed.contains(QPoint(x, y))) {
                        ++outside;
                    }
                }
            }
            EXPECT_EQ(outside, 0) << name << " differs from " << pages[page].normal
                                  << " outside the buttons";
        }
    }
}

}  // namespace
}  // namespace zel::skin
