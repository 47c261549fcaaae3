// Actions of the main window that belong to the profile, tray, edition and macro-page parts
// of the program. Each is called from its place in the initialisation,
// the click dispatch or the shutdown; until its part is built it does nothing, apart from
// HideToTray, which minimises so that a close request never loses the window.

#include <QKeyEvent>

#include "app/main_window.h"

namespace zel::app {

// ---- Tray, menus, profile actions and edition switch ----

// Initialisation: the step list's context menu and the tray menu of the edition, owner-drawn.
void CZEL_GMouseDlg::LoadMenus() {}

// End of the initialisation, HideToTray and RevertAndHide: one tray icon at most.
void CZEL_GMouseDlg::AddTrayIcon() {}

// Shutdown, first step.
void CZEL_GMouseDlg::RemoveTrayIcon() {}

// Close request (window manager close, Alt+F4, the close button): minimise, hide, tray icon.
// Without a tray icon to bring it back, the window is only minimised.
void CZEL_GMouseDlg::HideToTray() {
    showMinimized();
}

// Release of frame button 0.
void CZEL_GMouseDlg::SaveCurrentProfile() {}

// Release of frame button 2.
void CZEL_GMouseDlg::RevertAndHide() {}

// Release of frame buttons 4 ... 8: profile 1 ... 5 is loaded for editing, not uploaded.
void CZEL_GMouseDlg::SelectProfile(int /*profile*/) {}

// Releases of frame buttons 14, 15 and 16.
void CZEL_GMouseDlg::ImportProfile() {}
void CZEL_GMouseDlg::ExportProfile() {}
void CZEL_GMouseDlg::ResetAllProfiles() {}

// Releases of frame buttons 17 and 18.
void CZEL_GMouseDlg::SelectEditionCN() {}
void CZEL_GMouseDlg::SelectEditionEN() {}

// ---- Macro page ----

// Initialisation: the objects of the four macro-page controls, without their windows.
void CZEL_GMouseDlg::ConstructMacroControls() {}

// Initialisation: the step list's selected line is the last step of the current macro.
void CZEL_GMouseDlg::InitStepSelection() {}

// Entering and leaving the advanced page.
void CZEL_GMouseDlg::CreateMacroControls() {}
void CZEL_GMouseDlg::DestroyMacroControls() {}
void CZEL_GMouseDlg::RefreshMacroList() {}

// Presses of advanced buttons 0 ... 6.
void CZEL_GMouseDlg::ImportMacros() {}
void CZEL_GMouseDlg::ExportMacros() {}
void CZEL_GMouseDlg::AddMacroFromNameEdit() {}
void CZEL_GMouseDlg::DeleteSelectedMacro() {}
void CZEL_GMouseDlg::ToggleRecording() {}
void CZEL_GMouseDlg::ApplyRepeatCount() {}
void CZEL_GMouseDlg::ToggleRepeatOfCurrentMacro() {}

// While recording, every key event of the window passes here first.
bool CZEL_GMouseDlg::OnRecordKeyMessage(QKeyEvent& /*event*/) {
    return false;
}

// Right-button release on the advanced page while not recording.
void CZEL_GMouseDlg::OpenStepMenu(const QPoint& /*globalPos*/) {}

}  // namespace zel::app
