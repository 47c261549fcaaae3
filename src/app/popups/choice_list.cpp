#include "app/popups/choice_list.h"

#include <QApplication>
#include <QKeyEvent>
#include <utility>

#include "app/popups/choice_list_rows.h"
#include "app/popups/choice_sub_list.h"
#include "skin/skin_files.h"
#include "skin/skin_layout.h"

namespace zel::app {

ChoiceList::ChoiceList(QWidget& owner, ChoiceListContext context)
    : ChoiceListWindow(owner, std::move(context),
                       {skin::pictures::kMenuMask, skin::pictures::kMenuNormal,
                        skin::pictures::kMenuOver, skin::pictures::kMenuDown, kMenuRows}) {
    setWindowTitle(QString::fromLatin1(kTitle));
    // The outline: the ten rows and the strip below them.
    SetRowCount(kMenuRows);
    // Installed after the main window's key pre-filter, so it sees the keys first.
    qApp->installEventFilter(this);
}

ChoiceList::~ChoiceList() = default;

void ChoiceList::Destroy() {
    if (subList_) {
        subList_->hide();
    }
    hide();
    deleteLater();
    if (!closed_) {
        closed_ = true;
        emit closed();
    }
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
    if (keyboardGroupRow_ != hotRow_) {
        keyboardGroupRow_ = 0;
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
    if (keyboardGroupRow_ != 0) {
        sub->SetHotRow(keyboardSubRow_);
    }
}

void ChoiceList::WalkRows(ChoiceListWindow& list, int key) {
    if (list.rowCount() <= 0) {
        return;
    }
    switch (key) {
        case Qt::Key_Home:
            list.SetHotRow(1);
            break;
        case Qt::Key_End:
            list.SetHotRow(list.rowCount());
            break;
        default:
            list.StepHotRow(key == Qt::Key_Down ? 1 : -1);
            break;
    }
}

bool ChoiceList::EnterSubList() {
    if (!OpensGroup(hotRow_)) {
        return false;
    }
    if (!subList_ || subList_->firstRow() != hotRow_) {
        RebuildSubList();
    }
    if (!subList_ || subList_->subItemCount() == 0 || !subList_->isVisible()) {
        return false;
    }
    keyboardGroupRow_ = hotRow_;
    subList_->SetHotRow(1);
    keyboardSubRow_ = subList_->subHotRow();
    return true;
}

bool ChoiceList::AnswerSubListKey(int key) {
    ChoiceSubList& sub = *subList_;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            WalkRows(sub, key);
            keyboardSubRow_ = sub.subHotRow();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Escape:
            // Back to the group's row in this list; the group stays open beside it.
            keyboardGroupRow_ = 0;
            sub.SetHotRow(skin::kNoEntry);
            return true;
        case Qt::Key_Right:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (sub.IsHotRowFromKeyboard()) {
                sub.ClickHotRow();
            }
            return true;
        default:
            return false;
    }
}

bool ChoiceList::AnswerKey(int key) {
    if (!isVisible()) {
        return false;
    }
    if (keyboardGroupRow_ != 0 && keyboardGroupRow_ == hotRow_ && subList_ &&
        subList_->firstRow() == hotRow_) {
        return AnswerSubListKey(key);
    }
    keyboardGroupRow_ = 0;
    switch (key) {
        case Qt::Key_Escape:
            Destroy();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            WalkRows(*this, key);
            return true;
        case Qt::Key_Right:
            EnterSubList();
            return true;
        case Qt::Key_Left:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            // A row the pointer merely rests on is no choice of the keyboard's.
            if (IsHotRowFromKeyboard() && !EnterSubList()) {
                ClickHotRow();
            }
            return true;
        default:
            return false;
    }
}

bool ChoiceList::SharesKeyboard(const QObject& receiver) const {
    if (!receiver.isWidgetType()) {
        return false;
    }
    const QWidget* window = static_cast<const QWidget&>(receiver).window();
    return window == this || window == subList_.data() || window == parentWidget()->window();
}

bool ChoiceList::eventFilter(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible() || !SharesKeyboard(*receiver)) {
        return false;
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) {
        Destroy();
        return false;
    }
    if (key.modifiers() & ~(Qt::KeypadModifier)) {
        return false;
    }
    return AnswerKey(key.key());
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
