#include "app/session/power_events.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <mutex>
#include <vector>

#include "shell_test_qt.h"

namespace zel::app {
namespace {

// Collects what Qt reports while it is installed.
class QtMessages {
public:
    QtMessages() {
        std::lock_guard lock(mutex_);
        messages_.clear();
        previous_ = qInstallMessageHandler(&Record);
    }
    ~QtMessages() { qInstallMessageHandler(previous_); }
    static std::vector<std::string> Taken() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg) {
            std::lock_guard lock(mutex_);
            messages_.push_back(text.toStdString());
        }
    }
    static inline std::mutex mutex_;
    static inline std::vector<std::string> messages_;
    QtMessageHandler previous_ = nullptr;
};

class PowerEventsTest : public ::testing::Test {
protected:
    shell_testing::ApplicationGuard application;
    int resumes = 0;
    PowerEvents events{[this] { ++resumes; }};
};

TEST_F(PowerEventsTest, WithoutABusNothingIsWatchedAndNothingReported) {
    QTemporaryDir folder;
    QDBusConnection none = QDBusConnection::connectToBus(
        "unix:path=" + folder.filePath("no-bus-here"), "zel-power-no-bus");
    {
        QtMessages messages;
        EXPECT_FALSE(events.Start(none));
        EXPECT_TRUE(QtMessages::Taken().empty()) << QtMessages::Taken().front();
    }
    EXPECT_FALSE(events.IsWatching());
    QDBusConnection::disconnectFromBus("zel-power-no-bus");

    // The machine's own system bus, whether or not there is one.
    const bool started = events.Start();
    EXPECT_EQ(started, QDBusConnection::systemBus().isConnected() && events.IsWatching());
    EXPECT_EQ(resumes, 0);
}

TEST_F(PowerEventsTest, SuspendAndResumeBothRunTheCallback) {
    ASSERT_TRUE(QMetaObject::invokeMethod(&events, "OnPrepareForSleep", Q_ARG(bool, true)));
    EXPECT_EQ(resumes, 1);
    ASSERT_TRUE(QMetaObject::invokeMethod(&events, "OnPrepareForSleep", Q_ARG(bool, false)));
    EXPECT_EQ(resumes, 2);
    PowerEvents silent{nullptr};
    silent.OnPrepareForSleep(false);  // no callback: nothing to run
}

// A private bus with a stand-in for logind that announces a suspend and a resume.
TEST_F(PowerEventsTest, SuspendAndResumeAnnouncedOnTheBusRunTheCallback) {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    QTemporaryDir folder;
    QProcess bus;
    bus.start(daemon, {"--session", "--nofork", "--print-address=1",
                       "--address=unix:path=" + folder.filePath("bus")});
    ASSERT_TRUE(bus.waitForStarted(5000));
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    QDBusConnection logind = QDBusConnection::connectToBus(address, "zel-fake-logind");
    QDBusConnection watcher = QDBusConnection::connectToBus(address, "zel-power-watcher");
    ASSERT_TRUE(logind.isConnected());
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
    ASSERT_TRUE(events.Start(watcher));
    EXPECT_TRUE(events.IsWatching());

    auto announce = [&](bool goingToSleep) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << goingToSleep;
        ASSERT_TRUE(logind.send(signal));
    };
    auto waitForResumes = [&](int count, int atMostMs = 3000) {
        QElapsedTimer timer;
        timer.start();
        while (resumes < count && timer.elapsed() < atMostMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    };
    announce(true);
    waitForResumes(1);
    EXPECT_EQ(resumes, 1);  // the suspend alone uploads
    announce(false);
    waitForResumes(2);
    EXPECT_EQ(resumes, 2);

    // The same signal from somebody who is not logind is not taken.
    QDBusConnection other = QDBusConnection::connectToBus(address, "zel-impostor");
    QDBusMessage fake = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    fake << false;
    ASSERT_TRUE(other.send(fake));
    announce(false);
    waitForResumes(3);
    waitForResumes(4, 300);  // time for a wrongly taken signal to arrive too
    EXPECT_EQ(resumes, 3);

    for (const char* name : {"zel-fake-logind", "zel-power-watcher", "zel-impostor"}) {
        QDBusConnection::disconnectFromBus(name);
    }
    bus.terminate();
    bus.waitForFinished(3000);
}

}  // namespace
}  // namespace zel::app
