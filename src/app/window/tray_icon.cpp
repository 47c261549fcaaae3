#include "app/window/tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "app/menus/skinned_menu.h"

namespace zel::app {

TrayIcon::TrayIcon(QWidget& window, SkinnedMenu& trayMenu, Availability available, QObject* parent)
    : QObject(parent), window_(window), trayMenu_(trayMenu), available_(std::move(available)) {
    connect(&trayMenu_, &QMenu::triggered, this, [this](QAction* action) {
        if (const std::optional<MenuCommand> command = CommandOf(action)) {
            RunMenuCommand(*command);
        }
    });
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::AddTrayIcon() {
    if (IsPresent()) {
        return;
    }
    if (!icon_) {
        // The tray shows the window's icon.
        icon_ = std::make_unique<QSystemTrayIcon>(window_.windowIcon());
        icon_->setToolTip(QString::fromLatin1(kTrayTip));
        // The menu is not handed to the icon: it is shown by the program itself, owner-drawn,
        // and always the one of the current edition.
        connect(icon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    HandleActivation(reason, QCursor::pos());
                });
    }
    icon_->show();
}

void TrayIcon::RemoveTrayIcon() {
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
}

bool TrayIcon::IsPresent() const {
    return icon_ && icon_->isVisible();
}

void TrayIcon::HideToTray() {
    window_.showMinimized();
    if (available_ && available_()) {
        window_.hide();
    }
    AddTrayIcon();
}

void TrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason, const QPoint& pointer) {
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
        // Trays that speak the StatusNotifierItem protocol report a single activation only.
        case QSystemTrayIcon::Trigger:
            emit showRequested();
            break;
        case QSystemTrayIcon::Context:
            trayMenu_.popup(pointer);
            break;
        default:
            break;
    }
}

bool TrayIcon::RunMenuCommand(MenuCommand command) {
    switch (command) {
        case MenuCommand::ShowWindow:
            emit showRequested();
            return true;
        case MenuCommand::Exit:
            emit exitRequested();
            return true;
        default:
            return false;
    }
}

}  // namespace zel::app
