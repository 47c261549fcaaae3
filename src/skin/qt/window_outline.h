#pragma once

// Shaped top-level windows. A shaped window is translucent, paints transparent pixels outside
// its outline, and hands the outline to the window system as its mask. The window system then
// does what it can: where it composites (Wayland, X11 with a compositor) the desktop shows
// through the cut-away parts with per-pixel alpha and the outline is the input region, so a
// click there reaches the window below; on X11 without a compositor the same outline is the
// window's shape (the X shape extension), as it always was.

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>

namespace zel::skin {

// Before the window is first shown: a surface with an alpha channel.
void PrepareShapedWindow(QWidget& window);

// The window's outline in its own (layout) pixels; an empty outline leaves the window whole.
void ApplyOutline(QWidget& window, const QRegion& outline);

// Paints `picture` (layout-sized, at any device pixel ratio) at the window's top left inside
// `outline`, and clears everything of `windowRect` outside it to transparent.
void PaintInsideOutline(QPainter& painter, const QRect& windowRect, const QRegion& outline,
                        const QImage& picture);

}  // namespace zel::skin
