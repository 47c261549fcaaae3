// The skinned windows are transparent outside their outline: the desktop shows through where
// the window system composites, and the outline stays the mask (input region, X shape).

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "app/popups/choice_list.h"
#include "app/popups/warning_window.h"
#include "platform/message_sink.h"
#include "shell_test_qt.h"
#include "skin/layout_loader.h"
#include "skin/qt/skin_image_store.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

// What the window paints over a surface that held opaque red, the mask left aside (a
// compositor shows every pixel of the surface; the mask only decides where input goes).
QImage PaintedOverRed(QWidget& window) {
    const QRegion mask = window.mask();
    window.clearMask();
    QImage surface(window.size(), QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::red);
    window.render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    window.setMask(mask);
    return surface.convertToFormat(QImage::Format_ARGB32);
}

class ShapedWindows : public WindowTest {};

TEST_F(ShapedWindows, TheMainWindowAndTheChoiceListsAreTranslucentOutsideTheirRows) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(window().testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(window().mask(), window().outline());

    Click(MainButton(27));
    ProcessEvents();
    app::ChoiceList* list = window().OpenChoiceList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->testAttribute(Qt::WA_TranslucentBackground));
    // The list window is larger than its ten rows and the strip below them.
    const int rowsHeight = 10 * kMenuRowHeight + 1;
    ASSERT_GT(list->width(), kMenuWidth);
    ASSERT_GT(list->height(), rowsHeight);
    const QImage shown = PaintedOverRed(*list);
    EXPECT_EQ(qAlpha(shown.pixel(5, 5)), 255);
    EXPECT_EQ(qAlpha(shown.pixel(kMenuWidth - 1, rowsHeight - 1)), 255);
    EXPECT_EQ(qAlpha(shown.pixel(kMenuWidth + 2, 5)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(5, rowsHeight + 2)), 0);
}

TEST(ShapedWarningWindow, TheShippedBevelledCornersAreTransparent) {
    app::shell_testing::EnsureApplication();
    const std::filesystem::path skins = std::filesystem::path(ZEL_RUNTIME_DIR) / "skins";
    platform::RecordingMessageSink messages;
    skin::SkinLayoutLoader loader(skins, messages, [] {});
    skin::SkinLayout layout;
    loader.LoadWarningLayout(layout, 1);
    skin::SkinImageStore images(skins, messages);
    app::WarningWindow warning(images, layout.warningButtons, QFont(), 0, 0);
    EXPECT_TRUE(warning.testAttribute(Qt::WA_TranslucentBackground));
    const QImage shown = PaintedOverRed(warning);
    ASSERT_EQ(shown.size(), QSize(440, 170));
    for (const QPoint corner : {QPoint(2, 2), QPoint(437, 2), QPoint(2, 167), QPoint(437, 167)}) {
        EXPECT_EQ(qAlpha(shown.pixel(corner)), 0) << corner.x() << "," << corner.y();
        EXPECT_FALSE(warning.mask().contains(corner));
    }
    EXPECT_EQ(qAlpha(shown.pixel(20, 20)), 255);
    EXPECT_EQ(qAlpha(shown.pixel(220, 160)), 255);
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace zel::test
