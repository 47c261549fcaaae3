#pragma once

// Window outlines from mask pictures: light pixels (red, green and blue all above 100) are cut
// away, every other pixel belongs to the window.

#include <QImage>
#include <QRegion>
#include <QRgb>
#include <QSize>

#include "skin/skin_layout.h"

namespace zel::skin {

inline constexpr int kMaskCutThreshold = 100;

inline bool IsCutAwayPixel(QRgb pixel) {
    return qRed(pixel) > kMaskCutThreshold && qGreen(pixel) > kMaskCutThreshold &&
           qBlue(pixel) > kMaskCutThreshold;
}

// The outline of a surface: the mask's rectangle without its light pixels, built from runs of
// kept pixels per row (rows with the same runs share one band). A null mask gives an empty
// region.
QRegion BuildMaskRegion(const QImage& mask);

struct MainWindowShape {
    QSize size;             // skinWidth x skinHeight
    QRegion outline;        // handed to the window
    QRegion repaintRegion;  // the outline without the advanced page's edit and list controls
};

// The main window's outline and repaint region. repaintRegion is the outline combined by
// exclusive-or with editRect4, macroDisplayRect2 and macroDisplayRect1 (editRect3 stays in).
// Without a mask picture the window is the plain rectangle of fallbackSize.
MainWindowShape BuildMainWindowShape(const QImage& mask, const SkinLayout& layout,
                                     QSize fallbackSize);

}  // namespace zel::skin
