#include "app/pages/page_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "app/pages/page_table.h"
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
    // A dotted outline in the colour of the pointer's labels, just inside the control's edge.
    const skin::SkinButton& b = list[index];
    QPainter painter(&backBuffer);
    QPen pen(kHotLabelColor);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(QRect(b.x, b.y, b.width - 1, b.height - 1));
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
