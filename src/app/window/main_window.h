#pragma once

// MainWindow: the one main window. A frameless, mask-shaped top-level window that paints
// one of three pages from skin pictures and turns pointer moves, clicks and keys into actions.
//
// Files of this class:
//   main_window.cpp          construction, initialisation, closing, shutdown, device events
//   main_window_paint.cpp    the paint event (the page composed by PagePainter) and the hover
//   main_window_input.cpp    clicks and the commands of the tables' rows (RunCommand), drags,
//                            page changes, choice lists, keyboard pre-filter
//   main_window_keyboard.cpp the keyboard's focus on the skin's controls
//   main_window_hooks.cpp    profile, tray, edition and worker-thread actions
//   main_window_control.cpp  zel-gmousectl's commands sent to the window
//   main_window_hidden.cpp   what the window lets go while hidden to the tray
// What lies under the pointer is found through the pages' tables (app/pages/hit_test.h).

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "app/menus/skinned_menu.h"
#include "app/pages/hit_test.h"
#include "app/pages/page_state.h"
#include "app/popups/choice_list.h"
#include "app/popups/warning_window.h"
#include "app/session/session_core.h"
#include "app/window/app_services.h"
#include "app/window/edition_switch.h"
#include "app/window/led_preview_driver.h"
#include "app/window/macro_page_host.h"
#include "control/control_protocol.h"
#include "device/discovery.h"
#include "device/upload.h"
#include "macro/playback_threads.h"
#include "macro/step_list.h"
#include "platform/app_paths.h"
#include "settings/led_preview.h"
#include "settings/profile_actions.h"
#include "skin/qt/skin_fonts.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_layout.h"

class QKeyEvent;
class QSocketNotifier;

namespace zel::app {

class WindowEventFilter;
class PowerEvents;
class TrayIcon;
struct ChoiceListContext;

inline constexpr const char* kWindowTitle = "KV270 Gaming Mouse";
// How long a window manager may take to take a minimised window off the screen.
inline constexpr int kMinimiseSettleTime = 500;  // ms
// The longest the start waits for the first paint (a window never exposed) before it goes on.
inline constexpr int kFirstPaintWait = 1000;  // ms

// The state other parts of the program read and change: the page, the three hot indices, the
// choice list, the profile and edition shown.
struct MainWindowState {
    std::uint8_t currentPage = 0;  // 0 main, 1 advanced, 2 colour
    HotIndices hot;                // under the pointer
    HotIndices remembered;         // the values last repainted for
    bool pressedVisual = false;    // the left button is held after a press over a hot button
    bool popupOpen = false;        // a first-level choice list is open
    int editedButton = 0;          // main button 25 ... 30 whose choice list is open
    int popupX = 0;                // screen position of the choice list and warning window
    int popupY = 0;
    bool closeListPending = false;  // a second-level choice closed the lists
    // Read by the macro player when it saves a DPI level the mouse switched to.
    std::atomic<std::int32_t> currentProfile{0};
    std::int32_t languageFlag = 0;  // non-zero: EN edition
};

// The window program's driver of a Session: the Qt event loop waits on the device watcher.
class MainWindow : public QWidget, private SessionDriver {
    Q_OBJECT
public:
    explicit MainWindow(AppServices services);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // When the initialisation's second half runs: before Initialise returns, or after the
    // window's first paint (the program's start), so the window is on screen sooner.
    enum class StartOrder { AllAtOnce, PaintFirst };

    // The initialisation sequence. False when the program ends instead (no mouse, a missing
    // skin layout): the shutdown sequence has run and the window is not to be shown.
    // The first half is what the first paint needs and the search for the mouse; the second
    // half (the built-in macros, the menus, the window icon, the worker threads, the upload,
    // the tray icon, the power events) runs in that order, with PaintFirst right after the
    // first paint or at the latest kFirstPaintWait later.
    bool Initialise(StartOrder order = StartOrder::AllAtOnce);
    // Runs the initialisation's second half now if it has not run yet.
    void CompleteStart();
    bool IsStartComplete() const { return startComplete_; }

    // The program's only exit sequence: tray icon removed, workers stopped, shutdown report,
    // pointer speed 10, window closed; then shutdownComplete() is emitted. Runs once.
    void ShutdownLink();
    bool IsShutDown() const { return session_.stopped(); }

    // Any power event (suspend, resume): the profile is uploaded again.
    void UploadAgainAfterPowerEvent();

    // The one way the window is shown and restored: the tray icon's click, double click and
    // show entry, and a second start of the program, all come here.
    void ShowWindow();

    // A zel-gmousectl command forwarded by the single-instance socket, carried out on the
    // window's profile, files and mouse; the window shows the result at once.
    // (main_window_control.cpp)
    control::ControlReply AnswerControlRequest(const control::ControlRequest& request);
    // The loaded profile differs from its section in config.ini. (main_window_control.cpp)
    bool HasUnsavedEdits() const;

    // ---- Painting and hover ----
    // The current page composed into a back buffer of skinWidth x skinHeight.
    QImage ComposePage();
    // What the pages' controls show now.
    PageStateView StateView() const;
    // Pointer at (x, y) in window coordinates: recomputes the hot indices and repaints at once
    // for each one that changed.
    void HoverAt(int x, int y);

    // ---- Input dispatch ----
    void PressAt(int x, int y);
    void ReleaseAt(int x, int y);
    void EnterMainPage();
    void EnterAdvancedPage();
    void EnterColorPage();
    // True when the event is consumed before its receiver (inside this window) sees it.
    bool FilterKeyBeforeReceiver(QWidget& receiver, QEvent& event);

    // ---- The keyboard and assistive technology (main_window_keyboard.cpp) ----
    // The control the keyboard is on; empty before the keyboard is used or while a macro page
    // widget has the focus.
    const ControlHit& keyboardFocus() const { return focus_; }
    bool IsFocusMarkShown() const { return focusMarkShown_ && focus_; }
    void MoveKeyboardFocus(const ControlHit& focus, Qt::FocusReason reason = Qt::TabFocusReason);
    // Runs exactly what a click at the member's place runs.
    void PressControl(const ControlHit& hit);
    // Assistive technology's "grab focus": the keyboard's focus on the control, its mark shown.
    void FocusControl(const ControlHit& focus);
    // A step bar set to `step` (kept within it) by the click on that step; the focus follows.
    void SetStepBar(const Control& bar, int step);

    // ---- What tests and the other windows read ----
    const MainWindowState& state() const { return state_; }
    const skin::SkinLayout& layout() const { return layout_; }
    // The tables of the frame and the pages this window shows.
    const PageSet& pages() const { return services_.pages; }
    const skin::SkinFonts& fonts() const { return fonts_; }
    const QFont& TextFont() const { return fonts_.ForEdition(state_.languageFlag); }
    const platform::AppPaths& paths() const { return paths_; }
    skin::SkinImageStore& images() { return *images_; }
    QSize skinSize() const { return {skinWidth_, skinHeight_}; }
    const QRegion& repaintRegion() const { return repaintRegion_; }
    const QRegion& outline() const { return outline_; }
    bool IsLedPreviewRunning() const { return ledDriver_.IsRunning(); }
    // The open first-level choice list, if any.
    ChoiceList* OpenChoiceList() const { return menuList_.data(); }
    // The warning asked before a choice list opens: the user's answer.
    WarningChoice RunWarningDialog();
    // The owner-drawn menus of the edition and the tray icon.
    const SkinnedMenu& stepMenu() const { return stepMenu_; }
    const SkinnedMenu& trayMenu() const { return trayMenu_; }
    TrayIcon& tray() { return *tray_; }
    // Shows the step list's context menu at `globalPos`; the chosen command, nothing for none.
    std::optional<macro::StepCommand> RunStepMenu(const QPoint& globalPos) {
        return macroHost_.RunStepMenu(globalPos);
    }
    // The macro page: its state (the step counters, the recording; null before the
    // initialisation), and its four controls while the advanced page is shown (null otherwise).
    const macro::MacroPageModel* macroPage() const { return macroHost_.model(); }
    macro::ui::MacroPageControls* macroControls() const { return macroHost_.controls(); }
    bool IsRecording() const { return macroHost_.IsRecording(); }

signals:
    // The shutdown sequence has finished: the program ends.
    void shutdownComplete();
    // A paint of this window has completed (for measurements).
    void paintCompleted();
    // The initialisation's second half has run: the upload is done, the tray icon is there.
    void startCompleted();
    // The keyboard's focus moved to another control (or member).
    void keyboardFocusMoved();

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    // Initialisation steps.
    void ShapeWindow();
    // The session's hooks: the skin loaded between the configuration and the search for the
    // mouse, the watcher's descriptor on the event loop, and the shutdown's steps.
    bool Configured() override;
    void WatchDeviceEvents(int fd) override;
    void Repaint() override { update(); }
    void StopWatching() override;
    void StopWorkers() override { StopWorkerThreads(); }
    void Ended(SessionEnd reason) override;
    // Sends the profile to the mouse and records it in config.ini; false when the file could
    // not be written.
    device::UploadOutcome UploadSettings();
    // The Apply button: the upload, and a failed save reported as Save reports it.
    void ApplySettings();

    // Hidden to the tray: decoded pictures, fonts, the advanced page's controls and the freed
    // heap go back to the system; showing builds them again. (main_window_hidden.cpp)
    void ReleaseWhileHidden();
    void RebuildForShowing();

    // Painting helpers.
    void PaintMainWindow();
    void RepaintForHotChange();

    // Tab and Shift+Tab within the skin's controls, on into the page's widgets at the end.
    void TabFocus(bool forward);
    // A click ends keyboard mode: the mark goes, and the keyboard's focus moves to the control
    // under the pointer, or to none when the click is on no control (a caption, empty skin);
    // only a click on a control takes the keys from the macro page's widgets.
    void FocusClickedControl();
    // A key on a focused step bar; false for a key it does not take.
    bool StepBarKey(int key);
    // The control of the frame or of the shown page that acts under the pointer; empty when
    // there is none.
    ControlHit ControlUnderPointer() const;
    bool HasFocusableChild() const;
    void ForgetFocusOfOtherPages();

    // Input helpers.
    // Runs what pressing the control's member does; `x` is the pointer's (the slider reads it).
    // The one place a row's Command is carried out: a switch without `default`, so a command
    // added without its case does not compile.
    void RunCommand(const ControlHit& hit, int x);
    void OpenFunctionChoiceList(int button);
    void CloseChoiceList();
    void StartWindowDrag(const QPoint& globalPos);
    void Minimise();
    void ShowSystemMenu(const QPoint& globalPos);
    void ShowAboutBox();
    ChoiceListContext MakeChoiceListContext();

    // Child controls (the macro page's edits and lists) take the skin's colours and the font of
    // the edition shown: each when it is first polished, all of them when the edition changes.
    void ColourChildControl(QWidget& control);
    void ColourChildControls();

    // The input reader and the macro player.
    void StartWorkerThreads();
    void StopWorkerThreads();

    // ---- Actions filled in by the profile, tray and edition work ----
    // (main_window_hooks.cpp)
    void LoadMenus();
    void AddTrayIcon();
    void RemoveTrayIcon() override;
    void HideToTray();
    // After a minimise: shows the window normal again when nothing took it off the screen.
    void RestoreIfMinimiseIgnored();
    void SaveCurrentProfile();
    void RevertAndHide();
    void SelectProfile(int profile);
    void ImportProfile();
    void ExportProfile();
    void ResetAllProfiles();
    void SelectEditionCN();
    void SelectEditionEN();
    // Suspend and resume upload the settings again (from the end of the initialisation).
    void WatchPowerEvents();
    settings::ProfileActionContext ProfileContext();
    EditionSwitchContext EditionContext();
    // The skin's four layouts of the edition, at the start and on an edition switch; false when
    // a layout file is missing (the program then ends).
    bool LoadLayouts();
    bool LoadDefaultMacros(const std::filesystem::path& file);
    void AfterMacrosReplaced();

    AppServices services_;
    platform::AppPaths paths_;
    MainWindowState state_;
    skin::SkinLayout layout_;
    std::unique_ptr<skin::SkinImageStore> images_;
    skin::SkinFonts fonts_;
    int skinWidth_ = 0;
    int skinHeight_ = 0;
    QRegion outline_;  // the mask picture's outline; transparent outside
    QRegion repaintRegion_;

    settings::LedPreview ledPreview_;
    LedPreviewDriver ledDriver_;

    QPointer<ChoiceList> menuList_;
    std::unique_ptr<WindowEventFilter> windowEventFilter_;

    Session session_;
    QSocketNotifier* watcherNotifier_ = nullptr;

    bool uploadAtStart_ = false;  // the mouse was found: the start's second half uploads
    bool startComplete_ = false;
    bool released_ = false;  // hidden with pictures and fonts let go

    ControlHit focus_;             // the keyboard's control
    bool focusMarkShown_ = false;  // the keyboard has been used since the last click

    bool manualDrag_ = false;
    QPoint dragOffset_;

    SkinnedMenu stepMenu_;
    SkinnedMenu trayMenu_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<PowerEvents> power_;

    // The macro page: the page state and a recording live as long as the window, the controls
    // only while the page is shown (the host keeps them in that order).
    MacroPageHost macroHost_;

    // The input reader and the macro player; last, so that they stop before anything they use
    // goes away.
    std::unique_ptr<macro::PlaybackThreads> playback_;
};

}  // namespace zel::app
