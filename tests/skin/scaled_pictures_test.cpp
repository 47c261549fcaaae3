// Pictures for scaled screens: the 2x variants, copies between layers in layout pixels, and
// the transparent outside of a shaped window.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>

#include "platform/message_sink.h"
#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/skin_image_store.h"
#include "skin/qt/window_outline.h"
#include "skin/skin_files.h"
#include "skin_test_support.h"
#include "solid_image.h"

namespace zel::skin {
namespace {

using testing::Solid;
using testing::TempDir;

// The sum of the brightness steps between horizontal neighbours: larger for sharper pictures.
long long EdgeEnergy(const QImage& picture) {
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    long long energy = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 1; x < pixels.width(); ++x) {
            energy += std::abs(qGray(pixels.pixel(x, y)) - qGray(pixels.pixel(x - 1, y)));
        }
    }
    return energy;
}

class ScaledPictures : public ::testing::Test {
protected:
    void Save(const std::string& name, const QImage& image) {
        ASSERT_TRUE(image.save(QString::fromStdString((dir_.path() / name).string()), "png"));
    }

    TempDir dir_;
    platform::RecordingMessageSink messages_;
    SkinImageStore store_{dir_.path(), messages_};
};

TEST(ScaledPictureNames, FollowQtsNaming) {
    EXPECT_EQ(ScaledPictureName("main_normal.jpg", 1), "main_normal.jpg");
    EXPECT_EQ(ScaledPictureName("main_normal.jpg", 2), "main_normal@2x.jpg");
    EXPECT_EQ(ScaledPictureName("advanced menu_mask.jpg", 2), "advanced menu_mask@2x.jpg");
    EXPECT_EQ(ScaledPictureName("noextension", 2), "noextension@2x");
}

TEST(ScaledPictureNames, AnyRatioAboveOneTakesTheDoublePicture) {
    const struct {
        qreal ratio;
        int scale;
    } cases[] = {{1.0, 1}, {0.75, 1}, {1.25, 2}, {1.5, 2}, {2.0, 2}, {3.0, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(PictureScaleFor(c.ratio), c.scale) << c.ratio;
    }
}

TEST_F(ScaledPictures, TheDoublePictureIsUsedAtScaleTwo) {
    Save("main_normal.jpg", Solid(QSize(40, 20), Qt::red));
    Save("main_normal@2x.jpg", Solid(QSize(80, 40), Qt::blue));
    const QImage layer = store_.Layer("main_normal.jpg", QSize(40, 20), 2);
    EXPECT_EQ(layer.size(), QSize(80, 40));
    EXPECT_EQ(layer.devicePixelRatio(), 2.0);
    EXPECT_EQ(layer.deviceIndependentSize().toSize(), QSize(40, 20));
    EXPECT_EQ(QColor(layer.pixel(70, 30)), QColor(Qt::blue));
    EXPECT_EQ(QColor(store_.Layer("main_normal.jpg", QSize(40, 20)).pixel(5, 5)), QColor(Qt::red));
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(ScaledPictures, WithoutADoublePictureTheSingleOneIsEnlargedQuietly) {
    Save("main_normal.jpg", Solid(QSize(40, 20), Qt::red));
    Save("main_over@2x.jpg", Solid(QSize(50, 50), Qt::blue));  // not twice the size: ignored
    Save("main_over.jpg", Solid(QSize(40, 20), Qt::green));
    for (const char* name : {"main_normal.jpg", "main_over.jpg"}) {
        const QImage layer = store_.Layer(name, QSize(40, 20), 2);
        EXPECT_EQ(layer.size(), QSize(80, 40)) << name;
        EXPECT_EQ(layer.devicePixelRatio(), 2.0) << name;
        EXPECT_NE(QColor(layer.pixel(60, 30)), QColor(Qt::blue)) << name;
    }
    EXPECT_TRUE(messages_.messages.empty()) << messages_.messages.front();
    // A missing picture is still reported once, and paints dark at either scale.
    const QImage missing = store_.Layer("main_down.jpg", QSize(40, 20), 2);
    EXPECT_EQ(missing.size(), QSize(80, 40));
    EXPECT_EQ(missing.pixel(79, 39), kMissingLayerColor);
    EXPECT_EQ(messages_.messages.size(), 1u);
}

TEST(ShippedScaledPictures, EveryPictureIsDrawnAtTwiceItsSizeAsWell) {
    const std::filesystem::path skins = std::filesystem::path(ZEL_RUNTIME_DIR) / "skins";
    for (const std::string_view name : pictures::kAll) {
        const QImage single(QString::fromStdString((skins / std::string(name)).string()));
        const QImage twice(QString::fromStdString((skins / ScaledPictureName(name, 2)).string()));
        ASSERT_FALSE(single.isNull()) << name;
        ASSERT_FALSE(twice.isNull()) << name;
        EXPECT_EQ(twice.size(), single.size() * 2) << name;
        // Drawn, not enlarged: the 2x picture's edges are steeper than those of the 1x picture
        // scaled up (the lists' rows are plain bands on whole pixels, the same either way).
        if (name.find("mask") == std::string_view::npos &&
            name.find("menu") == std::string_view::npos) {
            const QImage enlarged =
                single.scaled(single.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_GT(EdgeEnergy(twice), EdgeEnergy(enlarged) * 11 / 10) << name;
        }
    }
}

TEST(ScaledCopies, ARectangleInLayoutPixelsCopiesTwiceAsManyPixels) {
    QImage back = Solid(QSize(80, 40), Qt::black);
    back.setDevicePixelRatio(2);
    QImage source = Solid(QSize(80, 40), Qt::white);
    source.setDevicePixelRatio(2);
    CopyLayerRect(back, source, QRect(10, 5, 10, 5));
    EXPECT_EQ(QColor(back.pixel(20, 10)), QColor(Qt::white));
    EXPECT_EQ(QColor(back.pixel(39, 19)), QColor(Qt::white));
    EXPECT_EQ(QColor(back.pixel(40, 20)), QColor(Qt::black));
    EXPECT_EQ(QColor(back.pixel(19, 10)), QColor(Qt::black));
    // A 1x source into a 2x back buffer lands on the same layout rectangle.
    QImage single = Solid(QSize(40, 20), Qt::red);
    CopyLayerRect(back, single, QRect(0, 0, 5, 5));
    EXPECT_EQ(QColor(back.pixel(9, 9)), QColor(Qt::red));
    EXPECT_EQ(QColor(back.pixel(10, 10)), QColor(Qt::black));
}

TEST(WindowOutline, OutsideTheOutlineIsTransparentInsideThePicture) {
    // A mask with its top-left corner cut away, as the shipped masks' bevels.
    QImage mask = Solid(QSize(40, 30), Qt::black);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10 - y; ++x) {
            mask.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    const QRegion outline = BuildMaskRegion(mask);
    for (const int scale : {1, 2}) {
        QImage picture = Solid(QSize(40, 30) * scale, QColor(0, 120, 153));
        picture.setDevicePixelRatio(scale);
        QImage window(QSize(40, 30) * scale, QImage::Format_ARGB32_Premultiplied);
        window.setDevicePixelRatio(scale);
        window.fill(Qt::red);  // whatever the surface held before
        {
            QPainter painter(&window);
            PaintInsideOutline(painter, QRect(0, 0, 40, 30), outline, picture);
        }
        EXPECT_EQ(qAlpha(window.pixel(1 * scale, 1 * scale)), 0) << scale;
        EXPECT_EQ(qAlpha(window.pixel(8 * scale, 0)), 0) << scale;
        EXPECT_EQ(QColor(window.pixel(10 * scale, 0)), QColor(0, 120, 153)) << scale;
        EXPECT_EQ(QColor(window.pixel(39 * scale, 29 * scale)), QColor(0, 120, 153)) << scale;
    }
}

}  // namespace
}  // namespace zel::skin
