#include "app/popups/warning_window.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/window_outline.h"
#include "skin/skin_files.h"
#include "skin/skin_layout.h"

namespace zel::app {

namespace {

// Without pictures the window still has to show its buttons: it covers them all.
QSize FallbackSize(const std::array<skin::SkinButton, skin::kWarningButtonCount>& buttons) {
    QRect bounds;
    for (const skin::SkinButton& button : buttons) {
        bounds |= skin::ToQRect(button);
    }
    return QSize(bounds.right() + 1, bounds.bottom() + 1).expandedTo(QSize(1, 1));
}

}  // namespace

WarningWindow::WarningWindow(skin::SkinImageStore& images,
                             const std::array<skin::SkinButton, skin::kWarningButtonCount>& buttons,
                             QFont font, int x, int y)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint),
      images_(images),
      buttons_(buttons),
      font_(std::move(font)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    skin::PrepareShapedWindow(*this);
    setModal(true);
    setMouseTracking(true);
    hotButton_ = skin::kNoEntry;

    const QImage mask = images_.LoadSkinImage(skin::pictures::kWarningMask);
    if (!mask.isNull()) {
        size_ = mask.size();
        outline_ = skin::BuildMaskRegion(mask);
        skin::ApplyOutline(*this, outline_);
    } else {
        const QImage normal = images_.LoadSkinImage(skin::pictures::kWarningNormal);
        size_ = normal.isNull() ? FallbackSize(buttons_) : normal.size();
    }
    setFixedSize(size_);
    move(x, y);
}

QImage WarningWindow::Compose() {
    const int scale = skin::PictureScaleFor(devicePixelRatioF());
    QImage back = images_.Layer(skin::pictures::kWarningNormal, size_, scale);
    if (hotButton_ == 1 || hotButton_ == 2) {
        const QImage over = images_.Layer(skin::pictures::kWarningOver, size_, scale);
        skin::CopyButtonImage(back, over, buttons_[static_cast<std::size_t>(hotButton_ - 1)]);
    }
    QPainter painter(&back);
    painter.setFont(font_);
    painter.setPen(QColor(255, 0, 0));
    const QFontMetrics metrics(font_);
    for (const skin::SkinButton& button : buttons_) {
        const QString text = QString::fromStdString(button.caption);
        if (text.isEmpty()) {
            continue;
        }
        const int x = button.x + (button.width - metrics.horizontalAdvance(text)) / 2;
        const int y = button.y + (button.height - metrics.height()) / 2;
        painter.drawText(x, y + metrics.ascent(), text);
    }
    return back;
}

void WarningWindow::paintEvent(QPaintEvent* /*event*/) {
    const QImage back = Compose();
    QPainter painter(this);
    skin::PaintInsideOutline(painter, rect(), outline_, back);
}

void WarningWindow::HoverAt(int x, int y) {
    int hot = skin::kNoEntry;
    if (buttons_[0].Rect().Contains(x, y)) {
        hot = 1;
    } else if (buttons_[1].Rect().Contains(x, y)) {
        hot = 2;
    }
    SetHotButton(hot);
}

void WarningWindow::SetHotButton(int button) {
    if (button != hotButton_) {
        hotButton_ = button;
        update();
    }
}

QString WarningWindow::buttonCaption(int button) const {
    return button == 1 || button == 2
               ? QString::fromStdString(buttons_[static_cast<std::size_t>(button - 1)].caption)
               : QString();
}

QRect WarningWindow::buttonRect(int button) const {
    return button == 1 || button == 2
               ? skin::ToQRect(buttons_[static_cast<std::size_t>(button - 1)])
               : QRect();
}

bool WarningWindow::focusNextPrevChild(bool /*next*/) {
    // Two buttons: forwards and backwards both reach the other one.
    SetHotButton(hotButton_ == 1 ? 2 : 1);
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(hotButton_ - 1);
        QAccessible::updateAccessibility(&focus);
    }
    return true;
}

void WarningWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->key() == Qt::Key_Space && hotButton_ != 1 && hotButton_ != 2) {
                break;
            }
            PressButton(hotButton_ == 2 ? 2 : 1);
            return;
        default:
            break;
    }
    QDialog::keyPressEvent(event);
}

void WarningWindow::ReleaseAt() {
    if (hotButton_ == 1) {
        Choose(WarningChoice::kOk);
    } else if (hotButton_ == 2) {
        Choose(WarningChoice::kCancel);
    }
}

WarningChoice WarningWindow::Ask() {
    return exec() == static_cast<int>(WarningChoice::kOk) ? WarningChoice::kOk
                                                          : WarningChoice::kCancel;
}

void WarningWindow::Choose(WarningChoice choice) {
    done(static_cast<int>(choice));
}

void WarningWindow::PressButton(int button) {
    SetHotButton(button);
    ReleaseAt();
}

void WarningWindow::reject() {
    Choose(WarningChoice::kCancel);
}

void WarningWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
}

void WarningWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ReleaseAt();
    }
}

}  // namespace zel::app
