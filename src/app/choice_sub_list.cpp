#include "app/choice_sub_list.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <utility>

#include "app/choice_list.h"
#include "app/choice_list_rows.h"
#include "app/page_table.h"
#include "skin/qt/button_image.h"
#include "skin/skin_files.h"

namespace zel::app {

ChoiceSubList::ChoiceSubList(ChoiceList& owner, int firstRow, ChoiceListContext context)
    : QWidget(&owner, Qt::Tool | Qt::FramelessWindowHint),
      owner_(owner),
      firstRow_(firstRow),
      context_(std::move(context)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);

    const ListGeometry geometry =
        MeasureList(*context_.images, skin::pictures::kSubMenuMask, skin::pictures::kSubMenuNormal,
                    skin::kSubMenuRowCount);
    width_ = geometry.width;
    rowHeight_ = geometry.rowHeight;
    subItemCount_ = SubItemCount(firstRow_, context_.macros->UserCount(), 0);
    if (width_ > 0 && listHeight() > 0) {
        setMask(QRegion(0, 0, width_, listHeight()));
    }
    subHotRow_ = kNone;
    subPressed_ = false;
}

QImage ChoiceSubList::Compose() {
    const QSize size(width_, listHeight());
    QImage back = context_.images->Layer(skin::pictures::kSubMenuNormal, size);
    const QImage band = context_.images->Layer(
        subPressed_ ? skin::pictures::kSubMenuDown : skin::pictures::kSubMenuOver, size);
    if (subHotRow_ != kNone) {
        skin::CopyLayerRect(back, band,
                            QRect(0, (subHotRow_ - 1) * rowHeight_, width_, rowHeight_));
    }
    for (int item = 1; item <= subItemCount_; ++item) {
        const std::string text =
            SubItemText(firstRow_, item, *context_.functionNames, *context_.macros);
        DrawCentredRowText(back, context_.font, QString::fromStdString(text), width_,
                           (item - 1) * rowHeight_, rowHeight_, item == subHotRow_);
    }
    return back;
}

void ChoiceSubList::paintEvent(QPaintEvent* /*event*/) {
    if (listHeight() <= 0 || width_ <= 0) {
        return;
    }
    const QImage back = Compose();
    QPainter painter(this);
    painter.drawImage(0, 0, back, 0, 0, width_, listHeight());
}

void ChoiceSubList::HoverAt(int x, int y) {
    subHotRow_ = RowAt(x, y, width_, rowHeight_, subItemCount_);
    if (subHotRow_ != rememberedItem_) {
        update();
        rememberedItem_ = subHotRow_;
    }
}

void ChoiceSubList::PressAt() {
    subPressed_ = true;
    update();
}

void ChoiceSubList::ReleaseAt() {
    subPressed_ = false;
    if (subHotRow_ == kNone) {
        update();
        return;
    }
    if (context_.choose) {
        context_.choose(SubItemCode(firstRow_, subHotRow_));
    }
    update();
    // Both lists close: the first-level one is hidden now and destroyed by the main window's
    // next paint, which happens at once so that the new label shows.
    owner_.hide();
    if (context_.closeAfterGroupChoice) {
        context_.closeAfterGroupChoice();
    }
    QTimer::singleShot(kCloseDelayMs, this, [this] {
        hide();
        deleteLater();
    });
}

void ChoiceSubList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
}

void ChoiceSubList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        PressAt();
    }
}

void ChoiceSubList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ReleaseAt();
    }
}

}  // namespace zel::app
