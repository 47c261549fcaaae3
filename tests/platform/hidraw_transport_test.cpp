#include "platform/hidraw_transport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

TEST(ParseHidId, ReadsBusVendorAndProduct) {
    struct Case {
        const char* text;
        std::optional<HidId> expected;
    };
    const std::vector<Case> cases = {
        {"0003:000018F8:00001286", HidId{0x0003, 0x18F8, 0x1286}},
        {"0005:0000046d:0000b01a", HidId{0x0005, 0x046D, 0xB01A}},
        {"0018:00000000:0000FFFF", HidId{0x0018, 0x0000, 0xFFFF}},
        {"3:18f8:1286", HidId{0x0003, 0x18F8, 0x1286}},
        {"", std::nullopt},
        {"0003:000018F8", std::nullopt},
        {"0003::00001286", std::nullopt},
        {"0003:000018F8:00001286:0001", std::nullopt},
        {"0003:000118F8:00001286", std::nullopt},  // vendor wider than 16 bits
        {"0003:0000000018F8:00001286", std::nullopt},
        {"0003:-18F8:00001286", std::nullopt},
        {"0003:000018G8:00001286", std::nullopt},
        {" 0003:000018F8:00001286", std::nullopt},
        {"0003:000018F8:00001286\n", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<HidId> id = ParseHidId(c.text);
        ASSERT_EQ(id.has_value(), c.expected.has_value());
        if (id) {
            EXPECT_EQ(id->bus, c.expected->bus);
            EXPECT_EQ(id->vendorId, c.expected->vendorId);
            EXPECT_EQ(id->productId, c.expected->productId);
        }
    }
}

TEST(HidrawNodeNumber, AcceptsOnlyHidrawNames) {
    EXPECT_EQ(HidrawNodeNumber("hidraw0"), 0u);
    EXPECT_EQ(HidrawNodeNumber("hidraw12"), 12u);
    for (const char* bad : {"hidraw", "hidraw-1", "hidraw1a", "event3", "hidraw99999999999", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(HidrawNodeNumber(bad).has_value());
    }
}

TEST(CollectionsOfNode, OneEntryPerTopLevelCollectionOnTheSamePath) {
    HidReportDescriptor descriptor;
    HidTopLevelCollection read;
    read.usagePage = 0xFF00;
    read.usage = 1;
    read.inputReportLength = 8;
    HidTopLevelCollection write;
    write.usagePage = 0xFF01;
    write.usage = 1;
    write.featureReportLength = 16;
    write.outputReportLength = 3;
    descriptor.collections = {read, write};

    const std::vector<HidCollectionInfo> infos =
        CollectionsOfNode("/dev/hidraw2", HidId{3, 0x18F8, 0x1286}, descriptor);
    ASSERT_EQ(infos.size(), 2u);
    for (const HidCollectionInfo& info : infos) {
        EXPECT_EQ(info.path, "/dev/hidraw2");
        EXPECT_EQ(info.vendorId, 0x18F8);
        EXPECT_EQ(info.productId, 0x1286);
    }
    EXPECT_EQ(infos[0].usagePage, 0xFF00);
    EXPECT_EQ(infos[0].inputReportLength, 8u);
    EXPECT_EQ(infos[0].featureReportLength, 0u);
    EXPECT_EQ(infos[1].usagePage, 0xFF01);
    EXPECT_EQ(infos[1].inputReportLength, 0u);
    EXPECT_EQ(infos[1].featureReportLength, 16u);
}

class HidrawTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zel_hidraw_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static HidCollectionInfo MouseCollection(std::string path) {
        HidCollectionInfo info;
        info.path = std::move(path);
        info.vendorId = 0x18F8;
        info.productId = 0x1286;
        info.usagePage = 0xFF01;
        info.usage = 1;
        info.inputReportLength = 0;
        info.featureReportLength = 8;
        return info;
    }

    fs::path dir_;
    std::vector<std::string> diagnostics_;
    HidrawTransport transport_{[this](std::string_view text) { diagnostics_.emplace_back(text); }};
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Whatever hidraw nodes this machine has, enumeration lists them in node order and fails
// on none; with no nodes at all it is empty and silent.
TEST_F(HidrawTransportTest, EnumeratesThisMachineWithoutError) {
    std::size_t nodes = 0;
    if (fs::exists("/sys/class/hidraw")) {
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/sys/class/hidraw")) {
            ++nodes;
        }
    }
    const std::vector<HidCollectionInfo> collections = transport_.Enumerate();
    if (nodes == 0) {
        EXPECT_TRUE(collections.empty());
        EXPECT_TRUE(diagnostics_.empty());
        return;
    }
    std::optional<unsigned> previous;
    for (const HidCollectionInfo& c : collections) {
        ASSERT_TRUE(c.path.starts_with("/dev/hidraw")) << c.path;
        const std::optional<unsigned> number = HidrawNodeNumber(c.path.substr(5));
        ASSERT_TRUE(number.has_value()) << c.path;
        if (previous) {
            EXPECT_LE(*previous, *number);
        }
        previous = number;
    }
}

TEST_F(HidrawTransportTest, OpenRefusesWhatIsNotAHidrawNode) {
    const fs::path regular = dir_ / "regular";
    std::ofstream(regular) << "not a device";
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        const char* name;
        std::string path;
        HidAccess access;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"missing path", (dir_ / "missing").string(), HidAccess::Read, "cannot open"},
        {"regular file", regular.string(), HidAccess::Read, "not a hidraw device"},
        {"character device of another kind", "/dev/null", HidAccess::Write, "not a hidraw device"},
        {"FIFO without a writer must not hang", fifo.string(), HidAccess::Read,
         "not a hidraw device"},
        {"FIFO without a reader must not hang", fifo.string(), HidAccess::Write, "cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        diagnostics_.clear();
        EXPECT_EQ(transport_.Open(MouseCollection(c.path), c.access), nullptr);
        ASSERT_EQ(diagnostics_.size(), 1u);
        EXPECT_TRUE(Contains(diagnostics_[0], c.path)) << diagnostics_[0];
        EXPECT_TRUE(Contains(diagnostics_[0], c.reason)) << diagnostics_[0];
    }
}

TEST_F(HidrawTransportTest, OpenRefusesReportsLongerThan256Bytes) {
    struct Case {
        std::size_t inputLength;
        std::size_t featureLength;
        const char* reason;  // nullptr = accepted as far as lengths go
    };
    const std::vector<Case> cases = {
        {8, 8, nullptr},
        {256, 256, nullptr},
        {257, 8, "257-byte input report"},
        {8, 300, "300-byte feature report"},
        {kHidReportLengthSaturation, 0, "65536-byte input report"},
    };
    for (const Case& c : cases) {
        HidCollectionInfo info = MouseCollection("/dev/null");
        info.inputReportLength = c.inputLength;
        info.featureReportLength = c.featureLength;
        const Result<void> fits = CheckReportLengths(info);
        ASSERT_EQ(fits.ok(), c.reason == nullptr);
        if (fits.ok()) {
            continue;
        }
        const std::string& refusal = fits.error().message;
        EXPECT_EQ(fits.error().code, ErrorCode::kUnsupported);
        EXPECT_TRUE(Contains(refusal, c.reason)) << refusal;
        EXPECT_TRUE(Contains(refusal, "longer than 256 bytes")) << refusal;

        // The refusal comes before the node is even looked at.
        diagnostics_.clear();
        for (HidAccess access : {HidAccess::Read, HidAccess::Write}) {
            EXPECT_EQ(transport_.Open(info, access), nullptr);
        }
        ASSERT_EQ(diagnostics_.size(), 2u);
        EXPECT_EQ(diagnostics_[0], refusal);
    }
}

TEST_F(HidrawTransportTest, WatchGivesAPollableWatcher) {
    const std::unique_ptr<HidDeviceWatcher> watcher = transport_.Watch();
    ASSERT_NE(watcher, nullptr);
    EXPECT_GE(watcher->PollFd(), 0);
    EXPECT_TRUE(watcher->TakeEvents().empty());
    EXPECT_TRUE(diagnostics_.empty());
}

}  // namespace
}  // namespace zel::platform
