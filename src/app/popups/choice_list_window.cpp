#include "app/popups/choice_list_window.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <utility>

#include "app/popups/choice_list_rows.h"
#include "skin/qt/button_image.h"
#include "skin/qt/window_outline.h"
#include "skin/skin_layout.h"

namespace zel::app {

ChoiceListWindow::ChoiceListWindow(QWidget& owner, ChoiceListContext context,
                                   const ListPictures& pictures)
    : QWidget(&owner, Qt::Tool | Qt::FramelessWindowHint),
      context_(std::move(context)),
      pictures_(pictures) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    skin::PrepareShapedWindow(*this);
    setMouseTracking(true);
    const ListGeometry geometry =
        MeasureList(*context_.images, pictures_.mask, pictures_.normal, pictures_.rows);
    width_ = geometry.width;
    rowHeight_ = geometry.rowHeight;
    hotRow_ = skin::kNoEntry;
}

void ChoiceListWindow::SetRowCount(int rows) {
    rowCount_ = rows;
    if (width_ > 0 && rowHeight_ > 0 && listHeight() > 0) {
        skin::ApplyOutline(*this, QRegion(0, 0, width_, listHeight()));
    }
}

QImage ChoiceListWindow::Compose() {
    const QSize size(width_, listHeight());
    const int scale = skin::PictureScaleFor(devicePixelRatioF());
    QImage back = context_.images->Layer(pictures_.normal, size, scale);
    const QImage band =
        context_.images->Layer(pressed_ ? pictures_.down : pictures_.over, size, scale);
    if (hotRow_ != skin::kNoEntry) {
        skin::CopyLayerRect(back, band, QRect(0, (hotRow_ - 1) * rowHeight_, width_, rowHeight_));
    }
    for (int row = 1; row <= rowCount_; ++row) {
        DrawCentredRowText(back, context_.font, RowText(row), width_, (row - 1) * rowHeight_,
                           rowHeight_, row == hotRow_);
    }
    return back;
}

void ChoiceListWindow::HoverAt(int x, int y) {
    const int row = RowAt(x, y, width_, rowHeight_, HitRows());
    if (row != hotRow_) {
        hotRowFromKeyboard_ = false;
    }
    hotRow_ = row;
    if (hotRow_ != rememberedRow_) {
        Repaint();
        rememberedRow_ = hotRow_;
    }
}

void ChoiceListWindow::SetHotRow(int row) {
    hotRow_ = row;
    hotRowFromKeyboard_ = row >= 1 && row <= rowCount_;
    if (hotRow_ != rememberedRow_) {
        Repaint();
        rememberedRow_ = hotRow_;
        // A screen reader follows the row the keyboard is on.
        if (QAccessible::isActive() && hotRow_ >= 1 && hotRow_ <= rowCount_) {
            QAccessibleEvent focus(this, QAccessible::Focus);
            focus.setChild(hotRow_ - 1);
            QAccessible::updateAccessibility(&focus);
        }
    }
}

void ChoiceListWindow::SetCurrentRow(int row) {
    currentRow_ = row;
    if (QAccessible::isActive() && ReadRow() >= 1 && ReadRow() <= rowCount_) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(ReadRow() - 1);
        QAccessible::updateAccessibility(&focus);
    }
}

int ChoiceListWindow::ReadRow() const {
    return hotRow_ >= 1 && hotRow_ <= rowCount_ ? hotRow_ : currentRow_;
}

void ChoiceListWindow::StepHotRow(int delta) {
    if (rowCount_ <= 0) {
        return;
    }
    if (hotRow_ < 1 || hotRow_ > rowCount_) {
        SetHotRow(delta > 0 ? 1 : rowCount_);
        return;
    }
    SetHotRow((hotRow_ - 1 + delta % rowCount_ + rowCount_) % rowCount_ + 1);
}

void ChoiceListWindow::ClickHotRow() {
    if (hotRow_ < 1 || hotRow_ > rowCount_) {
        return;
    }
    PressAt();
    ReleaseAt();
}

void ChoiceListWindow::PressAt() {
    pressed_ = true;
    Repaint();
}

void ChoiceListWindow::paintEvent(QPaintEvent* /*event*/) {
    if (width_ > 0 && listHeight() > 0) {
        const QImage back = Compose();
        QPainter painter(this);
        skin::PaintInsideOutline(painter, rect(), QRegion(0, 0, width_, listHeight()), back);
    }
    AfterPaint();
}

void ChoiceListWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
}

void ChoiceListWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        PressAt();
    }
}

void ChoiceListWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ReleaseAt();
    }
}

}  // namespace zel::app
