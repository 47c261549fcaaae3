#include "skin/qt/mask_region.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <random>

namespace zel::skin {
namespace {

QImage Filled(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The rule, one pixel at a time, exactly as the outline is defined: start from the whole
// rectangle and remove every light pixel by exclusive-or.
QRegion PixelByPixel(const QImage& mask) {
    QRegion region(mask.rect());
    for (int x = 0; x < mask.width(); ++x) {
        for (int y = 0; y < mask.height(); ++y) {
            if (IsCutAwayPixel(mask.pixel(x, y))) {
                region = region.xored(QRegion(x, y, 1, 1));
            }
        }
    }
    return region;
}

QImage ThroughJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpg", quality);
    QImage decoded;
    decoded.loadFromData(bytes, "jpg");
    return decoded;
}

// A dark shape on white with speckles of grey around the 100 threshold, saved as a poor JPEG
// so the edges carry real compression noise.
QImage NoisyJpegMask(QSize size, unsigned seed) {
    QImage mask = Filled(size, Qt::white);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(
        QRectF(size.width() * 0.1, size.height() * 0.1, size.width() * 0.6, size.height() * 0.7));
    painter.drawRect(
        QRectF(size.width() * 0.5, size.height() * 0.4, size.width() * 0.45, size.height() * 0.5));
    painter.end();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> coordinate(0, size.width() * size.height() - 1);
    std::uniform_int_distribution<int> grey(90, 110);
    for (int i = 0; i < size.width() * size.height() / 6; ++i) {
        const int at = coordinate(random);
        const int level = grey(random);
        mask.setPixel(at % size.width(), at / size.width(), qRgb(level, level, level));
    }
    return ThroughJpeg(mask, 35);
}

TEST(BuildMaskRegion, BlackMaskIsTheWholeRectangleAndWhiteMaskIsEmpty) {
    EXPECT_EQ(BuildMaskRegion(Filled(QSize(40, 30), Qt::black)), QRegion(0, 0, 40, 30));
    EXPECT_TRUE(BuildMaskRegion(Filled(QSize(40, 30), Qt::white)).isEmpty());
    EXPECT_TRUE(BuildMaskRegion(QImage()).isEmpty());
}

TEST(BuildMaskRegion, ThresholdIsStrictlyAboveOneHundredOnEveryChannel) {
    struct Case {
        QRgb pixel;
        bool kept;
    };
    const Case cases[] = {
        {qRgb(100, 100, 100), true}, {qRgb(101, 101, 101), false}, {qRgb(100, 255, 255), true},
        {qRgb(255, 100, 255), true}, {qRgb(255, 255, 100), true},  {qRgb(101, 255, 180), false},
        {qRgb(0, 0, 0), true},       {qRgb(255, 255, 255), false},
    };
    for (const Case& c : cases) {
        QImage mask = Filled(QSize(3, 3), Qt::black);
        mask.setPixel(1, 1, c.pixel);
        const QRegion region = BuildMaskRegion(mask);
        EXPECT_EQ(region.contains(QPoint(1, 1)), c.kept)
            << qRed(c.pixel) << "," << qGreen(c.pixel) << "," << qBlue(c.pixel);
        EXPECT_TRUE(region.contains(QPoint(0, 0)));
        EXPECT_EQ(region.rectCount() > 1, !c.kept);
    }
}

TEST(BuildMaskRegion, GreyscaleMaskFollowsTheSameRule) {
    QImage grey(4, 1, QImage::Format_Grayscale8);
    const uchar levels[4] = {100, 101, 0, 255};
    for (int x = 0; x < 4; ++x) {
        grey.scanLine(0)[x] = levels[x];
    }
    const QRegion region = BuildMaskRegion(grey);
    EXPECT_TRUE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(1, 0)));
    EXPECT_TRUE(region.contains(QPoint(2, 0)));
    EXPECT_FALSE(region.contains(QPoint(3, 0)));
}

TEST(BuildMaskRegion, RunsGiveTheSamePixelsAsTheRuleOnANoisyJpegMask) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const QImage mask = NoisyJpegMask(QSize(72, 54), seed);
        ASSERT_FALSE(mask.isNull());
        const QRegion expected = PixelByPixel(mask);
        const QRegion built = BuildMaskRegion(mask);
        EXPECT_TRUE(built.xored(expected).isEmpty()) << "seed " << seed;
        EXPECT_GT(built.rectCount(), 10);  // the noise really is there
    }
}

TEST(BuildMaskRegion, EveryPixelOfALargeNoisyMaskIsJudgedByTheRule) {
    const QImage mask = NoisyJpegMask(QSize(420, 300), 7);
    const QRegion built = BuildMaskRegion(mask);
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            ASSERT_EQ(built.contains(QPoint(x, y)), !IsCutAwayPixel(mask.pixel(x, y)))
                << "(" << x << ", " << y << ")";
        }
    }
}

TEST(BuildMainWindowShape, RepaintRegionLeavesOutTheEditAndListControlsButNotTheRepeatCount) {
    QImage mask = Filled(QSize(200, 100), Qt::black);
    QPainter(&mask).fillRect(QRect(190, 0, 10, 10), Qt::white);  // a cut corner
    SkinLayout layout;
    layout.editRect3.rect = MakeRect(10, 10, 20, 10);
    layout.editRect4.rect = MakeRect(40, 10, 20, 10);
    layout.macroDisplayRect1.rect = MakeRect(70, 10, 30, 40);
    layout.macroDisplayRect2.rect = MakeRect(110, 10, 30, 40);
    const MainWindowShape shape = BuildMainWindowShape(mask, layout, QSize(1, 1));
    EXPECT_EQ(shape.size, QSize(200, 100));
    EXPECT_FALSE(shape.outline.contains(QPoint(195, 5)));
    EXPECT_TRUE(shape.outline.contains(QPoint(45, 15)));
    EXPECT_TRUE(shape.repaintRegion.contains(QPoint(15, 15)));    // editRect3 stays
    EXPECT_FALSE(shape.repaintRegion.contains(QPoint(45, 15)));   // editRect4
    EXPECT_FALSE(shape.repaintRegion.contains(QPoint(75, 45)));   // macroDisplayRect1
    EXPECT_FALSE(shape.repaintRegion.contains(QPoint(139, 49)));  // macroDisplayRect2
    EXPECT_TRUE(shape.repaintRegion.contains(QPoint(140, 49)));
    EXPECT_EQ(shape.repaintRegion.xored(shape.outline),
              QRegion(40, 10, 20, 10) + QRegion(70, 10, 30, 40) + QRegion(110, 10, 30, 40));
}

TEST(BuildMainWindowShape, ControlOutsideTheOutlineIsAddedByExclusiveOr) {
    QImage mask = Filled(QSize(50, 50), Qt::black);
    QPainter(&mask).fillRect(QRect(30, 30, 20, 20), Qt::white);
    SkinLayout layout;
    layout.editRect4.rect = MakeRect(35, 35, 5, 5);  // over a cut-away area
    const MainWindowShape shape = BuildMainWindowShape(mask, layout, {});
    EXPECT_FALSE(shape.outline.contains(QPoint(36, 36)));
    EXPECT_TRUE(shape.repaintRegion.contains(QPoint(36, 36)));
}

TEST(BuildMainWindowShape, WithoutAMaskTheWindowIsThePlainFallbackRectangle) {
    const MainWindowShape shape = BuildMainWindowShape(QImage(), SkinLayout{}, QSize(300, 200));
    EXPECT_EQ(shape.size, QSize(300, 200));
    EXPECT_EQ(shape.outline, QRegion(0, 0, 300, 200));
    EXPECT_EQ(shape.repaintRegion, shape.outline);
}

}  // namespace
}  // namespace zel::skin
