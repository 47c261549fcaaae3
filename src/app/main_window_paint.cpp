// Painting and hit-testing of the main window.
//
// A paint composes the current page on a copy of its normal picture (the back buffer): the
// page's own buttons, then the frame buttons, then the captions, and shows the result in one
// copy. Values read from a file may lie outside their ranges; whatever would index a button
// list is checked first, and what has no meaning draws nothing.

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdint>

#include "app/choice_list.h"
#include "app/main_window.h"
#include "app/page_table.h"
#include "platform/edition.h"
#include "settings/dpi_step_table.h"
#include "skin/qt/button_image.h"
#include "skin/qt/window_outline.h"
#include "text/catalog.h"

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

bool InRange(int index, int first, int last) {
    return index >= first && index <= last;
}

}  // namespace

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    PaintMainWindow();
    emit paintCompleted();
}

void MainWindow::PaintMainWindow() {
    if (state_.closeListPending) {
        // A second-level choice was made: the first-level list goes now. popupOpen stays set
        // until the next press in this window.
        state_.closeListPending = false;
        if (menuList_) {
            menuList_->Destroy();
            menuList_ = nullptr;
        }
    }
    QPainter painter(this);
    if (isMinimized()) {
        painter.fillRect(rect(), Qt::black);
        QRect iconRect(QPoint(0, 0), QSize(32, 32));
        iconRect.moveCenter(rect().center());
        windowIcon().paint(&painter, iconRect);
        return;
    }
    const QImage backBuffer = ComposePage();
    skin::PaintInsideOutline(painter, rect(), outline_, backBuffer);
}

QImage MainWindow::ComposePage() {
    const PageInfo& page = PageOf(state_.currentPage);
    const QSize size(skinWidth_, skinHeight_);
    // On a scaled screen the pictures drawn at 2x; positions stay in layout pixels.
    const int scale = skin::PictureScaleFor(devicePixelRatioF());
    QImage backBuffer = images_->Layer(page.normalLayer, size, scale);
    // The hover picture shows only under the pointer (and in the colour page's preview): until
    // then it is not decoded at all, and copies from the null picture copy nothing.
    const HotIndices& hot = state_.hot;
    const bool overShown = hot.HotButton != kNone || hot.advHot != kNone || hot.colorHot != kNone ||
                           state_.currentPage == kColorPage;
    const QImage over =
        overShown ? images_->CopySourceLayer(page.overLayer, size, scale) : QImage();
    const QImage down = images_->CopySourceLayer(page.downLayer, size, scale);
    PaintPageButtons(backBuffer, over, down);
    PaintFrameButtons(backBuffer, over, down);
    PaintTexts(backBuffer, page.textCount);
    return backBuffer;
}

void MainWindow::CopyIfValid(QImage& backBuffer, const QImage& layer,
                             std::span<const skin::SkinButton> list, int index) {
    if (index >= 0 && index < static_cast<int>(list.size())) {
        skin::CopyButtonImage(backBuffer, layer, list[static_cast<std::size_t>(index)]);
    }
}

void MainWindow::PaintPageButtons(QImage& backBuffer, const QImage& over, const QImage& down) {
    const settings::ProfileSettings& profile = services_.profile;
    const std::uint8_t pageNumber = state_.currentPage;
    std::span<const skin::SkinButton> list = layout_.mainButtons;
    int hot = state_.hot.HotButton;
    if (pageNumber == kAdvancedPage) {
        list = layout_.advancedButtons;
        hot = state_.hot.advHot;
    } else if (pageNumber == kColorPage) {
        list = layout_.colorButtons;
        hot = state_.hot.colorHot;
    }

    if (hot != kNone) {
        // The fire-time slider shows its value, never a press.
        const bool slider = pageNumber == kAdvancedPage && hot == buttons::kFireSlider;
        CopyIfValid(backBuffer, state_.pressedVisual && !slider ? down : over, list, hot);
    }

    if (pageNumber == kMainPage) {
        const int dpiLevel = profile.DPI_LEVEL.load(kRelaxed);
        if (InRange(dpiLevel, 0, 3)) {
            CopyIfValid(backBuffer, down, list, buttons::kFirstDpiSelect + dpiLevel);
        }
        for (int level = 0; level < 4; ++level) {
            const auto n = static_cast<std::size_t>(level);
            // Step 0 fills one segment, step 11 all twelve; a larger step read from a file
            // fills this level's bar and nothing of the next.
            const int lastSegment =
                std::min<int>(profile.DPI_SET[n].load(kRelaxed), buttons::kDpiSegmentsPerLevel - 1);
            QPainter painter(&backBuffer);
            for (int segment = 0; segment <= lastSegment; ++segment) {
                const skin::SkinButton& b = layout_.mainButtons[static_cast<std::size_t>(
                    buttons::kFirstDpiSegment + buttons::kDpiSegmentsPerLevel * level + segment)];
                if (b.width > 2 && b.height > 1) {
                    painter.fillRect(QRect(b.x + 1, b.y + 1, b.width - 2, b.height - 1),
                                     QColor(kDpiLevelColors[n]));
                }
            }
            painter.end();
            if (profile.DPI_SET_EN[n].load(kRelaxed) != 0) {
                CopyIfValid(backBuffer, down, list, buttons::kFirstDpiEnable + level);
            }
        }
        CopyIfValid(backBuffer, down, list,
                    profile.WHEEL_STATUS.load(kRelaxed) == 0 ? buttons::kWheelStatus0
                                                             : buttons::kWheelStatus1);
        const int hotButton = state_.hot.HotButton;
        if (InRange(hotButton, buttons::kFirstFunctionField, buttons::kLastHoverCompanionSource)) {
            CopyIfValid(backBuffer, over, list, hotButton + buttons::kHoverCompanionOffset);
        }
    } else if (pageNumber == kAdvancedPage) {
        if (IsRecording()) {
            CopyIfValid(backBuffer, down, list, buttons::kRecord);
        }
        const int pointerSpeed = profile.DPI_SPEED.load(kRelaxed);
        if (pointerSpeed <= buttons::kLastPointerSpeed - buttons::kFirstPointerSpeed) {
            CopyIfValid(backBuffer, down, list, buttons::kFirstPointerSpeed + pointerSpeed);
        }
        const int wheelSpeed = profile.WHEEL_SPEED.load(kRelaxed);
        if (wheelSpeed <= buttons::kLastWheelSpeed - buttons::kFirstWheelSpeed) {
            CopyIfValid(backBuffer, down, list, buttons::kFirstWheelSpeed + wheelSpeed);
        }
        const skin::SkinButton& slider = list[buttons::kFireSlider];
        const auto fireTime = static_cast<std::uint32_t>(
            std::clamp(profile.FIRE_TIME.load(kRelaxed), 0, kMaxFireTime));
        if (slider.width > 0) {
            const std::uint32_t filled =
                fireTime * static_cast<std::uint32_t>(slider.width) / kMaxFireTime;
            skin::CopyLayerRect(backBuffer, down,
                                QRect(slider.x, slider.y, static_cast<int>(filled), slider.height));
        }
        if (profile.MACRO_MODE2.load(kRelaxed) != 0) {
            CopyIfValid(backBuffer, down, list, buttons::kMacroModeSwitch);
        }
        const macro::MacroStore& macros = services_.macros;
        if (macros.UserMacro(macros.CurrentMacro()).repeatOn == 1) {
            CopyIfValid(backBuffer, down, list, buttons::kRepeatSwitch);
        }
    } else {
        const int ledStatus = profile.LED_STATUS.load(kRelaxed);
        if (ledStatus <= buttons::kLastLedMode) {
            CopyIfValid(backBuffer, down, list, ledStatus);
        }
        const skin::SkinButton& preview = list[buttons::kLedPreview];
        if (ledPreview_.previewDark.load(kRelaxed)) {
            skin::CopyButtonImage(
                backBuffer,
                images_->Layer(skin::pictures::kColorNormalGray, skinSize(),
                               skin::PictureScaleFor(backBuffer.devicePixelRatio())),
                preview);
        } else {
            switch (ledPreview_.previewLevel.load(kRelaxed)) {
                case 0:
                    skin::CopyButtonImage(
                        backBuffer,
                        images_->Layer(skin::pictures::kColorOverBlue, skinSize(),
                                       skin::PictureScaleFor(backBuffer.devicePixelRatio())),
                        preview);
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
    }
}

void MainWindow::PaintFrameButtons(QImage& backBuffer, const QImage& over, const QImage& down) {
    const int pageButton = PageOf(state_.currentPage).frameButton;
    const int currentProfile = state_.currentProfile;
    for (int i = 0; i <= buttons::kLastFrameButton; ++i) {
        const QImage* source = nullptr;
        if (InRange(currentProfile, 1, 5) && i == currentProfile + 3) {
            source = &down;
        } else if (i == state_.hot.HotButton) {
            source = state_.pressedVisual ? &down : &over;
        } else if (i == pageButton) {
            source = &down;
        } else if ((i == buttons::kEditionCN && !platform::IsEnglishEdition(state_.languageFlag)) ||
                   (i == buttons::kEditionEN &&
                    platform::IsExactlyEnglishFlag(state_.languageFlag))) {
            source = &down;
        }
        if (source != nullptr) {
            CopyIfValid(backBuffer, *source, layout_.mainButtons, i);
        }
    }
}

void MainWindow::PaintTexts(QImage& backBuffer, int textCount) {
    const settings::ProfileSettings& profile = services_.profile;
    const std::uint8_t pageNumber = state_.currentPage;

    if (pageNumber == kAdvancedPage) {
        // Live values replace the captions in the layout itself.
        auto& adv = layout_.advancedButtons;
        adv[buttons::kRecord].caption = std::string(
            text::Text(IsRecording() ? text::TextId::kStopRecording : text::TextId::kRecord,
                       state_.languageFlag));
        adv[buttons::kFireReadout].caption =
            std::to_string(profile.FIRE_TIME.load(kRelaxed)) + "ms";
        const macro::StepListState steps = macroPage_ ? macroPage_->state : macro::StepListState{};
        adv[buttons::kPressCount].caption = "[\xE2\x86\x93]" + std::to_string(steps.downCount);
        adv[buttons::kReleaseCount].caption = "[\xE2\x86\x91]" + std::to_string(steps.upCount);
    }

    const QFont& font = TextFont();
    const QFontMetrics metrics(font);
    QPainter painter(&backBuffer);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);

    for (int j = 0; j < textCount; ++j) {
        const skin::SkinButton* entry = nullptr;
        if (j <= buttons::kLastFrameButton || pageNumber == kMainPage) {
            if (j < static_cast<int>(layout_.mainButtons.size())) {
                entry = &layout_.mainButtons[static_cast<std::size_t>(j)];
            }
        } else if (pageNumber == kAdvancedPage) {
            if (j - 20 < static_cast<int>(layout_.advancedButtons.size())) {
                entry = &layout_.advancedButtons[static_cast<std::size_t>(j - 20)];
            }
        } else if (j - 20 < static_cast<int>(layout_.colorButtons.size())) {
            entry = &layout_.colorButtons[static_cast<std::size_t>(j - 20)];
        }
        if (entry == nullptr) {
            continue;
        }

        QString text;
        QColor colour = kCaptionColor;
        bool functionField = false;
        if (pageNumber == kMainPage &&
            InRange(j, buttons::kFirstFunctionField, buttons::kLastFunctionField)) {
            const int code =
                profile.K[static_cast<std::size_t>(j - buttons::kFirstFunctionField)].load(
                    kRelaxed);
            if (code >= macro::kFirstUserMacroFunction) {
                text = QString::fromStdString(services_.macros.MacroLabel(code));
            } else if (code >= 0 && code < static_cast<int>(layout_.functionNames.size())) {
                text =
                    QString::fromStdString(layout_.functionNames[static_cast<std::size_t>(code)]);
            }
            colour = j == state_.hot.HotButton ? kHotLabelColor : kCaptionColor;
            functionField = true;
        } else if (pageNumber == kColorPage && j - 20 == buttons::kDpiReadout) {
            std::array<std::uint8_t, 4> applied{};
            for (std::size_t n = 0; n < applied.size(); ++n) {
                applied[n] = profile.appliedDpiCode[n].load(kRelaxed);
            }
            text = QString::number(
                settings::DpiShownForLevel(applied, profile.DPI_LEVEL.load(kRelaxed)));
        } else {
            text = QString::fromStdString(entry->caption);
        }
        if (text.isEmpty()) {
            continue;
        }

        const int textHeight = metrics.height();
        const int x = functionField
                          ? entry->x + kFunctionTextIndent
                          : entry->x + (entry->width - metrics.horizontalAdvance(text)) / 2;
        const int y = entry->y + (entry->height - textHeight) / 2;
        painter.setPen(colour);
        painter.drawText(x, y + metrics.ascent(), text);
    }
}

void MainWindow::HoverAt(int x, int y) {
    state_.hot = ComputeHotIndices(x, y, layout_, state_.currentPage);
    HotIndices& remembered = state_.remembered;
    if (state_.hot.HotButton != remembered.HotButton) {
        RepaintForHotChange();
        remembered.HotButton = state_.hot.HotButton;
    }
    if (state_.hot.colorHot != remembered.colorHot) {
        RepaintForHotChange();
        remembered.colorHot = state_.hot.colorHot;
    }
    if (state_.hot.advHot != remembered.advHot) {
        RepaintForHotChange();
        remembered.advHot = state_.hot.advHot;
    }
}

void MainWindow::RepaintForHotChange() {
    // On the advanced page the repaint leaves the macro page's controls alone.
    if (state_.currentPage == kAdvancedPage) {
        repaint(repaintRegion_);
    } else {
        repaint();
    }
}

}  // namespace zel::app
