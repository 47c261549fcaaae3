// Actions of the main window that belong to the profile, tray and edition parts of the
// program. Each is called from its place in the initialisation, the click dispatch or
// the shutdown.

#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <vector>

#include "app/menus/edition_menus.h"
#include "app/pages/page_table.h"
#include "app/session/power_events.h"
#include "app/window/main_window.h"
#include "app/window/profile_file_dialogs.h"
#include "app/window/tray_icon.h"
#include "macro/macro_files.h"
#include "platform/app_identity.h"
#include "skin/layout_loader.h"

namespace zel::app {

// ---- Tray, menus, profile actions and edition switch ----

// Initialisation: the step list's context menu and the tray menu of the edition, owner-drawn.
void MainWindow::LoadMenus() {
    LoadEditionMenus(stepMenu_, trayMenu_, state_.languageFlag);
}

// End of the initialisation, HideToTray and RevertAndHide: one tray icon at most.
void MainWindow::AddTrayIcon() {
    tray_->AddTrayIcon();
}

// Shutdown, first step.
void MainWindow::RemoveTrayIcon() {
    tray_->RemoveTrayIcon();
}

// Close request (window manager close, Alt+F4, the close button): minimise, hide, tray icon.
// Without a notification area to bring it back from, the window is only minimised.
void MainWindow::HideToTray() {
    CompleteStart();  // the tray icon shows the window icon set there
    tray_->HideToTray();
    RestoreIfMinimiseIgnored();
}

void MainWindow::ShowWindow() {
    if (IsShutDown()) {
        return;
    }
    if (isMinimized() || !isVisible()) {
        // Without a window manager nothing takes the window out of its minimised state, and Qt
        // does not paint a window it believes minimised: it is mapped anew in the normal state.
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::RestoreIfMinimiseIgnored() {
    // A window manager takes a minimised window off the screen at once. Without one it stays
    // mapped but unpainted: a black rectangle. Then it is shown normal again.
    QTimer::singleShot(kMinimiseSettleTime, this, [this] {
        if (isMinimized() && isVisible() && windowHandle() != nullptr &&
            windowHandle()->isExposed()) {
            ShowWindow();
        }
    });
}

void MainWindow::WatchPowerEvents() {
    if (!power_) {
        power_ = std::make_unique<PowerEvents>([this] { UploadAgainAfterPowerEvent(); });
        power_->Start();
    }
}

settings::ProfileActionContext MainWindow::ProfileContext() {
    settings::ProfileActionHooks hooks;
    hooks.repaint = [this] { update(); };
    hooks.clearHotButton = [this] { state_.hot.HotButton = skin::kNoEntry; };
    hooks.hideToTray = [this] { HideToTray(); };
    hooks.loadDefaultMacros = [this](const std::filesystem::path& file) {
        return LoadDefaultMacros(file);
    };
    hooks.saveUserMacros = [this](const std::filesystem::path& file) {
        return macro::SaveUserMacros(services_.macros, file).ok();
    };
    hooks.upload = [this](std::int32_t /*currentProfile*/) { return UploadSettings().saved; };
    return {services_.profile, state_.currentProfile, state_.languageFlag, paths_.configPath,
            paths_.skinsDir,   paths_.macroPath,      services_.messages,  std::move(hooks)};
}

// The reset's default macros are read into a store of their own first, so that a file that
// cannot be read leaves the user's macros alone.
bool MainWindow::LoadDefaultMacros(const std::filesystem::path& file) {
    auto defaults = std::make_unique<macro::MacroStore>();
    if (!macro::LoadUserMacros(*defaults, file, services_.messages)) {
        return false;
    }
    std::vector<macro::MacroRecord> records;
    for (int i = 0; i < defaults->UserCount(); ++i) {
        records.push_back(defaults->CopyUserMacro(i));
    }
    services_.macros.ReplaceUserMacros(records);
    AfterMacrosReplaced();
    return true;
}

void MainWindow::AfterMacrosReplaced() {
    if (state_.currentPage == kAdvancedPage) {
        macroHost_.RefreshMacroList();
    }
    update();
}

// Release of frame button 0.
void MainWindow::SaveCurrentProfile() {
    settings::SaveCurrentProfile(ProfileContext());
}

// Release of frame button 2.
void MainWindow::RevertAndHide() {
    settings::RevertAndHide(ProfileContext());
}

// Release of frame buttons 4 ... 8: profile 1 ... 5 is loaded for editing, not uploaded.
void MainWindow::SelectProfile(int profile) {
    settings::SelectProfile(ProfileContext(), profile);
}

// Releases of frame buttons 14, 15 and 16.
void MainWindow::ImportProfile() {
    if (const auto file = AskProfileFileToImport(this, FileDialogFolder(paths_))) {
        settings::ImportProfile(ProfileContext(), *file);
    }
}

void MainWindow::ExportProfile() {
    if (const auto file = AskProfileFileToExport(this, FileDialogFolder(paths_))) {
        settings::ExportProfile(ProfileContext(), *file);
    }
}

void MainWindow::ResetAllProfiles() {
    settings::ResetAllProfiles(ProfileContext());
}

bool MainWindow::LoadLayouts() {
    skin::SkinLayoutLoader loader(
        paths_.skinsDir, services_.messages, [this] { ShutdownLink(); }, platform::kProgramName);
    loader.LoadSkinLayouts(layout_, state_.languageFlag);
    macroHost_.ShowCaptions();
    return !IsShutDown();
}

EditionSwitchContext MainWindow::EditionContext() {
    EditionSwitchHooks hooks;
    hooks.reloadLayouts = [this] { return LoadLayouts(); };
    hooks.loadUserMacros = [this](const std::filesystem::path& file) {
        // Apply saves to the macro file of the edition shown.
        macroHost_.SetMacroFile(file);
        macro::LoadUserMacros(services_.macros, file, services_.messages);
        AfterMacrosReplaced();
    };
    hooks.loadMenus = [this](std::int32_t flag) { LoadEditionMenus(stepMenu_, trayMenu_, flag); };
    hooks.setWindowTitle = [this] { setWindowTitle(QString::fromUtf8(kWindowTitle)); };
    return {state_.languageFlag, paths_, std::move(hooks)};
}

// Releases of frame buttons 17 and 18.
void MainWindow::SelectEditionCN() {
    app::SelectEditionCN(EditionContext());
    ColourChildControls();
}

void MainWindow::SelectEditionEN() {
    app::SelectEditionEN(EditionContext());
    ColourChildControls();
}

}  // namespace zel::app
