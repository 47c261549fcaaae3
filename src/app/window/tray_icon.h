#pragma once

// The program's place in the notification area. Closing the main window hides it there; the
// icon's click or double click or its menu's show entry asks for it back (the window has one
// way to show itself, used by every path), the menu's exit entry ends the program. Where the
// desktop has no notification area, closing only minimises the window, so it can always be found
// again on the task bar.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "app/menus/menu_command.h"

class QWidget;

namespace zel::app {

class SkinnedMenu;

inline constexpr const char* kTrayTip = "KV270 Gaming Mouse";

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Tells whether the desktop shows tray icons now.
    using Availability = std::function<bool()>;

    // `window` is hidden and gives the icon; `trayMenu` is the menu the icon shows.
    TrayIcon(QWidget& window, SkinnedMenu& trayMenu,
             Availability available = &QSystemTrayIcon::isSystemTrayAvailable,
             QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with its tip; while it is shown, another add changes nothing.
    void AddTrayIcon();
    // Takes the icon away (the shutdown sequence).
    void RemoveTrayIcon();
    bool IsPresent() const;

    // The close request: minimise, hide, make sure the icon exists. Without a notification area
    // the window is only minimised.
    void HideToTray();

    // A mouse action on the icon: a click or double click asks for the window, the context
    // click shows the tray menu at `pointer`.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason, const QPoint& pointer);

    // A command of the tray menu: the show entry asks for the window, the exit entry asks the
    // program to end. Other commands are not the tray's and do nothing (false).
    bool RunMenuCommand(MenuCommand command);

    QSystemTrayIcon* icon() const { return icon_.get(); }

signals:
    // A click, a double click or the show entry: the window is to be shown and restored.
    void showRequested();
    // The exit entry was chosen: the program runs its shutdown sequence.
    void exitRequested();

private:
    QWidget& window_;
    SkinnedMenu& trayMenu_;
    Availability available_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace zel::app
