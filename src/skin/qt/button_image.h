#pragma once

// Putting a button's state picture on the back buffer.

#include <QImage>
#include <QRect>

#include "skin/skin_layout.h"

namespace zel::skin {

QRect ToQRect(const LayoutRect& rect);
QRect ToQRect(const SkinButton& button);

// Copies the button's rectangle from `source` to the same place of `backBuffer`, one to one.
// The parts of the rectangle outside either picture are left alone. Rectangles are in layout
// pixels; pictures drawn at 2x (device pixel ratio 2) copy twice as many pixels.
void CopyButtonImage(QImage& backBuffer, const QImage& source, const SkinButton& button);
// The same for any rectangle (a part of a button, such as the filled part of a slider).
void CopyLayerRect(QImage& backBuffer, const QImage& source, const QRect& rect);

}  // namespace zel::skin
