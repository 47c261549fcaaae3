#include "app/window/application.h"

#include <malloc.h>

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <cstdio>

#include "app/popups/accessible_popups.h"
#include "app/session/single_instance.h"
#include "app/session/termination_signals.h"
#include "app/window/accessible_main_window.h"
#include "app/window/main_window.h"
#include "platform/app_identity.h"
#include "platform/app_paths.h"
#include "platform/hid_transport_factory.h"
#include "platform/sim_transport.h"
#include "text/console_text.h"

namespace zel::app {

namespace {

constexpr int kOwnMappingThreshold = 256 * 1024;  // bytes

}  // namespace

Application::Application()
    : exeDir_(platform::ExecutableDirectory()), pointer_(platform::MakeDesktopPointerSettings()) {}

Application::~Application() = default;

int Application::RunMainWindow(int stopFd, SingleInstance* instance) {
    // The virtual mouse when ZEL_GMOUSE_SIM names its socket, else the machine's devices.
    transport_ = platform::SimTransport::FromEnvironment();
    if (!transport_) {
        transport_ = platform::MakeHidTransport();
    }

    MainWindow window(AppServices{exeDir_, messages_, diagnostics_, *pointer_, transport_.get(),
                                  launcher_, link_, profile_, macros_, recordClock_});
    messages_.SetOwner(&window);
    QObject::connect(&window, &MainWindow::shutdownComplete, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });

    QSocketNotifier* stopNotifier = nullptr;
    if (stopFd >= 0) {
        stopNotifier = new QSocketNotifier(stopFd, QSocketNotifier::Read, &window);
        QObject::connect(stopNotifier, &QSocketNotifier::activated, &window,
                         [&window] { window.ShutdownLink(); });
    }

    // Listening from the start, so that zel-gmousectl hears at once that the program takes no
    // commands yet, also while a message box of the start is up.
    if (instance != nullptr) {
        instance->HoldRequests(true);
        if (!instance->Listen()) {
            text::console::PrintLine(text::console::kUnreachable,
                                     instance->ListenProblem().toStdString());
        }
    }
    // The window appears first; the rest of the start follows its first paint.
    if (!window.Initialise(MainWindow::StartOrder::PaintFirst)) {
        messages_.SetOwner(nullptr);
        return 1;
    }
    window.show();
    if (instance != nullptr) {
        QObject::connect(instance, &SingleInstance::showRequested, &window,
                         [&window] { window.ShowWindow(); });
        instance->SetCommandHandler([&window](const control::ControlRequest& request) {
            // A command reaches the mouse after the start's upload, never before it.
            window.CompleteStart();
            return window.AnswerControlRequest(request);
        });
        instance->HoldRequests(false);
    }
    const int status = QApplication::exec();
    messages_.SetOwner(nullptr);
    return status;
}

int RunWindowed(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the blocked signals.
    TerminationSignals stopSignals;
    // Pictures and paint buffers are megabytes each: a fixed threshold keeps them in their own
    // mappings, which go back to the system when freed, instead of in a heap that only grows.
    mallopt(M_MMAP_THRESHOLD, kOwnMappingThreshold);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(platform::kProgramName));
    // Wayland compositors match the window to the desktop entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(platform::kAppId));
    QApplication::setQuitOnLastWindowClosed(false);
    // Assistive technology sees the skin's controls, not one picture.
    QAccessible::installFactory(MainWindowAccessibleFactory);
    InstallAccessiblePopups();
    // A program already running for this user is asked to show its window instead.
    SingleInstance instance;
    if (!instance.RuntimeWarning().isEmpty()) {
        text::console::PrintLine(text::console::kStartWarning,
                                 instance.RuntimeWarning().toStdString());
    }
    // A headless instance steps aside for the window instead.
    if (!instance.TryBecomeFirst()) {
        if (!instance.RuntimeProblem().isEmpty()) {
            // Unguarded, a second program would attach to the mouse too.
            const std::string text =
                text::FillText(text::console::kCannotStart,
                               {{"{reason}", instance.RuntimeProblem().toStdString()}});
            std::fprintf(stderr, "%s\n", text.c_str());
            QMessageBox::critical(nullptr, QString::fromLatin1(platform::kProgramName),
                                  QString::fromStdString(text));
            return 1;
        }
        if (instance.AskFirst() != SingleInstance::FirstAnswer::SteppedAside ||
            !instance.TryBecomeFirst()) {
            return 0;
        }
    }
    Application program;
    return program.RunMainWindow(stopSignals.fd(), &instance);
}

}  // namespace zel::app
