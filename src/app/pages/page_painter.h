#pragma once

// Composes one page of the main window into a back buffer: its normal picture, then the page's
// controls and the frame's as their tables describe them (the pointer's light, the pressed
// look of whatever is on, step bars, the slider, the LED preview, the hover companions), then
// the captions. Values read from a file may lie outside their ranges; whatever would index a
// button list is checked first, and what has no meaning draws nothing.

#include <QFont>
#include <QImage>
#include <QSize>
#include <span>

#include "app/pages/hit_test.h"
#include "app/pages/page_state.h"
#include "settings/led_preview.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_layout.h"

namespace zel::app {

class PagePainter {
public:
    // `layout` receives the live captions of the advanced page's readouts.
    PagePainter(skin::SkinLayout& layout, skin::SkinImageStore& images, QSize size,
                const settings::LedPreview& ledPreview, const HotIndices& hot, bool pressedVisual);

    // The keyboard's focus mark, drawn around `member` of `control`; none by default.
    void SetFocusMark(const ControlHit& focus) { focus_ = focus; }

    // The page `view.currentPage` with its captions in `font`, pictures at `scale`.
    QImage Compose(const PageStateView& view, const QFont& font, int scale);

private:
    void PaintControls(QImage& backBuffer, const QImage& over, const QImage& down,
                       std::span<const Control> table, const PageStateView& view);
    // What a control shows beyond its picture: the filled steps, the slider, the preview.
    void PaintControlValue(QImage& backBuffer, const QImage& over, const QImage& down,
                           const Control& control, int member, const PageStateView& view);
    void PaintLedPreview(QImage& backBuffer, const QImage& over, const QImage& down,
                         const skin::SkinButton& preview);
    void PaintTexts(QImage& backBuffer, const PageStateView& view, const QFont& font);
    void PaintFocusMark(QImage& backBuffer);
    void CopyIfValid(QImage& backBuffer, const QImage& layer,
                     std::span<const skin::SkinButton> list, int index);

    skin::SkinLayout& layout_;
    skin::SkinImageStore& images_;
    QSize size_;
    const settings::LedPreview& ledPreview_;
    HotIndices hot_;
    bool pressedVisual_;
    ControlHit focus_;
};

}  // namespace zel::app
