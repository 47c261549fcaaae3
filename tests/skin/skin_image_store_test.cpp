#include "skin/qt/skin_image_store.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <filesystem>

#include "platform/message_sink.h"
#include "skin/qt/button_image.h"
#include "skin_test_support.h"
#include "solid_image.h"

namespace zel::skin {
namespace {

using testing::Solid;
using testing::TempDir;

class ImageStoreFixture : public ::testing::Test {
protected:
    void Save(const char* name, const QImage& image) {
        const std::filesystem::path path = dir_.path() / name;
        ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "jpg", 95));
    }
    // Moves the file's time forward so a rewrite within the same clock tick is still seen.
    void Touch(const char* name, int seconds) {
        const std::filesystem::path path = dir_.path() / name;
        std::filesystem::last_write_time(
            path, std::filesystem::last_write_time(path) + std::chrono::seconds(seconds));
    }

    TempDir dir_;
    platform::RecordingMessageSink messages_;
    SkinImageStore store_{dir_.path(), messages_};
};

TEST_F(ImageStoreFixture, DecodesAJpegAtItsOwnSize) {
    Save("main_normal.jpg", Solid(QSize(64, 32), QColor(0, 120, 153)));
    const QImage image = store_.LoadSkinImage("main_normal.jpg");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(64, 32));
    EXPECT_NEAR(qGreen(image.pixel(10, 10)), 120, 4);
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(ImageStoreFixture, FileNamesWithSpacesAreFound) {
    Save("advanced menu_mask.jpg", Solid(QSize(8, 8), Qt::black));
    EXPECT_FALSE(store_.LoadSkinImage("advanced menu_mask.jpg").isNull());
}

TEST_F(ImageStoreFixture, MissingPictureIsReportedOnceAndPaintsAsADarkLayer) {
    EXPECT_TRUE(store_.LoadSkinImage("main_over.jpg").isNull());
    const QImage layer = store_.Layer("main_over.jpg", QSize(30, 20));
    EXPECT_TRUE(store_.Layer("main_over.jpg", QSize(30, 20)).size() == QSize(30, 20));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("main_over.jpg"), std::string::npos);
    ASSERT_EQ(layer.size(), QSize(30, 20));
    EXPECT_EQ(layer.pixel(0, 0), kMissingLayerColor);
    EXPECT_EQ(layer.pixel(29, 19), kMissingLayerColor);
}

TEST_F(ImageStoreFixture, UnreadablePictureIsReportedOnceNeverACrash) {
    dir_.Write("main_down.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    dir_.Write("main_mask.jpg", "");
    EXPECT_TRUE(store_.LoadSkinImage("main_down.jpg").isNull());
    EXPECT_TRUE(store_.LoadSkinImage("main_down.jpg").isNull());
    EXPECT_TRUE(store_.LoadSkinImage("main_mask.jpg").isNull());
    EXPECT_EQ(messages_.messages.size(), 2u);
    EXPECT_EQ(store_.Layer("main_down.jpg", QSize(5, 5)).pixel(2, 2), kMissingLayerColor);
}

TEST_F(ImageStoreFixture, AChangedFileIsDecodedAgainAnUnchangedOneIsNot) {
    Save("main_normal.jpg", Solid(QSize(16, 16), Qt::black));
    const QImage first = store_.LoadSkinImage("main_normal.jpg");
    const QImage again = store_.LoadSkinImage("main_normal.jpg");
    EXPECT_EQ(first.cacheKey(), again.cacheKey());  // the same decoded picture, shared

    Save("main_normal.jpg", Solid(QSize(16, 16), Qt::white));  // same size, new content
    Touch("main_normal.jpg", 2);
    const QImage changed = store_.LoadSkinImage("main_normal.jpg");
    EXPECT_GT(qRed(changed.pixel(8, 8)), 200);

    Save("main_normal.jpg", Solid(QSize(20, 10), Qt::black));  // new size
    EXPECT_EQ(store_.LoadSkinImage("main_normal.jpg").size(), QSize(20, 10));

    // A file that disappears is missed at once, and one that comes back is used again.
    std::filesystem::remove(dir_.path() / "main_normal.jpg");
    EXPECT_TRUE(store_.LoadSkinImage("main_normal.jpg").isNull());
    Save("main_normal.jpg", Solid(QSize(4, 4), Qt::black));
    EXPECT_EQ(store_.LoadSkinImage("main_normal.jpg").size(), QSize(4, 4));
}

TEST_F(ImageStoreFixture, WithoutCachingEveryCallDecodes) {
    Save("main_normal.jpg", Solid(QSize(16, 16), Qt::black));
    store_.SetCaching(false);
    const QImage first = store_.LoadSkinImage("main_normal.jpg");
    EXPECT_NE(first.cacheKey(), store_.LoadSkinImage("main_normal.jpg").cacheKey());
}

TEST_F(ImageStoreFixture, ReleaseLetsGoOfEveryPictureAndTheNextUseDecodesAgain) {
    Save("main_normal.jpg", Solid(QSize(16, 16), Qt::black));
    Save("main_over.jpg", Solid(QSize(8, 8), Qt::white));
    const qint64 first = store_.LoadSkinImage("main_normal.jpg").cacheKey();
    store_.LoadSkinImage("main_over.jpg");
    EXPECT_EQ(store_.KeptBytes(), std::size_t{16 * 16 * 4 + 8 * 8 * 4});

    store_.Release();
    EXPECT_EQ(store_.KeptBytes(), 0u);
    EXPECT_FALSE(store_.IsKept("main_normal.jpg"));
    const QImage again = store_.LoadSkinImage("main_normal.jpg");
    EXPECT_NE(again.cacheKey(), first);
    EXPECT_EQ(again.size(), QSize(16, 16));
    EXPECT_TRUE(store_.IsKept("main_normal.jpg"));
}

TEST_F(ImageStoreFixture, APictureReadOnceIsNotKept) {
    Save("main_mask.jpg", Solid(QSize(16, 16), Qt::white));
    store_.LoadSkinImage("main_mask.jpg");
    EXPECT_EQ(store_.LoadSkinImageOnce("main_mask.jpg").size(), QSize(16, 16));
    EXPECT_FALSE(store_.IsKept("main_mask.jpg"));
    EXPECT_EQ(store_.KeptBytes(), 0u);
    // A missing one is reported like any other.
    EXPECT_TRUE(store_.LoadSkinImageOnce("gone.jpg").isNull());
    EXPECT_EQ(messages_.messages.size(), 1u);
}

TEST_F(ImageStoreFixture, ACopySourceKeepsTheSamePixelsInThreeQuartersOfTheMemory) {
    QImage picture(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 6, y * 12, (x + y) * 4));
        }
    }
    ASSERT_TRUE(picture.save(QString::fromStdString((dir_.path() / "main_over.png").string())));
    std::filesystem::rename(dir_.path() / "main_over.png", dir_.path() / "main_over.jpg");
    const QImage full = store_.Layer("main_over.jpg", QSize(40, 20));
    const QImage compact = store_.CopySourceLayer("main_over.jpg", QSize(40, 20));
    EXPECT_EQ(store_.KeptBytes(), static_cast<std::size_t>(compact.sizeInBytes()));
    EXPECT_LT(compact.sizeInBytes(), full.sizeInBytes());
    EXPECT_EQ(store_.CopySourceLayer("main_over.jpg", QSize(40, 20)).cacheKey(),
              compact.cacheKey());

    // A button copied from either lands the same on a back buffer.
    SkinButton button;
    button.x = 3;
    button.y = 2;
    button.width = 30;
    button.height = 15;
    QImage fromFull = MissingLayer(QSize(40, 20));
    QImage fromCompact = MissingLayer(QSize(40, 20));
    CopyButtonImage(fromFull, full, button);
    CopyButtonImage(fromCompact, compact, button);
    EXPECT_EQ(fromCompact, fromFull);
    EXPECT_EQ(fromFull.pixel(10, 10), picture.pixel(10, 10));
}

TEST_F(ImageStoreFixture, LayerOfAnotherSizeKeepsTheSurfaceSize) {
    Save("menu_normal.jpg", Solid(QSize(10, 10), Qt::white));
    const QImage layer = store_.Layer("menu_normal.jpg", QSize(20, 5));
    ASSERT_EQ(layer.size(), QSize(20, 5));
    EXPECT_GT(qRed(layer.pixel(5, 2)), 200);
    EXPECT_EQ(layer.pixel(15, 2), kMissingLayerColor);
}

TEST(CopyButtonImage, CopiesExactlyTheButtonsRectangle) {
    QImage back = Solid(QSize(40, 30), Qt::black);
    const QImage over = Solid(QSize(40, 30), Qt::white);
    CopyButtonImage(back, over, SkinButton{10, 5, 8, 4, "x", {}});
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 18 && y >= 5 && y < 9;
            ASSERT_EQ(back.pixel(x, y) == QColor(Qt::white).rgb(), inside) << x << "," << y;
        }
    }
}

TEST(CopyButtonImage, RectanglesReachingOutsideOrEmptyCopyOnlyWhatExists) {
    QImage back = Solid(QSize(20, 20), Qt::black);
    const QImage small = Solid(QSize(10, 10), Qt::white);
    CopyButtonImage(back, small, SkinButton{-5, -5, 30, 30, {}, {}});
    EXPECT_EQ(back.pixel(9, 9), QColor(Qt::white).rgb());
    EXPECT_EQ(back.pixel(10, 10), QColor(Qt::black).rgb());
    const QImage before = back;
    CopyButtonImage(back, small, SkinButton{2, 2, 0, 5, {}, {}});
    CopyButtonImage(back, small, SkinButton{2, 2, -4, 5, {}, {}});
    CopyButtonImage(back, small, SkinButton{2147483000, 2, 2000000000, 5, {}, {}});
    CopyButtonImage(back, QImage(), SkinButton{0, 0, 20, 20, {}, {}});
    EXPECT_EQ(back, before);
}

TEST(CopyButtonImage, MixedPixelFormatsStillCopyOneToOne) {
    QImage back = Solid(QSize(10, 10), Qt::black);
    QImage argb(10, 10, QImage::Format_ARGB32_Premultiplied);
    argb.fill(QColor(0, 255, 0));
    CopyLayerRect(back, argb, QRect(2, 2, 3, 3));
    EXPECT_EQ(back.pixel(3, 3), QColor(0, 255, 0).rgb());
    EXPECT_EQ(back.pixel(6, 6), QColor(Qt::black).rgb());
}

}  // namespace
}  // namespace zel::skin
