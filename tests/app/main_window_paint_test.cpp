// Painting and hit-testing of the main window, checked on the grabbed window: every layer of
// the synthetic skin has its own flat colour, so a button's pixel tells which layer it was
// copied from.

#include <gtest/gtest.h>

#include "app/pages/page_table.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

using namespace skin_colors;
using skin::kNoEntry;
namespace buttons = app::buttons;

int CountPixels(const QImage& image, const QRect& rect, QColor colour, int tolerance) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (Near(image.pixelColor(x, y), colour, tolerance)) {
                ++count;
            }
        }
    }
    return count;
}

QRect RectOf(const skin::SkinButton& b) {
    return {b.x, b.y, b.width, b.height};
}

class MainWindowPaintTest : public WindowTest {};

TEST_F(MainWindowPaintTest, NothingIsHoveredBeforeThePointerMoves) {
    ASSERT_TRUE(Start(ProfileAndEdition(2, 1)));
    const QImage image = Grab();
    ASSERT_EQ(image.size(), QSize(kSkinWidth, kSkinHeight));
    for (int i = 0; i <= buttons::kLastFrameButton; ++i) {
        const bool down = i == 2 + 3                        // current profile 2
                          || i == buttons::kMainPageButton  // the page shown
                          || i == buttons::kEditionEN;      // the edition
        EXPECT_TRUE(Near(Corner(image, layout().mainButtons[std::size_t(i)]),
                         down ? kMainDown : kMainNormal))
            << "frame button " << i;
    }
    for (int i = 115; i <= 121; ++i) {
        EXPECT_TRUE(Near(Corner(image, layout().mainButtons[std::size_t(i)]), kMainNormal)) << i;
    }
}

// VER_SEL as the file holds it: the CN button is drawn active for 0, the EN button only for
// exactly 1; any other value lights neither.
struct EditionButtonsCase {
    int verSel;
    bool cnDown;
    bool enDown;
};
class EditionButtonsPaintTest : public WindowTest,
                                public ::testing::WithParamInterface<EditionButtonsCase> {};

TEST_P(EditionButtonsPaintTest, EachButtonIsActiveOnlyForItsOwnFlag) {
    const EditionButtonsCase c = GetParam();
    ASSERT_TRUE(Start(ProfileAndEdition(1, c.verSel)));
    const QImage image = Grab();
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[buttons::kEditionCN]),
                     c.cnDown ? kMainDown : kMainNormal));
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[buttons::kEditionEN]),
                     c.enDown ? kMainDown : kMainNormal));
}

INSTANTIATE_TEST_SUITE_P(VerSel, EditionButtonsPaintTest,
                         ::testing::Values(EditionButtonsCase{0, true, false},
                                           EditionButtonsCase{1, false, true},
                                           EditionButtonsCase{2, false, false},
                                           EditionButtonsCase{-1, false, false}));

TEST_F(MainWindowPaintTest, HoverAndPressPicturesAreCopiedAtTheButtonsRectangles) {
    ASSERT_TRUE(Start(ProfileAndEdition(1, 0)));
    struct Case {
        int button;
        QColor hover;
        QColor pressed;
        QColor released;
    };
    const Case cases[] = {
        {buttons::kApply, kMainOver, kMainDown, kMainOver},
        // The current profile stays pressed.
        {buttons::kFirstProfile, kMainDown, kMainDown, kMainDown},
        // Choosing profile 2 makes it the current one.
        {buttons::kFirstProfile + 1, kMainOver, kMainDown, kMainDown},
        // The hovered button of the page shown shows its over picture.
        {buttons::kMainPageButton, kMainOver, kMainDown, kMainOver},
        {buttons::kEditionCN, kMainOver, kMainDown, kMainOver},
        // Pressing it selects the wheel status: drawn from the down layer from then on.
        {buttons::kWheelStatus1, kMainOver, kMainDown, kMainDown},
        {60, kMainOver, kMainDown, kMainOver},  // no role: hover and press only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const QPoint p = MainButton(c.button);
        HoverAt(p);
        EXPECT_EQ(state().hot.HotButton, c.button);
        const auto& b = layout().mainButtons[std::size_t(c.button)];
        EXPECT_TRUE(Near(Corner(Grab(), b), c.hover));
        Press(p);
        EXPECT_TRUE(state().pressedVisual);
        EXPECT_TRUE(Near(Corner(Grab(), b), c.pressed));
        Release(p);
        EXPECT_FALSE(state().pressedVisual);
        EXPECT_TRUE(Near(Corner(Grab(), b), c.released));
        // Away from it again: the normal picture (or the pressed one of a selected button).
        HoverAt({kSkinWidth - 2, kSkinHeight - 2});
    }
    EXPECT_TRUE(Near(Corner(Grab(), layout().mainButtons[buttons::kApply]), kMainNormal));
}

TEST_F(MainWindowPaintTest, HoveringAFunctionFieldLightsItsCompanionAndRedLabel) {
    ASSERT_TRUE(Start());
    const auto& field = layout().mainButtons[27];
    QImage before = Grab();
    EXPECT_GT(CountPixels(before, RectOf(field), QColor(255, 255, 255), 60), 0);
    EXPECT_EQ(CountPixels(before, RectOf(field), QColor(255, 0, 0), 60), 0);

    HoverAt(MainButton(27));
    const QImage image = Grab();
    EXPECT_TRUE(Near(Corner(image, field), kMainOver));
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[117]), kMainOver));
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[118]), kMainNormal));
    EXPECT_GT(CountPixels(image, RectOf(field), QColor(255, 0, 0), 60), 0);
    EXPECT_EQ(CountPixels(image, RectOf(field), QColor(255, 255, 255), 60), 0);
    // The mouse diagram (31) has a companion too, but no label.
    HoverAt(MainButton(31));
    EXPECT_TRUE(Near(Corner(Grab(), layout().mainButtons[121]), kMainOver));
}

TEST_F(MainWindowPaintTest, DpiBarsAreColouredPerLevelWithTheirEnableBoxes) {
    WindowSetup setup;
    setup.profile["DPI_SET0"] = "0";
    setup.profile["DPI_SET1"] = "11";
    setup.profile["DPI_SET2"] = "4";
    setup.profile["DPI_SET_EN2"] = "0";
    setup.profile["DPI_SET3"] = "7";
    setup.profile["DPI_LEVEL"] = "3";
    ASSERT_TRUE(Start(setup));
    const QImage image = Grab();
    const QColor levelColours[] = {QColor(0, 0, 255), QColor(255, 0, 255), QColor(255, 0, 0),
                                   QColor(128, 0, 255)};
    const int steps[] = {0, 11, 4, 7};
    for (int level = 0; level < 4; ++level) {
        for (int segment = 0; segment < 12; ++segment) {
            const auto& b = layout().mainButtons[std::size_t(66 + 12 * level + segment)];
            const QColor expected = segment <= steps[level] ? levelColours[level] : kMainNormal;
            EXPECT_TRUE(Near(image.pixelColor(Centre(b)), expected, 4))
                << "level " << level << " segment " << segment;
            // The fill is inset by one pixel: the corner keeps the normal picture.
            EXPECT_TRUE(Near(Corner(image, b), kMainNormal));
        }
        const bool enabled = level != 2;
        EXPECT_TRUE(Near(Corner(image, layout().mainButtons[std::size_t(46 + level)]),
                         enabled ? kMainDown : kMainNormal))
            << "enable box " << level;
        EXPECT_TRUE(Near(Corner(image, layout().mainButtons[std::size_t(54 + level)]),
                         level == 3 ? kMainDown : kMainNormal))
            << "level button " << level;
    }
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[41]), kMainDown));
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[42]), kMainNormal));
}

TEST_F(MainWindowPaintTest, OutOfRangeValuesFromTheFilePaintWithoutCrash) {
    WindowSetup setup;
    setup.currentProfile = 1;
    setup.languageFlag = 1;
    setup.profile["DPI_SET0"] = "200";
    setup.profile["DPI_SET_EN0"] = "1";
    setup.profile["DPI_LEVEL"] = "7";
    setup.profile["K0"] = "99";
    setup.profile["K1"] = "-3";
    setup.profile["K2"] = "53";
    setup.profile["LED_STATUS"] = "9";
    setup.profile["DPI_SPEED"] = "40";
    setup.profile["WHEEL_SPEED"] = "250";
    setup.profile["FIRE_TIME"] = "5000";
    ASSERT_TRUE(Start(setup));
    // The upload sends what it sends; the window shows the values as read.
    profile_.DPI_LEVEL = 7;
    profile_.DPI_SET[0] = 200;
    profile_.K[0] = 99;
    profile_.FIRE_TIME = 5000;
    profile_.LED_STATUS = 9;

    QImage image = Grab();
    // The bar of level 0 is full; the next level's first segment keeps its own colour.
    for (int segment = 0; segment < 12; ++segment) {
        EXPECT_TRUE(Near(image.pixelColor(Centre(layout().mainButtons[std::size_t(66 + segment)])),
                         QColor(0, 0, 255), 4));
    }
    EXPECT_TRUE(Near(image.pixelColor(Centre(layout().mainButtons[78])), QColor(255, 0, 255), 4));
    for (int level = 0; level < 4; ++level) {
        EXPECT_TRUE(
            Near(Corner(image, layout().mainButtons[std::size_t(54 + level)]), kMainNormal));
    }
    for (int i = buttons::kSave; i <= buttons::kLastProfile; ++i) {
        EXPECT_TRUE(Near(Corner(image, layout().mainButtons[std::size_t(i)]),
                         i == buttons::kFirstProfile ? kMainDown : kMainNormal))
            << i;
    }
    // Function codes without a name draw no label.
    for (const int field : {25, 26, 27}) {
        EXPECT_EQ(CountPixels(image, RectOf(layout().mainButtons[std::size_t(field)]),
                              QColor(255, 255, 255), 60),
                  0)
            << field;
    }

    Click(MainButton(buttons::kAdvancedPageButton));
    image = Grab();
    const auto& slider = layout().advancedButtons[buttons::kFireSlider];
    EXPECT_TRUE(Near(image.pixelColor(slider.x + slider.width - 1, slider.y), kAdvancedDown));
    EXPECT_TRUE(Near(image.pixelColor(slider.x + slider.width, slider.y), kAdvancedNormal));
    for (int i = buttons::kFirstPointerSpeed; i <= buttons::kLastWheelSpeed; ++i) {
        EXPECT_TRUE(Near(Corner(image, layout().advancedButtons[std::size_t(i)]), kAdvancedNormal))
            << i;
    }
    EXPECT_EQ(layout().advancedButtons[buttons::kFireReadout].caption, "5000ms");

    Click(MainButton(buttons::kColorPageButton));
    image = Grab();
    for (int i = 0; i <= 3; ++i) {
        EXPECT_TRUE(Near(Corner(image, layout().colorButtons[std::size_t(i)]), kColorPink)) << i;
    }
}

TEST_F(MainWindowPaintTest, OnlyChangesOfAHotIndexRepaint) {
    ASSERT_TRUE(Start());
    ResetPaints();
    const auto& apply = layout().mainButtons[buttons::kApply];
    HoverAt({apply.x + 2, apply.y + 2});
    EXPECT_EQ(paints(), 1);
    HoverAt({apply.x + 5, apply.y + 6});  // same button
    EXPECT_EQ(paints(), 1);
    HoverAt({kSkinWidth - 2, kSkinHeight - 2});  // off every button
    EXPECT_EQ(paints(), 2);
    HoverAt({kSkinWidth - 3, kSkinHeight - 3});
    EXPECT_EQ(paints(), 2);
    // Main button 22 shares its place with colour button 2 and advanced button 2: three
    // indices change, three immediate repaints.
    HoverAt(MainButton(22));
    EXPECT_EQ(state().hot, (app::HotIndices{22, 2, 2}));
    EXPECT_EQ(paints(), 5);
    EXPECT_EQ(state().remembered, state().hot);
}

// Every entry of the shown page's rows writes its caption when the layout gives it one: the
// first DPI select mark, the step bars, the unused entries and the last entry of the list.
TEST_F(MainWindowPaintTest, EveryNonEmptyCaptionOfTheMainListIsDrawn) {
    const int entries[] = {buttons::kFirstDpiSelect, 66, 114, 123};
    WindowSetup setup;
    for (const int index : entries) {
        const QRect r = GridRect(index);
        setup.layoutOverrides["main/BUTTONPOS/" + std::to_string(index)] =
            "entry," + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
            std::to_string(r.width()) + "," + std::to_string(r.height()) + ",WW,";
    }
    ASSERT_TRUE(Start(setup));
    HoverAt({kSkinWidth - 2, kSkinHeight - 2});
    const QImage image = Grab();
    for (const int index : entries) {
        EXPECT_GT(CountPixels(image, GridRect(index), Qt::white, 60), 3) << "entry " << index;
    }
}

TEST_F(MainWindowPaintTest, AdvancedPageShowsSpeedsSwitchesSliderAndLiveCaptions) {
    WindowSetup setup;
    setup.languageFlag = 0;
    setup.profile["DPI_SPEED"] = "3";
    setup.profile["WHEEL_SPEED"] = "9";
    setup.profile["MACRO_MODE2"] = "1";
    setup.profile["FIRE_TIME"] = "150";
    ASSERT_TRUE(Start(setup));
    Click(MainButton(buttons::kAdvancedPageButton));
    ASSERT_EQ(state().currentPage, app::kAdvancedPage);
    HoverAt({kSkinWidth - 2, kSkinHeight - 2});
    const QImage image = Grab();
    const auto& adv = layout().advancedButtons;
    EXPECT_TRUE(Near(Corner(image, adv[11]), kAdvancedDown));
    EXPECT_TRUE(Near(Corner(image, adv[10]), kAdvancedNormal));
    EXPECT_TRUE(Near(Corner(image, adv[27]), kAdvancedDown));
    EXPECT_TRUE(Near(Corner(image, adv[buttons::kMacroModeSwitch]), kAdvancedDown));
    EXPECT_TRUE(Near(Corner(image, adv[buttons::kRepeatSwitch]), kAdvancedNormal));
    EXPECT_TRUE(Near(Corner(image, adv[buttons::kRecord]), kAdvancedNormal));
    // 150 of 300 on a 30-pixel slider: the left 15 pixels.
    const auto& slider = adv[buttons::kFireSlider];
    EXPECT_TRUE(Near(image.pixelColor(slider.x + 14, slider.y), kAdvancedDown));
    EXPECT_TRUE(Near(image.pixelColor(slider.x + 15, slider.y), kAdvancedNormal));
    // The frame: advanced page button pressed, main page button normal.
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[10]), kAdvancedDown));
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[9]), kAdvancedNormal));
    EXPECT_EQ(adv[buttons::kRecord].caption, "Grabaci\xC3\xB3n");
    EXPECT_EQ(adv[buttons::kFireReadout].caption, "150ms");
    EXPECT_EQ(adv[buttons::kPressCount].caption, "[\xE2\x86\x93]0");
    EXPECT_EQ(adv[buttons::kReleaseCount].caption, "[\xE2\x86\x91]0");

    // Pressing on the slider shows no press picture on it.
    HoverAt(AdvancedButton(buttons::kFireSlider));
    Press(AdvancedButton(buttons::kFireSlider));
    const QImage pressed = Grab();
    EXPECT_TRUE(Near(pressed.pixelColor(slider.x + slider.width - 1, slider.y + slider.height - 1),
                     kAdvancedOver));
    Release(AdvancedButton(buttons::kFireSlider));
}

struct LedCase {
    const char* ledStatus;
    const char* dpiLevel;
    QColor preview;
};

class ColourPagePaintTest : public WindowTest, public ::testing::WithParamInterface<LedCase> {};

TEST_P(ColourPagePaintTest, ShowsLedModeAndPreview) {
    const LedCase& c = GetParam();
    WindowSetup setup;
    setup.profile["LED_STATUS"] = c.ledStatus;
    setup.profile["DPI_LEVEL"] = c.dpiLevel;
    ASSERT_TRUE(Start(setup));
    Click(MainButton(buttons::kColorPageButton));
    ASSERT_EQ(state().currentPage, app::kColorPage);
    EXPECT_TRUE(window().IsLedPreviewRunning());
    HoverAt({kSkinWidth - 2, kSkinHeight - 2});
    const QImage image = Grab();
    EXPECT_TRUE(Near(Corner(image, layout().colorButtons[buttons::kLedPreview]), c.preview));
    const int led = std::stoi(c.ledStatus);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_TRUE(Near(Corner(image, layout().colorButtons[std::size_t(i)]),
                         i == led ? kColorPurple : kColorPink))
            << i;
    }
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[buttons::kColorPageButton]), kColorPurple));
}

// LED mode 2 is steady in the current level's colour; 3 is dark.
INSTANTIATE_TEST_SUITE_P(
    LedModes, ColourPagePaintTest,
    ::testing::Values(LedCase{"2", "0", kColorBlue}, LedCase{"2", "1", kColorPink},
                      LedCase{"2", "2", kColorRed}, LedCase{"2", "3", kColorPurple},
                      LedCase{"3", "1", kColorGray}),
    [](const ::testing::TestParamInfo<LedCase>& info) {
        return std::string("Led") + info.param.ledStatus + "Level" + info.param.dpiLevel;
    });

}  // namespace
}  // namespace zel::test
