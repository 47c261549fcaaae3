#include "skin/qt/mask_region.h"

#include <QRect>
#include <utility>
#include <vector>

#include "skin/qt/button_image.h"

namespace zel::skin {

namespace {

struct Run {
    int begin;
    int end;  // exclusive
    bool operator==(const Run&) const = default;
};

void KeptRuns(const QImage& mask, int y, std::vector<Run>& runs) {
    runs.clear();
    const auto* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    const int width = mask.width();
    int x = 0;
    while (x < width) {
        while (x < width && IsCutAwayPixel(row[x])) {
            ++x;
        }
        const int begin = x;
        while (x < width && !IsCutAwayPixel(row[x])) {
            ++x;
        }
        if (x > begin) {
            runs.push_back({begin, x});
        }
    }
}

void EmitBand(const std::vector<Run>& runs, int top, int bottom, std::vector<QRect>& rects) {
    for (const Run& run : runs) {
        rects.emplace_back(run.begin, top, run.end - run.begin, bottom - top);
    }
}

}  // namespace

QRegion BuildMaskRegion(const QImage& mask) {
    if (mask.isNull()) {
        return {};
    }
    const QImage pixels =
        (mask.format() == QImage::Format_RGB32 || mask.format() == QImage::Format_ARGB32)
            ? mask
            : mask.convertToFormat(QImage::Format_RGB32);
    // Bands of equal runs, top to bottom, each band's rectangles left to right and never
    // touching: the banded form QRegion keeps internally, so it can take them as they are.
    std::vector<QRect> rects;
    std::vector<Run> bandRuns;
    std::vector<Run> rowRuns;
    int bandTop = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        KeptRuns(pixels, y, rowRuns);
        if (y > 0 && rowRuns == bandRuns) {
            continue;
        }
        EmitBand(bandRuns, bandTop, y, rects);
        std::swap(bandRuns, rowRuns);
        bandTop = y;
    }
    EmitBand(bandRuns, bandTop, pixels.height(), rects);

    QRegion region;
    if (!rects.empty()) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    }
    return region;
}

MainWindowShape BuildMainWindowShape(const QImage& mask, const SkinLayout& layout,
                                     QSize fallbackSize) {
    MainWindowShape shape;
    if (mask.isNull()) {
        shape.size = fallbackSize;
        shape.outline = QRegion(QRect(QPoint(0, 0), fallbackSize));
    } else {
        shape.size = mask.size();
        shape.outline = BuildMaskRegion(mask);
    }
    shape.repaintRegion = shape.outline;
    for (const ControlRect* control :
         {&layout.editRect4, &layout.macroDisplayRect2, &layout.macroDisplayRect1}) {
        shape.repaintRegion = shape.repaintRegion.xored(QRegion(ToQRect(control->rect)));
    }
    return shape;
}

}  // namespace zel::skin
