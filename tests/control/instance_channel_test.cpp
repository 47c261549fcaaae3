// Where the program and zel-gmousectl meet: the choice of the runtime folder and what the
// holder of the instance lock tells about itself.

#include "control/instance_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/settings/ini_test_files.h"

namespace zel::control {
namespace {

namespace fs = std::filesystem;
using zel::testing::TempFolder;

constexpr uid_t kOtherUser = 65534;

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// The folder chosen; a refusal fails the test and gives an empty path.
RuntimeFolder Chosen(const std::string& xdgRuntimeDir, const std::string& tempDir) {
    const platform::Result<RuntimeFolder> chosen = ChooseRuntimeFolder(xdgRuntimeDir, tempDir);
    if (!chosen.ok()) {
        ADD_FAILURE() << chosen.error().message;
        return {};
    }
    return *chosen;
}

fs::path MakeFolder(const fs::path& path, mode_t mode) {
    fs::create_directory(path);
    ::chmod(path.c_str(), mode);
    return path;
}

class RuntimeFolderTest : public ::testing::Test {
protected:
    std::string Replacement() const {
        return (temp.path() / ("zel-gmouse-" + std::to_string(::getuid()))).string();
    }
    TempFolder temp;
};

TEST_F(RuntimeFolderTest, APrivateXdgRuntimeDirIsUsedAsItIs) {
    const fs::path xdg = MakeFolder(temp / "xdg", 0700);
    const RuntimeFolder folder = Chosen(xdg, temp.path());
    EXPECT_EQ(folder.path, xdg.string());
    EXPECT_EQ(folder.warning, "");
    EXPECT_FALSE(fs::exists(Replacement()));
}

// The usual folder may be entered by others, is a link or is not there: a warning, and every
// start (and zel-gmousectl) meets in the same private replacement.
TEST_F(RuntimeFolderTest, ANonPrivateXdgRuntimeDirIsReplacedAlikeOnEveryStart) {
    MakeFolder(temp / "open", 0755);
    MakeFolder(temp / "private", 0700);
    fs::create_directory_symlink(temp / "private", temp / "link");
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {{"open", "mode 0755"}, {"link", "symbolic link"}, {"missing", "No such file"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const RuntimeFolder first = Chosen(temp / test.name, temp.path());
        const RuntimeFolder second = Chosen(temp / test.name, temp.path());
        EXPECT_EQ(first.path, Replacement());
        EXPECT_EQ(second.path, first.path);
        EXPECT_NE(first.warning.find("XDG_RUNTIME_DIR " + (temp / test.name).string()),
                  std::string::npos)
            << first.warning;
        EXPECT_NE(first.warning.find(test.reason), std::string::npos) << first.warning;
        EXPECT_EQ(ModeOf(first.path), 0700u);
        EXPECT_TRUE(IsPrivateFolder(first.path));
    }
}

TEST_F(RuntimeFolderTest, WithoutXdgRuntimeDirTheTemporaryRuntimeFolderIsMadePrivate) {
    const RuntimeFolder folder = Chosen("", temp.path());
    ASSERT_NE(folder.path, "");
    EXPECT_EQ(fs::path(folder.path).parent_path(), temp.path());
    EXPECT_EQ(fs::path(folder.path).filename().string().rfind("runtime-", 0), 0u);
    EXPECT_EQ(folder.warning, "");
    EXPECT_EQ(ModeOf(folder.path), 0700u);
}

// Another user made /tmp/runtime-<user> first (as anybody may in /tmp): not used.
TEST_F(RuntimeFolderTest, ARuntimeFolderOfAnotherUserIsNotUsed) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to give a folder to another user";
    }
    const RuntimeFolder usual = Chosen("", temp.path());
    ASSERT_EQ(::chown(usual.path.c_str(), kOtherUser, kOtherUser), 0);
    const RuntimeFolder folder = Chosen("", temp.path());
    EXPECT_EQ(folder.path, Replacement());
    EXPECT_NE(folder.warning.find("belongs to user 65534"), std::string::npos) << folder.warning;
}

TEST_F(RuntimeFolderTest, AReplacementOfOurOwnIsClosedToOthers) {
    MakeFolder(Replacement(), 0755);
    const RuntimeFolder folder = Chosen(temp / "missing", temp.path());
    EXPECT_EQ(folder.path, Replacement());
    EXPECT_EQ(ModeOf(Replacement()), 0700u);
}

// Somebody else holds the replacement's name too: no folder, and a message that says what to
// do, so that the program refuses to start instead of running unguarded.
TEST_F(RuntimeFolderTest, WithoutAnyPrivatePlaceThereIsNoFolderAndAClearReason) {
    MakeFolder(temp / "open", 0777);
    MakeFolder(temp / "elsewhere", 0700);
    fs::create_directory_symlink(temp / "elsewhere", Replacement());
    const platform::Result<RuntimeFolder> folder = ChooseRuntimeFolder(temp / "open", temp.path());
    ASSERT_FALSE(folder.ok());
    const std::string& reason = folder.error().message;
    EXPECT_NE(reason.find(Replacement()), std::string::npos) << reason;
    EXPECT_NE(reason.find("set XDG_RUNTIME_DIR"), std::string::npos) << reason;
    EXPECT_EQ(ModeOf(temp / "elsewhere"), 0700u);
}

TEST(InstanceState, TheHolderTellsWhatItDoesAndANewHolderStartsBlank) {
    TempFolder temp;
    const std::string path = InstanceLockPath(temp.path());
    {
        InstanceLock lock;
        ASSERT_TRUE(lock.TryLock(path));
        EXPECT_EQ(InstanceState(path), "");
        lock.Announce(kStartingState);
        EXPECT_EQ(InstanceState(path), kStartingState);
        lock.Announce(std::string(kNotListeningState) + "\nthe path is too long");
        EXPECT_EQ(InstanceState(path), std::string(kNotListeningState) + "\nthe path is too long");
        InstanceLock second;
        EXPECT_FALSE(second.TryLock(path));
        second.Announce(kListeningState);  // not the holder: nothing written
        EXPECT_EQ(InstanceState(path).rfind(kNotListeningState, 0), 0u);
    }
    InstanceLock next;
    ASSERT_TRUE(next.TryLock(path));
    EXPECT_EQ(InstanceState(path), "") << "what the ended holder said is gone";
}

// The lock's folder depends on the user alone: every start finds the same one, made private.
TEST_F(RuntimeFolderTest, TheLockFolderIsTheUsersOwnWhateverTheRuntimeFolder) {
    const platform::Result<std::string> first = InstanceLockFolder(temp.path());
    ASSERT_TRUE(first.ok()) << first.error().message;
    EXPECT_EQ(*first, Replacement());
    EXPECT_EQ(ModeOf(*first), 0700u);
    ::chmod(first->c_str(), 0755);
    const platform::Result<std::string> again = InstanceLockFolder(temp.path().string() + "/");
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(*again, *first);
    EXPECT_EQ(ModeOf(*again), 0700u) << "closed to others again";
}

// A folder of that name the user cannot trust: no lock anywhere else (the starts would no
// longer meet), and the reason.
TEST_F(RuntimeFolderTest, ALockFolderThatIsNotTheUsersOwnIsRefusedWithTheReason) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"link", [this](const fs::path& p) { fs::create_directory_symlink(temp.path(), p); },
         "not a folder"},
        {"file", [](const fs::path& p) { std::ofstream(p) << "x"; }, "not a folder"},
        {"other user",
         [](const fs::path& p) {
             MakeFolder(p, 0700);
             ASSERT_EQ(::chown(p.c_str(), kOtherUser, kOtherUser), 0);
         },
         "belongs to user 65534"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "other user" && ::getuid() != 0) {
            continue;  // needs root to give a folder to another user
        }
        TempFolder base;
        const fs::path folder = base.path() / ("zel-gmouse-" + std::to_string(::getuid()));
        c.make(folder);
        const platform::Result<std::string> chosen = InstanceLockFolder(base.path());
        ASSERT_FALSE(chosen.ok());
        EXPECT_NE(chosen.error().message.find(folder.string()), std::string::npos)
            << chosen.error().message;
        EXPECT_NE(chosen.error().message.find(c.reason), std::string::npos)
            << chosen.error().message;
    }
}

TEST(InstanceLockName, OneLockForTheMachinesMouseAndOneForEachVirtualMouse) {
    EXPECT_EQ(InstanceLockName(""), "ZEL_GMouse.lock");
    const std::string a = InstanceLockName("/tmp/a/mouse.sock");
    EXPECT_EQ(a, InstanceLockName("/tmp/a/mouse.sock"));
    EXPECT_NE(a, InstanceLockName("/tmp/b/mouse.sock"));
    EXPECT_NE(a, InstanceLockName(""));
    // Programs and zel-gmousectl of other builds must find the same name.
    EXPECT_EQ(InstanceLockName("/tmp/mouse.sock"), "ZEL_GMouse-sim-68cfec75c5573423.lock");
}

TEST(InstanceState, TheAnnouncementNamesTheHoldersSocket) {
    struct Case {
        std::string state;
        std::string socket;
    };
    const std::vector<Case> cases = {
        {StateWithSocket(kStartingState, "/run/user/7/ZEL_GMouse.socket"),
         "/run/user/7/ZEL_GMouse.socket"},
        {StateWithSocket(kListeningState, "/tmp/zel-gmouse-7/ZEL_GMouse.socket"),
         "/tmp/zel-gmouse-7/ZEL_GMouse.socket"},
        {std::string(kListeningState), ""},  // an older holder: the reader's own socket
        {std::string(kNotListeningState) + "\n/the/reason", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SocketOfInstance(c.state), c.socket) << c.state;
    }
}

// systemd-tmpfiles takes an exclusive lock on a folder before it ages its files: while the
// holder runs, it cannot, and the lock file stays. The holder removes the file when it goes.
TEST(InstanceLock, TheHolderKeepsTheFolderFromBeingCleanedAndRemovesItsFileAtTheEnd) {
    TempFolder temp;
    const std::string path = InstanceLockPath(temp.path());
    platform::UniqueFd folder(::open(temp.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folder.valid());
    {
        InstanceLock lock;
        ASSERT_TRUE(lock.TryLock(path));
        EXPECT_NE(::flock(folder.get(), LOCK_EX | LOCK_NB), 0);
        EXPECT_TRUE(fs::exists(path));
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(::flock(folder.get(), LOCK_EX | LOCK_NB), 0);
}

// Programs for two mice (the machine's and a virtual one) hold two locks but may share a
// runtime folder: the later one does not take the earlier one's socket away.
TEST(InstanceServer, ASocketSomebodyListensOnIsNotReplaced) {
    TempFolder temp;
    const std::string path = InstanceSocketPath(temp.path());
    InstanceServer first;
    ASSERT_TRUE(first.Listen(path).ok());
    InstanceServer second;
    const platform::Result<void> refused = second.Listen(path);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("listens on " + path), std::string::npos)
        << refused.error().message;
    EXPECT_TRUE(ConnectToInstance(path).valid());
    EXPECT_TRUE(first.Accept().valid()) << "the connection reached the first";

    // A socket file left by a program that ended is replaced.
    first.Close();
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    EXPECT_TRUE(second.Listen(path).ok());
}

TEST(InstanceServer, ASocketPathTooLongIsRefusedWithItsReason) {
    TempFolder temp;
    const std::string folder = (temp / std::string(110, 'd')).string();
    fs::create_directory(folder);
    InstanceServer server;
    const platform::Result<void> listening = server.Listen(InstanceSocketPath(folder));
    ASSERT_FALSE(listening.ok());
    EXPECT_NE(listening.error().message.find("at most 107"), std::string::npos)
        << listening.error().message;
    EXPECT_TRUE(CheckInstanceSocketPath(InstanceSocketPath(temp.path())).ok());
}

}  // namespace
}  // namespace zel::control
