#include "sim/control_command.h"

#include <gtest/gtest.h>

#include "platform/sim_protocol.h"
#include "sim/command_line.h"

namespace zel::sim {
namespace {

using Kind = ControlCommand::Kind;

struct CommandCase {
    const char* text;
    bool ok;
    Kind kind;
    int button;
    std::vector<std::uint8_t> bytes;
    const char* canonical;  // FormatControlCommand of the parsed command
};

TEST(ControlCommand, ParsesEveryCommandAndRejectsMalformedOnes) {
    const CommandCase cases[] = {
        {"press 3", true, Kind::Press, 3, {}, "press 3"},
        {"  RELEASE\t6 \n", true, Kind::Release, 6, {}, "release 6"},
        {"click 1", true, Kind::Click, 1, {}, "click 1"},
        {"input 06f301", true, Kind::Input, 0, {0x06, 0xF3, 0x01}, "input 06f301"},
        {"input 06 F3 01 00", true, Kind::Input, 0, {0x06, 0xF3, 0x01, 0x00}, "input 06f30100"},
        {"unplug", true, Kind::Unplug, 0, {}, "unplug"},
        {"plug", true, Kind::Plug, 0, {}, "plug"},
        {"state", true, Kind::State, 0, {}, "state"},
        {"quit", true, Kind::Quit, 0, {}, "quit"},
        {"", false, {}, 0, {}, ""},
        {"   ", false, {}, 0, {}, ""},
        {"jump", false, {}, 0, {}, ""},
        {"pressed 3", false, {}, 0, {}, ""},
        {"press", false, {}, 0, {}, ""},
        {"press 0", false, {}, 0, {}, ""},
        {"press 7", false, {}, 0, {}, ""},
        {"press -1", false, {}, 0, {}, ""},
        {"press +3", false, {}, 0, {}, ""},
        {"press 3 4", false, {}, 0, {}, ""},
        {"press 99999999999999999999", false, {}, 0, {}, ""},
        {"click x", false, {}, 0, {}, ""},
        {"input", false, {}, 0, {}, ""},
        {"input 06f", false, {}, 0, {}, ""},
        {"input 0x06", false, {}, 0, {}, ""},
        {"input 06,f3", false, {}, 0, {}, ""},
        {"state now", false, {}, 0, {}, ""},
        {"quit please", false, {}, 0, {}, ""},
        {"\xff\xfe", false, {}, 0, {}, ""},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.text);
        const ControlCommandParse parsed = ParseControlCommand(c.text);
        ASSERT_EQ(parsed.command.has_value(), c.ok) << parsed.error;
        if (!c.ok) {
            EXPECT_FALSE(parsed.error.empty());
            continue;
        }
        EXPECT_EQ(parsed.command->kind, c.kind);
        EXPECT_EQ(parsed.command->button, c.button);
        EXPECT_EQ(parsed.command->bytes, c.bytes);
        EXPECT_EQ(FormatControlCommand(*parsed.command), c.canonical);
    }
}

TEST(ControlCommand, InputAcceptsUpToTheLargestReport) {
    const std::string largest = "input " + std::string(2 * kMaxReportLength, 'a');
    EXPECT_TRUE(ParseControlCommand(largest).command.has_value());
    EXPECT_FALSE(ParseControlCommand(largest + "aa").command.has_value());
}

TEST(ControlCommand, ErrorTextShowsNoRawControlBytes) {
    const ControlCommandParse parsed = ParseControlCommand("\x1b[2Jboom");
    ASSERT_FALSE(parsed.command);
    EXPECT_EQ(parsed.error.find('\x1b'), std::string::npos) << parsed.error;
}

struct LineCase {
    std::vector<std::string> args;
    CommandLine::Mode mode;
    bool ok;
};

TEST(CommandLine, ServeAndSendArguments) {
    using Mode = CommandLine::Mode;
    const LineCase cases[] = {
        {{"serve", "--socket", "/tmp/s"}, Mode::Serve, true},
        {{"serve", "--socket=/tmp/s", "--log", "/tmp/l", "--feature-len", "300", "--input-len", "3",
          "--unplugged"},
         Mode::Serve,
         true},
        {{"send", "--socket", "/tmp/s", "press", "3"}, Mode::Send, true},
        {{"send", "--socket", "/tmp/s", "input 06 f3"}, Mode::Send, true},
        {{"--help"}, Mode::Help, true},
        {{}, Mode::Help, false},
        {{"fly"}, Mode::Help, false},
        {{"serve"}, Mode::Help, false},
        {{"serve", "--socket"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--input-len", "2"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--input-len", "4097"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--feature-len", "1"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--feature-len", "8x"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--feature-len", "-8"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--feature-len", "+8"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--feature-len", " 8"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--input-len", "99999999999999999999999"},
         Mode::Help,
         false},
        {{"serve", "--socket", "/tmp/s", "--feature-len"}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--log="}, Mode::Help, false},
        {{"serve", "--socket", "/tmp/s", "--verbose"}, Mode::Help, false},
        {{"send", "state"}, Mode::Help, false},
        {{"send", "--socket", "/tmp/s"}, Mode::Help, false},
        {{"send", "--socket", "/tmp/s", "--now", "state"}, Mode::Help, false},
        {{"send", "--socket", "/tmp/s", "press", "9"}, Mode::Help, false},
    };
    for (const LineCase& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) {
            joined += arg + " ";
        }
        SCOPED_TRACE(joined);
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.error.empty(), c.ok) << line.error;
        if (c.ok) {
            EXPECT_EQ(line.mode, c.mode);
        }
    }
}

TEST(CommandLine, ServeOptionsAreTaken) {
    const std::vector<std::string> args = {"serve",         "--socket=/tmp/s", "--log",
                                           "/tmp/l",        "--feature-len",   "300",
                                           "--input-len=9", "--unplugged"};
    const CommandLine line = ParseCommandLine(args);
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.serve.socketPath, "/tmp/s");
    EXPECT_EQ(line.logPath, "/tmp/l");
    EXPECT_EQ(line.serve.lengths.feature, 300u);
    EXPECT_EQ(line.serve.lengths.input, 9u);
    EXPECT_TRUE(line.serve.startUnplugged);
}

TEST(CommandLine, SendJoinsTheCommandWords) {
    const std::vector<std::string> args = {"send", "--socket", "/tmp/s", "input", "06", "f3"};
    const CommandLine line = ParseCommandLine(args);
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(line.socketPath, "/tmp/s");
    EXPECT_EQ(line.command.kind, ControlCommand::Kind::Input);
    EXPECT_EQ(line.command.bytes, (std::vector<std::uint8_t>{0x06, 0xF3}));
}

namespace proto = zel::platform::sim_protocol;

TEST(SimProtocol, DescriptionRoundTrip) {
    proto::Description description;
    description.present = true;
    description.vendorId = 0x18F8;
    description.productId = 0x1286;
    description.collections = {{0xFF00, 1, 8, 0}, {0xFF01, 1, 0, 300}};
    const std::vector<std::uint8_t> message = proto::EncodeDescription(description);
    const auto decoded = proto::DecodeDescription(message);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->version, proto::kVersion);
    EXPECT_TRUE(decoded->present);
    EXPECT_EQ(decoded->vendorId, 0x18F8);
    EXPECT_EQ(decoded->productId, 0x1286);
    ASSERT_EQ(decoded->collections.size(), 2u);
    EXPECT_EQ(decoded->collections[1].usagePage, 0xFF01);
    EXPECT_EQ(decoded->collections[1].featureLength, 300);
    EXPECT_EQ(decoded->collections[0].inputLength, 8);
}

TEST(SimProtocol, MalformedDescriptionsAreRejected) {
    proto::Description description;
    description.present = true;
    description.collections = {{0xFF00, 1, 8, 0}};
    const std::vector<std::uint8_t> good = proto::EncodeDescription(description);
    std::vector<std::vector<std::uint8_t>> bad = {{}, {0x81}, {0x82, 1, 1, 0, 0, 0, 0, 0}};
    bad.emplace_back(good.begin(), good.end() - 1);  // cut short
    bad.push_back(good);
    bad.back().push_back(0);  // one byte too many
    bad.push_back(good);
    bad.back()[7] = 2;  // claims two collections
    bad.push_back(good);
    bad.back()[2] = 7;  // present is neither 0 nor 1
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(proto::DecodeDescription(bad[i]).has_value()) << "case " << i;
    }
    EXPECT_TRUE(proto::DecodeDescription(good).has_value());
}

TEST(SimProtocol, SocketPathLimits) {
    EXPECT_TRUE(proto::CheckSocketPath("/tmp/x.sock").ok());
    EXPECT_FALSE(proto::CheckSocketPath("").ok());
    EXPECT_FALSE(proto::CheckSocketPath(std::string(108, 'a')).ok());
    EXPECT_TRUE(proto::CheckSocketPath(std::string(107, 'a')).ok());
    EXPECT_FALSE(proto::CheckSocketPath(std::string("/tmp/a\0b", 8)).ok());
}

}  // namespace
}  // namespace zel::sim
