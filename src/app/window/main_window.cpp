#include "app/window/main_window.h"

#include <malloc.h>

#include <QChildEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <utility>

#include "app/pages/page_table.h"
#include "app/popups/choice_list.h"
#include "app/session/power_events.h"
#include "app/window/app_icon.h"
#include "app/window/focus_ring.h"
#include "app/window/key_filter.h"
#include "app/window/tray_icon.h"
#include "device/upload.h"
#include "macro/macro_files.h"
#include "macro/ui/macro_page.h"
#include "macro/ui/recording_capture.h"
#include "platform/app_identity.h"
#include "settings/ini_file.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/window_outline.h"
#include "text/catalog.h"

namespace zel::app {

namespace {

// The window's size while no mask picture gives it one.
constexpr QSize kFallbackSkinSize(880, 580);

}  // namespace

MainWindow::MainWindow(AppServices services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      services_(std::move(services)),
      ledPreview_(services_.profile),
      ledDriver_(
          ledPreview_, [this] { return state_.currentPage == kColorPage; }, [this] { update(); }),
      session_({services_.link, services_.profile, services_.transport, services_.pointer,
                services_.messages, paths_, state_.currentProfile, state_.languageFlag,
                services_.exeDir},
               *this),
      macroHost_({*this, services_.macros, services_.messages, services_.recordClock, paths_,
                  state_.languageFlag, layout_, stepMenu_, [this] { AfterMacrosReplaced(); }}) {
    // Everything is drawn from the back buffer in one copy: nothing is erased before a paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The skin's controls take the keyboard (main_window_keyboard.cpp): by Tab, and by a click on
    // one of them, which the window gives itself; a click elsewhere on the skin leaves the
    // keyboard where it is (a macro page edit keeps it).
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    // The macro page's lists show their focus by a ring around them.
    new FocusRing(*this);
    paths_.exeDir = services_.exeDir;
    images_ = std::make_unique<skin::SkinImageStore>(std::string{}, services_.diagnostics);
    tray_ = std::make_unique<TrayIcon>(*this, trayMenu_);
    connect(tray_.get(), &TrayIcon::showRequested, this, [this] { ShowWindow(); });
    connect(tray_.get(), &TrayIcon::exitRequested, this, [this] { ShutdownLink(); });
}

MainWindow::~MainWindow() {
    StopWorkerThreads();
    // The notifier goes before the watcher whose descriptor it watches.
    delete watcherNotifier_;
    watcherNotifier_ = nullptr;
    if (windowEventFilter_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(windowEventFilter_.get());
    }
}

bool MainWindow::Initialise(StartOrder order) {
    // Keys and the step list's right-click pass the pre-filter first.
    windowEventFilter_ =
        std::make_unique<WindowEventFilter>(*this, [this](QWidget& receiver, QEvent& event) {
            return FilterKeyBeforeReceiver(receiver, event);
        });
    QCoreApplication::instance()->installEventFilter(windowEventFilter_.get());

    // Where the files are, the profile and the edition, the skin (Configured), then the
    // search for the mouse.
    switch (session_.Start()) {
        case SessionStart::NoFiles:
        case SessionStart::Stopped:
        case SessionStart::NoMouse:
            return false;
        case SessionStart::AwaitingAccess:
            // The mouse is there but may not be opened: the session waits for the replug.
            break;
        case SessionStart::MouseFound:
            uploadAtStart_ = true;
            break;
    }
    if (order == StartOrder::AllAtOnce) {
        CompleteStart();
    } else {
        // What the first paint does not need follows it, once the paint has reached the screen.
        auto firstPaint = std::make_shared<QMetaObject::Connection>();
        *firstPaint = connect(this, &MainWindow::paintCompleted, this, [this, firstPaint] {
            disconnect(*firstPaint);
            QTimer::singleShot(0, this, [this] { CompleteStart(); });
        });
        QTimer::singleShot(kFirstPaintWait, this, [this] { CompleteStart(); });
    }
    return !IsShutDown();
}

bool MainWindow::Configured() {
    setWindowTitle(QString::fromUtf8(kWindowTitle));

    images_ = std::make_unique<skin::SkinImageStore>(paths_.skinsDir, services_.diagnostics);
    LoadLayouts();
    macroHost_.Construct();
    if (IsShutDown()) {
        // A layout file is missing: the window cannot be shown without it.
        return false;
    }

    fonts_ = skin::CreateSkinFonts();
    ShapeWindow();

    // The user macros of the edition: the main page shows their names.
    macro::LoadUserMacros(services_.macros, paths_.macroPath, services_.messages);

    state_.popupOpen = false;
    macroHost_.InitStepSelection();
    return true;
}

void MainWindow::CompleteStart() {
    if (startComplete_ || IsShutDown()) {
        return;
    }
    startComplete_ = true;
    // The built-in macros before the player that plays them.
    macro::LoadBuiltinMacros(services_.macros, paths_.constMacroPath, services_.messages);
    LoadMenus();
    setWindowIcon(AppIcon(services_.exeDir));
    StartWorkerThreads();
    if (uploadAtStart_) {
        session_.GiveProfileToNewMouse();
    }
    AddTrayIcon();
    WatchPowerEvents();
    // What the start decoded and freed (the outline's mask) goes back to the system.
    malloc_trim(0);
    if (!IsShutDown()) {
        emit startCompleted();
    }
}

void MainWindow::StartWorkerThreads() {
    if (playback_) {
        return;
    }
    playback_ = std::make_unique<macro::PlaybackThreads>(
        session_.Playback(services_.macros, services_.launcher, [this] {
            // From the player thread: the paint happens on the window thread.
            QMetaObject::invokeMethod(
                this, [this] { update(); }, Qt::QueuedConnection);
        }));
    playback_->Start();
}

void MainWindow::StopWorkerThreads() {
    if (playback_) {
        playback_->Stop();
    }
}

void MainWindow::ShapeWindow() {
    const QImage mask = images_->LoadSkinImageOnce(skin::pictures::kMainMask);
    const skin::MainWindowShape shape =
        skin::BuildMainWindowShape(mask, layout_, kFallbackSkinSize);
    skinWidth_ = shape.size.width();
    skinHeight_ = shape.size.height();
    repaintRegion_ = shape.repaintRegion;
    outline_ = shape.outline;
    setFixedSize(shape.size);
    skin::PrepareShapedWindow(*this);
    skin::ApplyOutline(*this, outline_);
}

void MainWindow::WatchDeviceEvents(int fd) {
    watcherNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(watcherNotifier_, &QSocketNotifier::activated, this,
            [this] { session_.FollowDeviceEvents(); });
}

device::UploadOutcome MainWindow::UploadSettings() {
    return session_.Upload();
}

void MainWindow::ApplySettings() {
    const device::UploadOutcome outcome = UploadSettings();
    if (!outcome.reportsSent) {
        services_.messages.ShowMessage(
            text::Message(text::TextId::kUploadNotReceived, state_.languageFlag));
    } else if (!outcome.saved) {
        services_.messages.ShowMessage(settings::ProfileWriteFailedMessage(
            paths_.configPath, state_.languageFlag, outcome.saveResult));
    }
}

void MainWindow::UploadAgainAfterPowerEvent() {
    if (!IsShutDown()) {
        UploadSettings();
    }
}

void MainWindow::ShutdownLink() {
    session_.Stop(SessionEnd::Requested);
}

void MainWindow::StopWatching() {
    if (watcherNotifier_ != nullptr) {
        watcherNotifier_->setEnabled(false);
    }
}

void MainWindow::Ended(SessionEnd /*reason*/) {
    CloseChoiceList();
    ledDriver_.Stop();
    hide();
    emit shutdownComplete();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (IsShutDown()) {
        event->accept();
        return;
    }
    // A close request never ends the program.
    event->ignore();
    HideToTray();
}

void MainWindow::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildPolished && event->child()->isWidgetType()) {
        auto* control = static_cast<QWidget*>(event->child());
        if (!control->isWindow()) {
            ColourChildControl(*control);
        }
    }
}

void MainWindow::ColourChildControls() {
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow()) {
            ColourChildControl(*control);
        }
    }
}

void MainWindow::ColourChildControl(QWidget& control) {
    QPalette palette = control.palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        palette.setColor(role, Qt::black);
    }
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, Qt::white);
    }
    control.setPalette(palette);
    control.setAutoFillBackground(true);
    control.setFont(TextFont());
}

}  // namespace zel::app
