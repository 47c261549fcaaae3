#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zel-atomic-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder_, ignored);
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Every name in the folder but `keep`: a temporary left behind shows here.
    int OtherEntries(const std::string& keep) const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            count += entry.path().filename() != keep ? 1 : 0;
        }
        return count;
    }
    fs::path folder_;
};

TEST_F(AtomicFileTest, PlacesTheBytesAsAskedAndLeavesNoTemporary) {
    struct Case {
        Placement placement;
        bool targetExists;
        bool placed;
        const char* contentAfter;
    };
    const Case cases[] = {
        {Placement::kReplace, false, true, "new"},
        {Placement::kReplace, true, true, "new"},
        {Placement::kCreateOnly, false, true, "new"},
        {Placement::kCreateOnly, true, false, "old"},  // an existing file is kept
    };
    for (const Case& c : cases) {
        const fs::path target = folder_ / "config.ini";
        fs::remove(target);
        if (c.targetExists) {
            std::ofstream(target, std::ios::binary) << "old";
        }
        const Result<bool> placed = WriteFileAtomically(target, "new", c.placement, {});
        ASSERT_TRUE(placed.ok()) << placed.error().message;
        EXPECT_EQ(*placed, c.placed);
        EXPECT_EQ(Read(target), c.contentAfter);
        EXPECT_EQ(OtherEntries("config.ini"), 0);
    }
}

TEST_F(AtomicFileTest, TheNewFileTakesTheAskedMode) {
    const fs::path target = folder_ / "Macro_EN.dat";
    NewFileAttributes attributes;
    attributes.setMode = true;
    attributes.mode = 0640;
    ASSERT_TRUE(WriteFileAtomically(target, "x", Placement::kCreateOnly, attributes).ok());
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, AFolderThatIsNotThereFailsWithItsReason) {
    const Result<bool> placed =
        WriteFileAtomically(folder_ / "missing" / "config.ini", "x", Placement::kReplace, {});
    ASSERT_FALSE(placed.ok());
    EXPECT_EQ(placed.error().code, ErrorCode::kIoError);
    EXPECT_EQ(placed.error().systemError, ENOENT);
}

TEST_F(AtomicFileTest, OnlyTemporariesOfEndedWritersAreRemoved) {
    const fs::path target = folder_ / "config.ini";
    // A pid no process has (beyond pid_max) and this process's own.
    const std::string ended = ".config.ini.tmp-2147483646-0-1";
    const std::string live = ".config.ini.tmp-" + std::to_string(::getpid()) + "-0-1";
    const std::string unrelated = ".other.ini.tmp-2147483646-0-1";
    for (const std::string& name : {ended, live, unrelated}) {
        std::ofstream(folder_ / name) << "partial";
    }
    RemoveStaleTemporaries(target);
    EXPECT_FALSE(fs::exists(folder_ / ended));
    EXPECT_TRUE(fs::exists(folder_ / live));
    EXPECT_TRUE(fs::exists(folder_ / unrelated));
}

}  // namespace
}  // namespace zel::platform
