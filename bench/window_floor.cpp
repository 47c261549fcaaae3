// The floor of the window benchmark: what any Qt window program pays on this machine. A
// frameless 880x580 window that paints one JPEG and does nothing else.
//
// Usage: window_floor PICTURE.jpg
// SIGUSR1 hides the window and SIGUSR2 shows it again, the way a tray program is closed to its
// icon and brought back; SIGTERM ends it.

#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <cstdio>

namespace {

class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage picture)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), picture_(std::move(picture)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(880, 580);
        setWindowTitle(QStringLiteral("zel window floor"));
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_floor PICTURE.jpg\n");
        return 2;
    }
    // Blocked before Qt starts any thread, then read from a descriptor on the event loop.
    sigset_t stopAndToggle;
    sigemptyset(&stopAndToggle);
    for (const int signal : {SIGUSR1, SIGUSR2, SIGTERM}) {
        sigaddset(&stopAndToggle, signal);
    }
    pthread_sigmask(SIG_BLOCK, &stopAndToggle, nullptr);
    const int signalFd = signalfd(-1, &stopAndToggle, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::perror("signalfd");
        return 1;
    }

    QApplication application(argc, argv);
    QImage picture(QString::fromLocal8Bit(argv[1]));
    if (picture.isNull()) {
        std::fprintf(stderr, "window_floor: cannot read %s\n", argv[1]);
        return 1;
    }
    PictureWindow window(std::move(picture));
    QSocketNotifier notifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &window, [&window, signalFd] {
        signalfd_siginfo info{};
        while (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo == SIGUSR1) {
                window.hide();
            } else if (info.ssi_signo == SIGUSR2) {
                window.show();
            } else {
                QApplication::quit();
            }
        }
    });
    window.show();
    const int status = QApplication::exec();
    close(signalFd);
    return status;
}
