// The keyboard in the skinned window: Tab and Shift+Tab walk the frame's and the page's
// controls in reading order (and the macro page's own widgets after them), arrows move within a
// group, Space and Return press the focused control exactly as a click at its place does. A step
// bar is one stop that acts as a slider: the arrows, Home and End set its value at once, by the
// click on the step they reach, and Space and Return leave it alone. The
// focus mark shows only once the keyboard has been used. A click ends keyboard mode: it hides
// the mark and moves the keyboard's focus to the control it clicked, so Space and Return press
// what the user last clicked, never a control whose mark is gone; a click on no control (a
// caption, empty skin) leaves the skin without a focused control and the keys where they were.

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

#include "app/pages/page_focus.h"
#include "app/pages/page_table.h"
#include "app/window/accessible_main_window.h"
#include "app/window/main_window.h"

namespace zel::app {

namespace {

bool IsTabKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
           (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

}  // namespace

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && focus_) {
        // Back from another window (the warning, a dialog): the focused control is announced
        // again, after the window itself.
        QMetaObject::invokeMethod(
            this,
            [this] {
                // Only while the skin's control has the keys: a macro page widget keeps them.
                if (focus_ && QApplication::focusWidget() == this) {
                    MoveKeyboardFocus(focus_);
                }
            },
            Qt::QueuedConnection);
    }
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
            NextFocus(FocusOrder(state_.currentPage, layout_, pages()), {}, next, StateView()));
    }
    return moved;
}

void MainWindow::TabFocus(bool forward) {
    focusMarkShown_ = true;
    const std::vector<const Control*> order = FocusOrder(state_.currentPage, layout_, pages());
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
    const std::span<const Control> frame = pages().frame;
    if (focus_ &&
        (focus_.control < frame.data() || focus_.control >= frame.data() + frame.size())) {
        focus_ = {};
    }
}

ControlHit MainWindow::ControlUnderPointer() const {
    // The frame first, then the page's own list, as a press looks them up.
    const PageInfo& page = pages().Of(state_.currentPage);
    for (const ControlHit hit : {ControlAtIndex(pages().frame, state_.hot.HotButton),
                                 ControlAtIndex(page.controls, state_.hot.Of(page.list))}) {
        if (hit && hit.control->command != Command::NoCommand) {
            return hit;
        }
    }
    return {};
}

void MainWindow::FocusClickedControl() {
    const bool markWasShown = IsFocusMarkShown();
    focusMarkShown_ = false;
    if (const ControlHit clicked = ControlUnderPointer()) {
        MoveKeyboardFocus(clicked, Qt::MouseFocusReason);
        return;
    }
    if (focus_) {
        focus_ = {};
        emit keyboardFocusMoved();
    }
    if (markWasShown) {
        update();
    }
}

void MainWindow::focusOutEvent(QFocusEvent* event) {
    // One of the window's own widgets (a macro page edit or list) took the keyboard: no skin
    // control has it any more. Another window or a menu taking it leaves it where it was.
    QWidget* const now = QApplication::focusWidget();
    if (focus_ && now != nullptr && now != this && isAncestorOf(now)) {
        focus_ = {};
        update();
        emit keyboardFocusMoved();
    }
    QWidget::focusOutEvent(event);
}

void MainWindow::MoveKeyboardFocus(const ControlHit& focus, Qt::FocusReason reason) {
    focus_ = focus;
    if (focusWidget() != this) {
        setFocus(reason);
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

bool MainWindow::StepBarKey(int key) {
    const Control& bar = *focus_.control;
    const int value = ControlValue(bar, StateView());
    switch (key) {
        case Qt::Key_Right:
        case Qt::Key_Up:
            SetStepBar(bar, value + 1);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Down:
            SetStepBar(bar, value - 1);
            return true;
        case Qt::Key_Home:
            SetStepBar(bar, 0);
            return true;
        case Qt::Key_End:
            SetStepBar(bar, bar.count - 1);
            return true;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;  // a slider has nothing to press
        default:
            return false;
    }
}

void MainWindow::SetStepBar(const Control& bar, int step) {
    const int wanted = std::clamp(step, 0, bar.count - 1);
    if (wanted != ControlValue(bar, StateView())) {
        PressControl({&bar, wanted});
    }
    // The mark stays on the step that shows the value.
    const ControlHit onValue{&bar, std::clamp(ControlValue(bar, StateView()), 0, bar.count - 1)};
    if (focus_.control == &bar && focus_.member != onValue.member) {
        MoveKeyboardFocus(onValue);
    }
}

void MainWindow::FocusControl(const ControlHit& focus) {
    if (!focus) {
        return;
    }
    focusMarkShown_ = true;
    if (!isActiveWindow()) {
        activateWindow();
    }
    MoveKeyboardFocus(focus.control->kind == ControlKind::StepBar
                          ? FocusEntry(*focus.control, StateView())
                          : focus,
                      Qt::OtherFocusReason);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (!focus_ || (alt && event->key() != Qt::Key_Down)) {
        QWidget::keyPressEvent(event);
        return;
    }
    focusMarkShown_ = true;
    const ControlKind kind = focus_.control->kind;
    if (kind == ControlKind::StepBar && !alt) {
        if (!StepBarKey(event->key())) {
            QWidget::keyPressEvent(event);
        }
        return;
    }
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
                PressControl(RowRunning(state_.currentPage, Command::StepFireTimeUp, pages()));
            } else {
                MoveKeyboardFocus(MoveWithinGroup(focus_, +1));
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Left:
            if (kind == ControlKind::Slider) {
                PressControl(RowRunning(state_.currentPage, Command::StepFireTimeDown, pages()));
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
