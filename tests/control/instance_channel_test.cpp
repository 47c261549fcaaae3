// Where the program and zel-gmousectl meet: the choice of the runtime folder and what the
// holder of the instance lock tells about itself.

#include "control/instance_channel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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
