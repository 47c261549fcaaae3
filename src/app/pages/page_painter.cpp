#include "app/pages/page_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/pages/page_table.h"
#include "skin/contrast.h"
#include "skin/qt/button_image.h"
#include "skin/qt/window_outline.h"

namespace zel::app {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// Fill colours of the DPI levels' step bars: blue, magenta, red, violet.
constexpr std::array<QRgb, 4> kDpiLevelColors = {qRgb(0, 0, 255), qRgb(255, 0, 255),
                                                 qRgb(255, 0, 0), qRgb(128, 0, 255)};

constexpr int kFunctionTextIndent = 5;
constexpr int kMaxFireTime = 300;

const QColor kCaptionColor(255, 255, 255);
const QColor kHotLabelColor(255, 0, 0);

// The focus mark: a solid ring this wide, just inside the control's edge.
constexpr int kFocusRingWidth = 2;

double Luminance(QRgb rgb) {
    return skin::RelativeLuminance(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

double Contrast(double a, double b) {
    return skin::ContrastRatio(a, b);
}

// Black or white, whichever stands out more from a pixel of luminance `beside`: at least 4.5:1
// against any colour.
QRgb FocusRingColorBeside(double beside) {
    return Contrast(0.0, beside) >= Contrast(1.0, beside) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
}

}  // namespace

PagePainter::PagePainter(skin::SkinLayout& layout, skin::SkinImageStore& images, QSize size,
                         const settings::LedPreview& ledPreview, const HotIndices& hot,
                         bool pressedVisual)
    : layout_(layout),
      images_(images),
      size_(size),
      ledPreview_(ledPreview),
      hot_(hot),
      pressedVisual_(pressedVisual) {}

QImage PagePainter::Compose(const PageStateView& view, const QFont& font, int scale) {
    const PageInfo& page = view.pages.Of(view.currentPage);
    QImage backBuffer = images_.Layer(page.normalLayer, size_, scale);
    // The hover picture shows only under the pointer (and in the colour page's preview): until
    // then it is not decoded at all, and copies from the null picture copy nothing.
    const bool overShown = hot_.HotButton != skin::kNoEntry || hot_.advHot != skin::kNoEntry ||
                           hot_.colorHot != skin::kNoEntry || view.currentPage == kColorPage;
    const QImage over =
        overShown ? images_.CopySourceLayer(page.overLayer, size_, scale) : QImage();
    const QImage down = images_.CopySourceLayer(page.downLayer, size_, scale);
    PaintControls(backBuffer, over, down, page.controls, view);
    PaintControls(backBuffer, over, down, view.pages.frame, view);
    PaintTexts(backBuffer, view, font);
    PaintFocusMark(backBuffer);
    return backBuffer;
}

void PagePainter::PaintFocusMark(QImage& backBuffer) {
    if (!focus_) {
        return;
    }
    const auto list = ButtonsOf(std::as_const(layout_), focus_.control->list);
    const auto index = static_cast<std::size_t>(focus_.Index());
    if (index >= list.size() || list[index].Rect().IsEmpty()) {
        return;
    }
    // A ring two pixels wide just inside the control's edge. Across each point of the edge its
    // outer line is black or white, whichever stands out from the pixel outside it, and its inner
    // line the same against the pixel inside it: where the two differ the ring is white on black,
    // which stands out on every colour of the skin, the red and magenta steps and the bevels of
    // the buttons alike.
    const skin::SkinButton& b = list[index];
    const QRect area(b.x, b.y, b.width, b.height);
    if (area.width() < 2 * kFocusRingWidth || area.height() < 2 * kFocusRingWidth) {
        return;
    }
    const int scale = std::max(1, qRound(backBuffer.devicePixelRatio()));
    const auto luminanceAt = [&](const QPoint& p) {
        const QPoint pixel = p * scale;
        return backBuffer.rect().contains(pixel) ? Luminance(backBuffer.pixel(pixel)) : 0.0;
    };
    // Each side: its first point, the step along it and the step inwards across it.
    struct Side {
        QPoint start;
        QPoint along;
        QPoint inwards;
        int length;
    };
    const Side sides[] = {
        {area.topLeft(), {1, 0}, {0, 1}, area.width()},
        {area.bottomLeft(), {1, 0}, {0, -1}, area.width()},
        {area.topLeft(), {0, 1}, {1, 0}, area.height()},
        {area.topRight(), {0, 1}, {-1, 0}, area.height()},
    };
    // The colours are chosen from the picture before any of the ring is drawn.
    std::vector<std::pair<QPoint, QRgb>> dots;
    for (const Side& side : sides) {
        for (int i = 0; i < side.length; ++i) {
            const QPoint edge = side.start + side.along * i;
            const QPoint inner = edge + side.inwards * (kFocusRingWidth - 1);
            dots.emplace_back(edge, FocusRingColorBeside(luminanceAt(edge - side.inwards)));
            dots.emplace_back(inner, FocusRingColorBeside(luminanceAt(inner + side.inwards)));
        }
    }
    QPainter painter(&backBuffer);
    for (const auto& [point, color] : dots) {
        painter.fillRect(QRect(point, QSize(1, 1)), QColor(color));
    }
}

void PagePainter::CopyIfValid(QImage& backBuffer, const QImage& layer,
                              std::span<const skin::SkinButton> list, int index) {
    if (index >= 0 && index < static_cast<int>(list.size())) {
        skin::CopyButtonImage(backBuffer, layer, list[static_cast<std::size_t>(index)]);
    }
}

void PagePainter::PaintControls(QImage& backBuffer, const QImage& over, const QImage& down,
                                std::span<const Control> table, const PageStateView& view) {
    for (const Control& control : table) {
        const std::span<const skin::SkinButton> list =
            ButtonsOf(std::as_const(layout_), control.list);
        const int hot = hot_.Of(control.list);
        for (int member = 0; member < control.count; ++member) {
            const int index = control.first + member;
            const bool pressed = IsShownPressed(control, member, view);
            const QImage* source = nullptr;
            if (pressed && IndicatorOutranksHover(control.indicator)) {
                source = &down;
            } else if (index == hot) {
                // The fire-time slider shows its value, never a press.
                source = pressedVisual_ && control.kind != ControlKind::Slider ? &down : &over;
            } else if (pressed) {
                source = &down;
            }
            if (source != nullptr) {
                CopyIfValid(backBuffer, *source, list, index);
            }
            PaintControlValue(backBuffer, over, down, control, member, view);
            if (index == hot && control.companion >= 0) {
                CopyIfValid(backBuffer, over, list, control.companion + member);
            }
        }
    }
}

void PagePainter::PaintControlValue(QImage& backBuffer, const QImage& over, const QImage& down,
                                    const Control& control, int member, const PageStateView& view) {
    const settings::ProfileSettings& profile = view.profile;
    const std::span<const skin::SkinButton> list = ButtonsOf(std::as_const(layout_), control.list);
    const auto index = static_cast<std::size_t>(control.first + member);
    if (index >= list.size()) {
        return;
    }
    const skin::SkinButton& b = list[index];
    switch (control.kind) {
        case ControlKind::StepBar: {
            if (control.command != Command::SetDpiStep) {
                return;  // the speeds show their value by the pressed look
            }
            // Step 0 fills one segment, step 11 all twelve; a larger step read from a file
            // fills this level's bar and nothing of the next.
            const auto n = static_cast<std::size_t>(control.arg);
            if (n >= kDpiLevelColors.size()) {
                return;
            }
            const int lastSegment =
                std::min<int>(profile.DPI_SET[n].load(kRelaxed), buttons::kDpiSegmentsPerLevel - 1);
            if (member <= lastSegment && b.width > 2 && b.height > 1) {
                QPainter painter(&backBuffer);
                painter.fillRect(QRect(b.x + 1, b.y + 1, b.width - 2, b.height - 1),
                                 QColor(kDpiLevelColors[n]));
            }
            break;
        }
        case ControlKind::Slider: {
            const auto fireTime = static_cast<std::uint32_t>(
                std::clamp(profile.FIRE_TIME.load(kRelaxed), 0, kMaxFireTime));
            if (b.width > 0) {
                const std::uint32_t filled =
                    fireTime * static_cast<std::uint32_t>(b.width) / kMaxFireTime;
                skin::CopyLayerRect(backBuffer, down,
                                    QRect(b.x, b.y, static_cast<int>(filled), b.height));
            }
            break;
        }
        case ControlKind::Preview:
            PaintLedPreview(backBuffer, over, down, b);
            break;
        default:
            break;
    }
}

void PagePainter::PaintLedPreview(QImage& backBuffer, const QImage& over, const QImage& down,
                                  const skin::SkinButton& preview) {
    const int scale = skin::PictureScaleFor(backBuffer.devicePixelRatio());
    if (ledPreview_.previewDark.load(kRelaxed)) {
        skin::CopyButtonImage(
            backBuffer, images_.Layer(skin::pictures::kColorNormalGray, size_, scale), preview);
        return;
    }
    switch (ledPreview_.previewLevel.load(kRelaxed)) {
        case 0:
            skin::CopyButtonImage(
                backBuffer, images_.Layer(skin::pictures::kColorOverBlue, size_, scale), preview);
            break;
        case 2:
            skin::CopyButtonImage(backBuffer, over, preview);
            break;
        case 3:
            skin::CopyButtonImage(backBuffer, down, preview);
            break;
        default:  // level 1: the pink normal picture stays
            break;
    }
}

void PagePainter::PaintTexts(QImage& backBuffer, const PageStateView& view, const QFont& font) {
    const PageInfo& page = view.pages.Of(view.currentPage);
    const QFontMetrics metrics(font);
    QPainter painter(&backBuffer);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);

    // Every member of the frame's and the page's rows writes its caption, when it has one.
    const auto paintTable = [&](std::span<const Control> table) {
        for (const Control& control : table) {
            const std::span<skin::SkinButton> list = ButtonsOf(layout_, control.list);
            for (int member = 0; member < control.count; ++member) {
                const int index = control.first + member;
                if (index < 0 || index >= static_cast<int>(list.size())) {
                    continue;
                }
                skin::SkinButton& entry = list[static_cast<std::size_t>(index)];
                const std::optional<std::string> live = LiveCaption(control, member, view);
                const bool functionField = control.caption == CaptionSource::FunctionName;
                // The advanced page's readouts keep their live text in the layout entry, where
                // everything that describes the control reads it.
                const bool storedInLayout =
                    live && !functionField && control.caption != CaptionSource::CurrentDpi;
                if (storedInLayout) {
                    entry.caption = *live;
                }
                const QString text =
                    QString::fromStdString(live && !storedInLayout ? *live : entry.caption);
                if (text.isEmpty()) {
                    continue;
                }
                const QColor colour =
                    functionField && index == hot_.HotButton ? kHotLabelColor : kCaptionColor;
                const int x = functionField
                                  ? entry.x + kFunctionTextIndent
                                  : entry.x + (entry.width - metrics.horizontalAdvance(text)) / 2;
                const int y = entry.y + (entry.height - metrics.height()) / 2;
                painter.setPen(colour);
                painter.drawText(x, y + metrics.ascent(), text);
            }
        }
    };
    paintTable(view.pages.frame);
    paintTable(page.controls);
}

}  // namespace zel::app
