#include "app/window/key_filter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <utility>

namespace zel::app {

bool IsConsumedDialogKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_F10) {
        // Shift+F10 opens a context menu, as the Menu key does.
        return (event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease) &&
               event.modifiers() != Qt::ShiftModifier;
    }
    return event.type() == QEvent::KeyPress &&
           (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter);
}

WindowEventFilter::WindowEventFilter(QWidget& window, std::function<bool(QWidget&, QEvent&)> handle)
    : window_(window), handle_(std::move(handle)) {}

bool WindowEventFilter::eventFilter(QObject* receiver, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonRelease:
            break;
        default:
            return false;
    }
    if (!receiver->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(receiver);
    // Owned windows (the choice lists) have the main window up their parent chain too.
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == &window_) {
            return handle_(*widget, *event);
        }
    }
    return false;
}

}  // namespace zel::app
