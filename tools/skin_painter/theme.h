#pragma once

// The look of the skin: colours and the drawing primitives every surface shares. Dark
// gunmetal surfaces, teal accents that match the owner-drawn menus (fill 0,120,153 and the
// blue-to-cyan selection gradient), bevel-cut corners.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace zel::skin::painter {

namespace palette {
inline const QColor kVoid{6, 9, 12};
inline const QColor kBase{11, 16, 21};
inline const QColor kBaseDeep{7, 10, 14};
inline const QColor kSidebar{13, 19, 25};
inline const QColor kPanel{16, 23, 30};
inline const QColor kPanelEdge{32, 46, 57};
inline const QColor kControl{20, 29, 37};
inline const QColor kControlDeep{12, 18, 23};
inline const QColor kControlEdge{44, 62, 76};
inline const QColor kMuted{120, 142, 156};
inline const QColor kInk{214, 232, 238};
inline const QColor kTeal{0, 120, 153};  // the menus' item fill
inline const QColor kTealDeep{0, 70, 92};
inline const QColor kCyan{0, 220, 245};
inline const QColor kGlow{0, 255, 255};
inline const QColor kBlue{0, 0, 255};
inline const QColor kDanger{214, 40, 64};
inline const QColor kAmber{255, 176, 32};
// The four DPI levels' colours, which the program also uses for the DPI bars and the LED
// preview: blue, magenta (the pink LED), red, violet (the purple LED).
inline const QColor kLevel[4] = {{0, 0, 255}, {255, 0, 255}, {255, 0, 0}, {128, 0, 255}};
}  // namespace palette

QColor WithAlpha(QColor color, int alpha);

// An empty picture of `logicalSize` layout pixels drawn at `scale` device pixels per layout
// pixel: a painter on it draws in layout pixels, so every surface is drawn by the same code at
// 1x and 2x.
QImage NewPicture(QSize logicalSize, int scale, QImage::Format format = QImage::Format_RGB32);

// A rectangle with its top-left and bottom-right corners cut by `cut` pixels.
QPainterPath BevelPath(const QRectF& rect, qreal cut);
// All four corners cut.
QPainterPath OctagonPath(const QRectF& rect, qreal cut);

// A font from the first family present; pixel sizes keep pictures independent of the screen.
QFont DisplayFont(int pixelSize, int weight = QFont::Bold);
QFont BrandFont(int pixelSize);

// A soft glow: the shape filled in `color`, blurred by `radius` pixels, drawn additively.
void DrawGlow(QPainter& painter, const QPainterPath& shape, const QColor& color, int radius);

// Blur of an image by down- and up-scaling (cheap, good enough for light effects).
QImage Blurred(const QImage& image, int radius);

void DrawCenteredText(QPainter& painter, const QRectF& rect, const QString& text,
                      const QColor& color, const QFont& font);

}  // namespace zel::skin::painter
