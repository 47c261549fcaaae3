#pragma once

// How each kind of skin button looks in its three states. The normal look is part of the
// resting picture; the over and down looks are drawn on top of it, clipped to the button's
// rectangle, so the three pictures of a surface differ only inside button rectangles.

#include <QPainter>
#include <QRectF>

#include "app/pages/page_controls.h"

namespace zel::skin::painter {

enum class ButtonState { kNormal, kOver, kDown };

// The look of a control is part of its row in the pages' tables (app/pages/page_controls.h).
using app::Look;

struct ButtonArt {
    Look look = Look::None;
    // The member of a group (a DPI level's mark, a speed step, an LED mode).
    int variant = 0;
};

// Draws one state of a look into rect (pixel rectangle of the button).
void DrawLook(QPainter& painter, const QRectF& rect, ButtonArt art, ButtonState state);

}  // namespace zel::skin::painter
