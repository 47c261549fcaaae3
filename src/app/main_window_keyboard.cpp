// The keyboard in the skinned window: Tab and Shift+Tab walk the frame's and the page's
// controls in reading order (and the macro page's own widgets after them), arrows move within a
// group, Space and Return press the focused control exactly as a click at its place does. The
// focus mark shows only once the keyboard has been used, and a click hides it again.

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>

#include "app/accessible_main_window.h"
#include "app/main_window.h"
#include "app/page_focus.h"
#include "app/page_table.h"

namespace zel::app {

namespace {

bool IsTabKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
           (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

}  // namespace

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsTabKey(static_cast<QKeyEvent&>(*event))) {
        const auto& key = static_cast<QKeyEvent&>(*event);
        TabFocus(key.key() == Qt::Key_Tab && !(key.modifiers() & Qt::ShiftModifier));
        return true;
    }
    return QWidget::event(event);
}

bool MainWindow::focusNextPrevChild(bool next) {
    QWidget* const before = focusWidget();
    const bool moved = QWidget::focusNextPrevChild(next);
    if (before != nullptr && before != this && focusWidget() == this) {
        // Tab left the macro page's widgets: on into the skin's controls.
        focusMarkShown_ = true;
        MoveKeyboardFocus(
            NextFocus(FocusOrder(state_.currentPage, layout_), {}, next, StateView()));
    }
    return moved;
}

void MainWindow::TabFocus(bool forward) {
    focusMarkShown_ = true;
    const std::vector<const Control*> order = FocusOrder(state_.currentPage, layout_);
    const bool inOrder =
        focus_ && std::find(order.begin(), order.end(), focus_.control) != order.end();
    const bool leaving =
        inOrder && !order.empty() && focus_.control == (forward ? order.back() : order.front());
    if (leaving && HasFocusableChild()) {
        focus_ = {};
        update();
        QWidget::focusNextPrevChild(forward);
        return;
    }
    MoveKeyboardFocus(NextFocus(order, inOrder ? focus_ : ControlHit{}, forward, StateView()));
}

bool MainWindow::HasFocusableChild() const {
    for (QWidget* w = nextInFocusChain(); w != nullptr && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) != 0) {
            return true;
        }
    }
    return false;
}

void MainWindow::ForgetFocusOfOtherPages() {
    // Called before the page changes: a control of the page being left is no place to be.
    const std::span<const Control> frame(kFrameControls);
    if (focus_ &&
        (focus_.control < frame.data() || focus_.control >= frame.data() + frame.size())) {
        focus_ = {};
    }
}

void MainWindow::MoveKeyboardFocus(const ControlHit& focus) {
    focus_ = focus;
    if (focusWidget() != this) {
        setFocus(Qt::TabFocusReason);
    }
    update();
    emit keyboardFocusMoved();
    if (QAccessible::isActive()) {
        auto* windowIface =
            dynamic_cast<AccessibleMainWindow*>(QAccessible::queryAccessibleInterface(this));
        if (QAccessibleInterface* focused =
                windowIface != nullptr ? windowIface->FocusedControl() : nullptr) {
            QAccessibleEvent event(focused, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (!focus_ || (alt && event->key() != Qt::Key_Down)) {
        QWidget::keyPressEvent(event);
        return;
    }
    focusMarkShown_ = true;
    const ControlKind kind = focus_.control->kind;
    switch (event->key()) {
        case Qt::Key_Space:
            PressControl(focus_);
            break;
        case Qt::Key_Down:
            if (alt) {
                if (kind == ControlKind::ChoiceField) {
                    PressControl(focus_);
                }
                break;
            }
            [[fallthrough]];
        case Qt::Key_Right:
            if (kind == ControlKind::Slider) {
                PressControl(RowRunning(state_.currentPage, Command::StepFireTimeUp));
            } else {
                MoveKeyboardFocus(MoveWithinGroup(focus_, +1));
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Left:
            if (kind == ControlKind::Slider) {
                PressControl(RowRunning(state_.currentPage, Command::StepFireTimeDown));
            } else {
                MoveKeyboardFocus(MoveWithinGroup(focus_, -1));
            }
            break;
        case Qt::Key_Home:
            MoveKeyboardFocus(MoveWithinGroup(focus_, -focus_.control->count));
            break;
        case Qt::Key_End:
            MoveKeyboardFocus(MoveWithinGroup(focus_, focus_.control->count));
            break;
        default:
            QWidget::keyPressEvent(event);
            break;
    }
}

void MainWindow::PressControl(const ControlHit& hit) {
    if (!hit) {
        return;
    }
    const auto list = ButtonsOf(layout_, hit.control->list);
    const auto index = static_cast<std::size_t>(hit.Index());
    if (index >= list.size() || list[index].Rect().IsEmpty()) {
        return;
    }
    // Exactly a click at the control's place: the pointer's light, the press, the release; then
    // the light goes back to wherever the pointer is.
    const skin::SkinButton& b = list[index];
    const int x = b.x + b.width / 2;
    const int y = b.y + b.height / 2;
    HoverAt(x, y);
    PressAt(x, y);
    ReleaseAt(x, y);
    if (isVisible()) {
        const QPoint pointer = mapFromGlobal(QCursor::pos());
        HoverAt(pointer.x(), pointer.y());
    }
}

}  // namespace zel::app
