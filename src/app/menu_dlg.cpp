#include "app/menu_dlg.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <utility>

#include "app/choice_list_rows.h"
#include "app/page_table.h"
#include "app/sub_menu_dlg.h"
#include "skin/qt/button_image.h"
#include "skin/skin_files.h"

namespace zel::app {

CMenuDlg::CMenuDlg(QWidget& owner, ChoiceListContext context)
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

CMenuDlg::~CMenuDlg() = default;

void CMenuDlg::Destroy() {
    if (subList_) {
        subList_->hide();
    }
    hide();
    deleteLater();
}

QImage CMenuDlg::Compose() {
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

void CMenuDlg::paintEvent(QPaintEvent* /*event*/) {
    const QImage back = Compose();
    {
        QPainter painter(this);
        painter.drawImage(0, 0, back, 0, 0, width_, listHeight());
    }
    // The second-level list follows the hot row: rebuilt after every repaint this list asked
    // for, once the paint is over.
    if (rebuildAfterPaint_) {
        rebuildAfterPaint_ = false;
        QMetaObject::invokeMethod(this, &CMenuDlg::RebuildSubList, Qt::QueuedConnection);
    }
}

void CMenuDlg::Invalidate() {
    rebuildAfterPaint_ = true;
    update();
}

void CMenuDlg::RebuildSubList() {
    if (subList_) {
        subList_->hide();
        subList_->deleteLater();
        subList_ = nullptr;
    }
    if (!isVisible() || !OpensGroup(menuHotRow_)) {
        return;
    }
    const int userCount = context_.macros->UserCount();
    auto* sub = new CSubMenuDlg(*this, menuHotRow_, context_);
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

void CMenuDlg::OnMouseMove(int x, int y) {
    menuHotRow_ = RowAt(x, y, width_, rowHeight_, kRowsHitTested);
    if (menuHotRow_ != rememberedRow_) {
        Invalidate();
        rememberedRow_ = menuHotRow_;
    }
}

void CMenuDlg::OnLButtonDown() {
    menuPressed_ = true;
    Invalidate();
}

void CMenuDlg::OnLButtonUp() {
    menuPressed_ = false;
    Invalidate();
    if (menuHotRow_ >= 1 && menuHotRow_ <= kLastDirectChoiceRow) {
        if (context_.choose) {
            context_.choose(menuHotRow_);
        }
        Destroy();
    }
}

void CMenuDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y());
}

void CMenuDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown();
    }
}

void CMenuDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp();
    }
}

}  // namespace zel::app
