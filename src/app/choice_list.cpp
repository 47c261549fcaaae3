#include "app/choice_list.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <utility>

#include "app/choice_list_rows.h"
#include "app/choice_sub_list.h"
#include "app/page_table.h"
#include "skin/qt/button_image.h"
#include "skin/skin_files.h"

namespace zel::app {

ChoiceList::ChoiceList(QWidget& owner, ChoiceListContext context)
    : QWidget(&owner, Qt::Tool | Qt::FramelessWindowHint), context_(std::move(context)) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);

    const ListGeometry geometry = MeasureList(*context_.images, skin::pictures::kMenuMask,
                                              skin::pictures::kMenuNormal, kMenuRows);
    width_ = geometry.width;
    rowHeight_ = geometry.rowHeight;
    // The outline: the ten rows and the strip below them.
    if (width_ > 0 && rowHeight_ > 0) {
        setMask(QRegion(0, 0, width_, listHeight()));
    }
    menuHotRow_ = kNone;
}

ChoiceList::~ChoiceList() = default;

void ChoiceList::Destroy() {
    if (subList_) {
        subList_->hide();
    }
    hide();
    deleteLater();
}

QImage ChoiceList::Compose() {
    const QSize size(width_, listHeight());
    QImage back = context_.images->Layer(skin::pictures::kMenuNormal, size);
    const QImage band = context_.images->Layer(
        menuPressed_ ? skin::pictures::kMenuDown : skin::pictures::kMenuOver, size);
    if (menuHotRow_ != kNone) {
        skin::CopyLayerRect(back, band,
                            QRect(0, (menuHotRow_ - 1) * rowHeight_, width_, rowHeight_));
    }
    const auto& names = *context_.functionNames;
    for (int row = 1; row <= kMenuRows; ++row) {
        DrawCentredRowText(back, context_.font,
                           QString::fromStdString(names[static_cast<std::size_t>(row)]), width_,
                           (row - 1) * rowHeight_, rowHeight_, row == menuHotRow_);
    }
    return back;
}

void ChoiceList::paintEvent(QPaintEvent* /*event*/) {
    const QImage back = Compose();
    {
        QPainter painter(this);
        painter.drawImage(0, 0, back, 0, 0, width_, listHeight());
    }
    // The second-level list follows the hot row: rebuilt after every repaint this list asked
    // for, once the paint is over.
    if (rebuildAfterPaint_) {
        rebuildAfterPaint_ = false;
        QMetaObject::invokeMethod(this, &ChoiceList::RebuildSubList, Qt::QueuedConnection);
    }
}

void ChoiceList::Invalidate() {
    rebuildAfterPaint_ = true;
    update();
}

void ChoiceList::RebuildSubList() {
    if (subList_) {
        subList_->hide();
        subList_->deleteLater();
        subList_ = nullptr;
    }
    if (!isVisible() || !OpensGroup(menuHotRow_)) {
        return;
    }
    const int userCount = context_.macros->UserCount();
    auto* sub = new ChoiceSubList(*this, menuHotRow_, context_);
    subList_ = sub;
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    sub->move(topLeft.x() + width_,
              topLeft.y() + SubListOffsetRows(menuHotRow_, userCount) * rowHeight_);
    sub->resize(kSecondListWidth, kSecondListHeight);
    // A group without items (no user macros) is an empty list: it exists but shows nothing.
    if (sub->listHeight() > 0 && sub->listWidth() > 0) {
        sub->show();
    }
}

void ChoiceList::HoverAt(int x, int y) {
    menuHotRow_ = RowAt(x, y, width_, rowHeight_, kRowsHitTested);
    if (menuHotRow_ != rememberedRow_) {
        Invalidate();
        rememberedRow_ = menuHotRow_;
    }
}

void ChoiceList::PressAt() {
    menuPressed_ = true;
    Invalidate();
}

void ChoiceList::ReleaseAt() {
    menuPressed_ = false;
    Invalidate();
    if (menuHotRow_ >= 1 && menuHotRow_ <= kLastDirectChoiceRow) {
        if (context_.choose) {
            context_.choose(menuHotRow_);
        }
        Destroy();
    }
}

void ChoiceList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
}

void ChoiceList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        PressAt();
    }
}

void ChoiceList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ReleaseAt();
    }
}

}  // namespace zel::app
