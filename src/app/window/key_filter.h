#pragma once

// The keyboard pre-filter of the main window: key-downs of Escape and Return, and the F10 key,
// never reach the window or its controls, so no key closes or activates anything by accident.

#include <QObject>
#include <functional>

class QEvent;
class QKeyEvent;
class QWidget;

namespace zel::app {

// Escape and Return (either Enter key) key presses, and F10 presses and releases (not Shift+F10,
// the context menu's key). Key releases of Escape and Return pass: editors use them.
bool IsConsumedDialogKey(const QKeyEvent& event);

// Installed on the application: sees every event before its receiver does and hands those
// meant for `window` or one of its descendants and owned windows to `handle`, which returns
// true to consume the event.
class WindowEventFilter final : public QObject {
    Q_OBJECT
public:
    WindowEventFilter(QWidget& window, std::function<bool(QWidget&, QEvent&)> handle);
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    QWidget& window_;
    std::function<bool(QWidget&, QEvent&)> handle_;
};

}  // namespace zel::app
