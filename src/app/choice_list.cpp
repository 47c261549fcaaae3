#include "app/choice_list.h"

#include <utility>

#include "app/choice_list_rows.h"
#include "app/choice_sub_list.h"
#include "skin/skin_files.h"

namespace zel::app {

ChoiceList::ChoiceList(QWidget& owner, ChoiceListContext context)
    : ChoiceListWindow(owner, std::move(context),
                       {skin::pictures::kMenuMask, skin::pictures::kMenuNormal,
                        skin::pictures::kMenuOver, skin::pictures::kMenuDown, kMenuRows}) {
    setWindowTitle(QString::fromLatin1(kTitle));
    // The outline: the ten rows and the strip below them.
    SetRowCount(kMenuRows);
}

ChoiceList::~ChoiceList() = default;

void ChoiceList::Destroy() {
    if (subList_) {
        subList_->hide();
    }
    hide();
    deleteLater();
}

QString ChoiceList::RowText(int row) const {
    return QString::fromStdString((*context_.functionNames)[static_cast<std::size_t>(row)]);
}

void ChoiceList::AfterPaint() {
    if (rebuildAfterPaint_) {
        rebuildAfterPaint_ = false;
        QMetaObject::invokeMethod(this, &ChoiceList::RebuildSubList, Qt::QueuedConnection);
    }
}

void ChoiceList::Repaint() {
    rebuildAfterPaint_ = true;
    update();
}

void ChoiceList::RebuildSubList() {
    if (subList_) {
        subList_->hide();
        subList_->deleteLater();
        subList_ = nullptr;
    }
    if (!isVisible() || !OpensGroup(hotRow_)) {
        return;
    }
    const int userCount = context_.macros->UserCount();
    auto* sub = new ChoiceSubList(*this, hotRow_, context_);
    subList_ = sub;
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    sub->move(topLeft.x() + listWidth(),
              topLeft.y() + SubListOffsetRows(hotRow_, userCount) * rowHeight());
    sub->resize(kSecondListWidth, kSecondListHeight);
    // A group without items (no user macros) is an empty list: it exists but shows nothing.
    if (sub->listHeight() > 0 && sub->listWidth() > 0) {
        sub->show();
    }
}

void ChoiceList::ReleaseAt() {
    pressed_ = false;
    Repaint();
    if (hotRow_ >= 1 && hotRow_ <= kLastDirectChoiceRow) {
        if (context_.choose) {
            context_.choose(hotRow_);
        }
        Destroy();
    }
}

}  // namespace zel::app
