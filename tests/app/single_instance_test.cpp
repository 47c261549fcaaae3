#include "app/session/single_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell_test_qt.h"

namespace zel::app {
namespace {

// Runs `body` in a child process and returns its exit code, while this process keeps serving
// its events (a first instance here answers the child).
int RunChild(const std::function<int()>& body, int timeoutMs = 10000) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = -1;
    QElapsedTimer timer;
    timer.start();
    while (::waitpid(pid, &status, WNOHANG) != pid && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a later start asks of the first, as the program asks it, in a child process.
SingleInstance::FirstAnswer AskFirstFromChild(SingleInstance& later) {
    return static_cast<SingleInstance::FirstAnswer>(
        RunChild([&later] { return static_cast<int>(later.AskFirst()); }));
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QObject::connect(&first, &SingleInstance::showRequested, [this] { ++shows; });
    }

    // Lets the first instance's event loop run until `done` or a few seconds.
    void RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }

    // What a second start does: 0 when it reached the first, 1 when it ended without reaching
    // anybody, 2 when it found itself first.
    int SecondStart() {
        SingleInstance second(folder.path());
        if (second.TryBecomeFirst()) {
            return 2;
        }
        return second.AskFirst() == SingleInstance::FirstAnswer::Shown ? 0 : 1;
    }

    shell_testing::ApplicationGuard application;
    QTemporaryDir folder;
    SingleInstance first{folder.path()};
    int shows = 0;
};

TEST_F(SingleInstanceTest, SecondObjectFindsTheFirstAndAsksItToShow) {
    ASSERT_TRUE(first.TryBecomeFirst());
    ASSERT_TRUE(first.Listen());

    SingleInstance second(folder.path());
    EXPECT_FALSE(second.TryBecomeFirst());
    EXPECT_EQ(AskFirstFromChild(second), SingleInstance::FirstAnswer::Shown);
    RunEventsUntil([this] { return shows > 0; });
    EXPECT_EQ(shows, 1);
}

TEST_F(SingleInstanceTest, SecondStartWhileTheFirstInitialisesShowsNothing) {
    ASSERT_TRUE(first.TryBecomeFirst());  // window not made yet: not listening

    SingleInstance second(folder.path());
    EXPECT_FALSE(second.TryBecomeFirst());
    EXPECT_EQ(second.AskFirst(200), SingleInstance::FirstAnswer::NoAnswer);
    QCoreApplication::processEvents();
    EXPECT_EQ(shows, 0);
}

TEST_F(SingleInstanceTest, SecondProcessEndsAfterAskingTheRunningOne) {
    ASSERT_TRUE(first.TryBecomeFirst());
    EXPECT_EQ(RunChild([this] { return SecondStart(); }), 1) << "still initialising";
    EXPECT_EQ(shows, 0);

    ASSERT_TRUE(first.Listen());
    EXPECT_EQ(RunChild([this] { return SecondStart(); }), 0);
    RunEventsUntil([this] { return shows > 0; });
    EXPECT_EQ(shows, 1);
}

TEST_F(SingleInstanceTest, OnlyTheOwnerCanReachTheSocket) {
    ASSERT_TRUE(first.TryBecomeFirst());
    ASSERT_TRUE(first.Listen());
    const QFileInfo socket(first.socketPath());
    ASSERT_TRUE(socket.exists());
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther;
    EXPECT_EQ(socket.permissions() & others, 0);
    EXPECT_EQ(QFileInfo(folder.path()).permissions() & others, 0);
}

TEST_F(SingleInstanceTest, ALockLeftByAnEndedProgramDoesNotCount) {
    // A program that took the lock and the socket and died without cleaning up: its lock is
    // never released (the child ends without running destructors).
    const QString lockPath = first.lockPath();
    EXPECT_EQ(RunChild([&] { return (new QLockFile(lockPath))->tryLock(0) ? 0 : 1; }), 0);
    ASSERT_TRUE(QFile::exists(lockPath));
    QFile stale(first.socketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    EXPECT_TRUE(first.TryBecomeFirst());
    EXPECT_TRUE(first.Listen());
}

TEST_F(SingleInstanceTest, TheLockIsFreeAgainWhenTheFirstEnds) {
    {
        SingleInstance earlier(folder.path());
        ASSERT_TRUE(earlier.TryBecomeFirst());
        ASSERT_TRUE(earlier.Listen());
        EXPECT_FALSE(first.TryBecomeFirst());
    }
    EXPECT_TRUE(first.TryBecomeFirst());
    EXPECT_TRUE(first.Listen());
}

TEST_F(SingleInstanceTest, OtherMessagesAreIgnored) {
    ASSERT_TRUE(first.TryBecomeFirst());
    ASSERT_TRUE(first.Listen());
    for (const QByteArray& message :
         {QByteArray("hide\n"), QByteArray("showshow\n"), QByteArray("show"), QByteArray(4096, 'x'),
          QByteArray("\n"), QByteArray("sh\0ow\n", 6)}) {
        QLocalSocket client;
        client.connectToServer(first.socketPath());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(message);
        client.waitForBytesWritten(1000);
        client.disconnectFromServer();
        RunEventsUntil([] { return false; }, 100);
    }
    EXPECT_EQ(shows, 0);
    // A request after them still works.
    SingleInstance second(folder.path());
    EXPECT_EQ(AskFirstFromChild(second), SingleInstance::FirstAnswer::Shown);
    RunEventsUntil([this] { return shows > 0; });
    EXPECT_EQ(shows, 1);
}

TEST_F(SingleInstanceTest, ACommandIsAnsweredByTheHandlerAndAShowIsConfirmed) {
    ASSERT_TRUE(first.TryBecomeFirst());
    ASSERT_TRUE(first.Listen());
    std::vector<std::string> received;
    first.SetCommandHandler([&received](const control::ControlRequest& request) {
        received = request.args;
        return control::ControlReply{false, 2, "out\n", "err\n"};
    });
    const int child = RunChild([this] {
        platform::UniqueFd socket = control::ConnectToInstance(first.socketPath().toStdString());
        const auto request = control::EncodeRequest({false, "", {"set", "dpi1=800"}});
        if (!socket.valid() || !control::WriteAll(socket.get(), *request, 2000)) {
            return 10;
        }
        const auto bytes = control::ReadMessage(socket.get(), 4096, 5000,
                                                [](const std::string&) { return false; });
        const auto decoded = bytes ? control::DecodeReply(*bytes) : std::nullopt;
        return decoded && decoded->status == 2 && decoded->out == "out\n" ? 0 : 11;
    });
    EXPECT_EQ(child, 0);
    EXPECT_EQ(received, (std::vector<std::string>{"set", "dpi1=800"}));

    SingleInstance second(folder.path());
    EXPECT_EQ(RunChild([&second] { return static_cast<int>(second.AskFirst()); }),
              static_cast<int>(SingleInstance::FirstAnswer::Shown));
}

// Unguarded, a second program would attach to the same mouse: the start is refused instead,
// with the reason.
TEST_F(SingleInstanceTest, AFolderOthersCanReadIsNotUsed) {
    ASSERT_TRUE(QFile::setPermissions(
        folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                           QFileDevice::ReadOther | QFileDevice::ExeOther));
    EXPECT_FALSE(first.TryBecomeFirst());
    EXPECT_TRUE(first.RuntimeProblem().contains(QStringLiteral("not private")))
        << first.RuntimeProblem().toStdString();
    EXPECT_FALSE(first.Listen());
    EXPECT_FALSE(QFile::exists(first.lockPath()));
}

// Clients that connect and say nothing: another client's command is answered at once all the
// same, long before the silent ones are given up.
TEST_F(SingleInstanceTest, SilentClientsHoldNobodyUp) {
    ASSERT_TRUE(first.TryBecomeFirst());
    ASSERT_TRUE(first.Listen());
    first.SetCommandHandler([](const control::ControlRequest& request) {
        return control::ControlReply{false, 0, request.args.front() + "\n", {}};
    });
    std::vector<platform::UniqueFd> silent;
    for (int i = 0; i < 5; ++i) {
        silent.push_back(control::ConnectToInstance(first.socketPath().toStdString()));
        ASSERT_TRUE(silent.back().valid());
    }
    const int child = RunChild([this] {
        platform::UniqueFd socket = control::ConnectToInstance(first.socketPath().toStdString());
        const auto request = control::EncodeRequest({false, "", {"list"}});
        if (!socket.valid() || !control::WriteAll(socket.get(), *request, 500)) {
            return 10;
        }
        // Shorter than the time a silent client is given.
        const auto bytes = control::ReadMessage(socket.get(), 4096, control::kRequestTimeoutMs / 2,
                                                [](const std::string&) { return false; });
        const auto decoded = bytes ? control::DecodeReply(*bytes) : std::nullopt;
        return decoded && decoded->out == "list\n" ? 0 : 11;
    });
    EXPECT_EQ(child, 0);
    // A later start is still shown the window.
    SingleInstance second(folder.path());
    EXPECT_EQ(AskFirstFromChild(second), SingleInstance::FirstAnswer::Shown);
    RunEventsUntil([this] { return shows > 0; }, control::kRequestTimeoutMs / 2);
    EXPECT_EQ(shows, 1);
}

// The window is not made yet, or a message box of the start is up: zel-gmousectl hears at once
// that the program takes no commands, and a later start ends without anything shown.
TEST_F(SingleInstanceTest, HeldRequestsAreAnsweredAtOnceWithoutEffect) {
    ASSERT_TRUE(first.TryBecomeFirst());
    first.HoldRequests(true);
    ASSERT_TRUE(first.Listen());
    bool handled = false;
    first.SetCommandHandler([&handled](const control::ControlRequest&) {
        handled = true;
        return control::ControlReply{};
    });
    const int child = RunChild([this] {
        platform::UniqueFd socket = control::ConnectToInstance(first.socketPath().toStdString());
        const auto request = control::EncodeRequest({false, "", {"apply"}});
        if (!socket.valid() || !control::WriteAll(socket.get(), *request, 500)) {
            return 10;
        }
        const auto bytes = control::ReadMessage(socket.get(), 4096, 2000,
                                                [](const std::string&) { return false; });
        const auto decoded = bytes ? control::DecodeReply(*bytes) : std::nullopt;
        return decoded && decoded->status == 1 &&
                       decoded->err.find("running, but not taking commands") != std::string::npos
                   ? 0
                   : 11;
    });
    EXPECT_EQ(child, 0);
    EXPECT_FALSE(handled);
    SingleInstance second(folder.path());
    EXPECT_EQ(RunChild([&second] { return static_cast<int>(second.AskFirst()); }),
              static_cast<int>(SingleInstance::FirstAnswer::Shown));
    EXPECT_EQ(shows, 0);
}

// A runtime path too long for a local socket: the program says why, and the lock tells
// zel-gmousectl that it takes no commands.
TEST(SingleInstanceListen, AFailedListenIsReportedInTheLock) {
    shell_testing::EnsureApplication();
    QTemporaryDir base;
    const QString deep = base.path() + "/" + QString(100, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::setPermissions(
        deep, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    SingleInstance instance(deep);
    ASSERT_TRUE(instance.TryBecomeFirst());
    EXPECT_EQ(
        control::InstanceState(instance.lockPath().toStdString()),
        control::StateWithSocket(control::kStartingState, instance.socketPath().toStdString()));
    EXPECT_FALSE(instance.Listen());
    EXPECT_TRUE(instance.ListenProblem().contains(QStringLiteral("bytes long")))
        << instance.ListenProblem().toStdString();
    const std::string state = control::InstanceState(instance.lockPath().toStdString());
    EXPECT_EQ(state.rfind(control::kNotListeningState, 0), 0u) << state;
    EXPECT_NE(state.find("bytes long"), std::string::npos) << state;
}

// Sets an environment variable for the life of the object (unset: nullptr), then restores it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }
    void Set(const char* value) {
        if (value != nullptr) {
            ::setenv(name_, value, 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A desktop session, a `su` or `ssh` login and the service each have their own
// XDG_RUNTIME_DIR, or none: their starts meet all the same, and a later one reaches the first
// through the socket the lock file names, in the first one's runtime folder.
TEST(SingleInstanceUser, StartsWithDifferentRuntimeFoldersMeet) {
    shell_testing::EnsureApplication();
    QTemporaryDir firstRuntime;
    QTemporaryDir laterRuntime;
    // A virtual mouse of this test's own: its lock is this test's alone.
    const QByteArray mousePath = (firstRuntime.path() + QStringLiteral("/mouse.sock")).toUtf8();
    const QByteArray firstPath = firstRuntime.path().toUtf8();
    const ScopedVariable mouse("ZEL_GMOUSE_SIM", mousePath.constData());
    ScopedVariable runtime("XDG_RUNTIME_DIR", firstPath.constData());
    SingleInstance first;
    ASSERT_TRUE(first.TryBecomeFirst()) << first.RuntimeProblem().toStdString();
    ASSERT_TRUE(first.Listen()) << first.ListenProblem().toStdString();
    int shows = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&shows] { ++shows; });

    const QByteArray laterPath = laterRuntime.path().toUtf8();
    for (const char* later : {laterPath.constData(), static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(later != nullptr ? later : "(unset)");
        runtime.Set(later);
        SingleInstance second;
        EXPECT_EQ(second.lockPath(), first.lockPath());
        EXPECT_NE(second.socketPath(), first.socketPath());
        EXPECT_FALSE(second.TryBecomeFirst());
        const int before = shows;
        EXPECT_EQ(AskFirstFromChild(second), SingleInstance::FirstAnswer::Shown);
        QElapsedTimer timer;
        timer.start();
        while (shows == before && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        EXPECT_EQ(shows, before + 1);
    }
}

TEST(SingleInstanceFolder, TheDefaultFolderIsPrivate) {
    shell_testing::EnsureApplication();
    const QString dir = SingleInstance::DefaultRuntimeDir();
    ASSERT_FALSE(dir.isEmpty());
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(dir).permissions() & others, 0);
}

}  // namespace
}  // namespace zel::app
