#include "app/window/main_window.h"

#include <malloc.h>
#include <poll.h>

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
#include "app/session/startup_sequence.h"
#include "app/window/app_icon.h"
#include "app/window/focus_ring.h"
#include "app/window/key_filter.h"
#include "app/window/tray_icon.h"
#include "device/discovery.h"
#include "device/shutdown.h"
#include "device/upload.h"
#include "macro/macro_files.h"
#include "macro/ui/macro_page.h"
#include "macro/ui/recording_capture.h"
#include "platform/app_identity.h"
#include "platform/realtime_kit.h"
#include "settings/ini_file.h"
#include "settings/program_files.h"
#include "settings/startup_config.h"
#include "skin/layout_loader.h"
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
      macroHost_({*this, services_.macros, services_.messages, services_.recordClock, paths_,
                  layout_, stepMenu_, [this] { AfterMacrosReplaced(); }}) {
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

    // Where the files are: beside the executable, or shipped data and the user's folder.
    const platform::UserEnvironment environment = platform::UserEnvironment::FromProcess();
    const platform::ResolvedPaths resolved =
        settings::ResolveProgramFiles(services_.exeDir, environment);
    paths_ = resolved.paths;
    if (!resolved.problem.empty()) {
        services_.messages.ShowMessage(resolved.problem, platform::kProgramName);
    }
    if (!resolved.usable) {
        return false;
    }

    // The profile and the edition.
    const settings::StartupConfig config =
        settings::LoadStartupConfig(paths_.configPath, services_.profile,
                                    settings::EditionForLocale(environment.messagesLocale));
    state_.currentProfile = config.currentProfile;
    state_.languageFlag = config.languageFlag;
    if (!config.notice.empty()) {
        services_.messages.ShowMessage(config.notice, platform::kProgramName);
    }

    setWindowTitle(QString::fromUtf8(kWindowTitle));

    // The skin's layouts: main, colour and advanced page now, the warning window after the
    // macro page's controls.
    images_ = std::make_unique<skin::SkinImageStore>(paths_.skinsDir, services_.diagnostics);
    skin::SkinLayoutLoader loader(
        paths_.skinsDir, services_.messages, [this] { ShutdownLink(); }, platform::kProgramName);
    loader.LoadMainLayout(layout_, state_.languageFlag);
    loader.LoadColorLayout(layout_, state_.languageFlag);
    loader.LoadAdvancedLayout(layout_, state_.languageFlag);
    macroHost_.Construct();
    loader.LoadWarningLayout(layout_, state_.languageFlag);
    if (shutDown_) {
        // A layout file is missing: the window cannot be shown without it.
        return false;
    }

    fonts_ = skin::CreateSkinFonts();
    ShapeWindow();

    // The user macros of the edition: the main page shows their names.
    paths_.SetLanguage(state_.languageFlag);
    macro::LoadUserMacros(services_.macros, paths_.macroPath, services_.messages);

    state_.popupOpen = false;
    macroHost_.InitStepSelection();

    switch (ReportMouseAtStart(DiscoverAndWatch(), state_.languageFlag, services_.messages,
                               platform::kProgramName)) {
        case MouseAtStart::AccessRefused:
            // The mouse is there but may not be opened: wait for the replug.
            awaitingAccess_ = true;
            break;
        case MouseAtStart::Missing:
            ShutdownLink();
            return false;
        case MouseAtStart::Found:
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
    return !shutDown_;
}

void MainWindow::CompleteStart() {
    if (startComplete_ || shutDown_) {
        return;
    }
    startComplete_ = true;
    // The built-in macros before the player that plays them.
    macro::LoadBuiltinMacros(services_.macros, paths_.constMacroPath, services_.messages);
    LoadMenus();
    setWindowIcon(AppIcon(services_.exeDir));
    StartWorkerThreads();
    if (uploadAtStart_) {
        WaitForMouseToSettle();
        UploadSettings();
    }
    AddTrayIcon();
    WatchPowerEvents();
    // What the start decoded and freed (the outline's mask) goes back to the system.
    malloc_trim(0);
    if (!shutDown_) {
        emit startCompleted();
    }
}

void MainWindow::StartWorkerThreads() {
    if (playback_) {
        return;
    }
    playback_ = std::make_unique<macro::PlaybackThreads>(macro::PlaybackServices{
        services_.link,
        services_.profile,
        services_.macros,
        services_.launcher,
        paths_.configPath,
        [this] { return state_.currentProfile.load(); },
        // From the player thread: the paint happens on the window thread.
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { update(); }, Qt::QueuedConnection);
        },
        platform::ThreadPriority::ForLinux(platform::MakeThreadRealtimeThroughRealtimeKit),
    });
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

device::DiscoveryResult MainWindow::DiscoverAndWatch() {
    if (services_.transport == nullptr) {
        return {};
    }
    // Watch before looking, so that a removal right after discovery is not missed.
    watcher_ = services_.transport->Watch();
    if (watcher_ && watcher_->PollFd() >= 0) {
        watcherNotifier_ = new QSocketNotifier(watcher_->PollFd(), QSocketNotifier::Read, this);
        connect(watcherNotifier_, &QSocketNotifier::activated, this,
                &MainWindow::FollowDeviceEvents);
    }
    return device::DiscoverMouseReportingAccess(services_.link, *services_.transport,
                                                services_.messages);
}

void MainWindow::FollowDeviceEvents() {
    if (!watcher_ || services_.transport == nullptr || shutDown_) {
        return;
    }
    for (const platform::HidDeviceEvent& event : watcher_->TakeEvents()) {
        if (awaitingAccess_) {
            FollowArrivalWhileAwaitingAccess(event);
            continue;
        }
        device::FollowDeviceChange(event, services_.link, *services_.transport, services_.messages,
                                   [this] { ShutdownLink(); });
        if (shutDown_) {
            return;
        }
    }
    // The source of device events hung up (the virtual mouse ended): the mouse went with it.
    pollfd descriptor{watcher_->PollFd(), POLLIN, 0};
    if (::poll(&descriptor, 1, 0) > 0 && (descriptor.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        services_.link.found = false;
        ShutdownLink();
    }
}

void MainWindow::FollowArrivalWhileAwaitingAccess(const platform::HidDeviceEvent& event) {
    const device::DiscoveryResult discovery = device::RetryDiscoveryOnArrival(
        event, services_.link, *services_.transport, services_.messages);
    if (discovery.found) {
        awaitingAccess_ = false;
        WaitForMouseToSettle();
        UploadSettings();
    } else if (!discovery.refusedNode.empty() &&
               device::SameDevicePath(event.path, discovery.refusedNode)) {
        // Plugged in again without the rule: the same advice once more.
        services_.messages.ShowMessage(
            text::Message(text::TextId::kAccessRefused, state_.languageFlag,
                          {{"{node}", discovery.refusedNode}}),
            platform::kProgramName);
    }
}

device::UploadOutcome MainWindow::UploadSettings() {
    return device::UploadSettings({services_.profile, services_.link, services_.pointer,
                                   paths_.configPath, [this] { update(); }},
                                  state_.currentProfile);
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
    if (!shutDown_) {
        UploadSettings();
    }
}

void MainWindow::ShutdownLink() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (watcherNotifier_ != nullptr) {
        watcherNotifier_->setEnabled(false);
    }
    device::ShutdownHooks hooks;
    hooks.removeTrayIcon = [this] { RemoveTrayIcon(); };
    hooks.stopWorkers = [this] { StopWorkerThreads(); };
    hooks.destroyWindow = [this] {
        CloseChoiceList();
        ledDriver_.Stop();
        hide();
        emit shutdownComplete();
    };
    device::ShutdownLink(services_.link, services_.pointer, hooks);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (shutDown_) {
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
