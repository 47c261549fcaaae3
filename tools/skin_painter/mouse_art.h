#pragma once

// The mouse drawn from the main page's diagram rectangles: the body fills the diagram
// (main button 31), each part sits in its hover companion's rectangle (115 left button,
// 116 right, 117 wheel, 118 and 119 side buttons, 120 DPI button, 121 palm emblem).

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <array>

namespace zel::skin::painter {

struct MouseGeometry {
    QRectF diagram;
    std::array<QRectF, 7> parts;  // left, right, wheel, side front, side rear, DPI, emblem
};

enum class MouseLight { kResting, kPartsLit, kLed };

struct MouseStyle {
    MouseLight light = MouseLight::kResting;
    QColor led;            // kLed: the LED colour, or an invalid colour for an unlit LED
    bool partLit[7] = {};  // kPartsLit: which parts glow
};

void DrawMouse(QPainter& painter, const MouseGeometry& mouse, const MouseStyle& style);

}  // namespace zel::skin::painter
