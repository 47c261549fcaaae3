#pragma once

// How each kind of skin button looks in its three states. The normal look is part of the
// resting picture; the over and down looks are drawn on top of it, clipped to the button's
// rectangle, so the three pictures of a surface differ only inside button rectangles.

#include <QPainter>
#include <QRectF>

namespace zel::skin::painter {

enum class ButtonState { kNormal, kOver, kDown };

enum class Look {
    kNone,     // a caption or an area another picture fills
    kHeader,   // a section title strip (no states)
    kAction,   // a command button
    kPrimary,  // the apply button
    kRecord,   // the record button (red mark)
    kTab,      // a page tab
    kProfile,  // a profile button
    kImport,   // side-bar file actions, with their icon
    kExport,
    kReset,
    kChip,  // the edition switches
    kMinimise,
    kClose,
    kLogo,
    kField,          // a button's function field (opens the choice list)
    kCheckbox,       // a DPI level's enable box
    kLevel,          // a DPI level's select mark; variant = level 0 .. 3
    kSegment,        // one step of a DPI bar
    kStepCell,       // one step of the pointer or wheel speed; variant = step 0 .. 9
    kToggle,         // a switch with an indicator light
    kSlider,         // the fire-time slider
    kStepper,        // the small + and - buttons
    kDisplay,        // a read-out (no states)
    kLedMode,        // an LED mode; variant = mode 0 .. 3
    kLitCopy,        // over and down come from the surface's lit rendering
    kWarningAction,  // the warning window's buttons, whose captions are red
};

struct ButtonArt {
    Look look = Look::kNone;
    int variant = 0;
};

// Draws one state of a look into rect (pixel rectangle of the button).
void DrawLook(QPainter& painter, const QRectF& rect, ButtonArt art, ButtonState state);

}  // namespace zel::skin::painter
