#include "control/control_protocol.h"

#include <gtest/gtest.h>

#include <vector>

namespace zel::control {
namespace {

TEST(ControlProtocol, RequestsSurviveTheRoundTrip) {
    const ControlRequest requests[] = {
        {false, "", {"list"}},
        {false, "/home/u/x y", {"set", "button1=Left Click", "dpi1=800"}},
        {false, "", {"macros", "show", "arg end", "end", ""}},
        {true, "", {}},
    };
    for (const ControlRequest& request : requests) {
        const auto bytes = EncodeRequest(request);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(RequestComplete(*bytes));
        const auto decoded = DecodeRequest(*bytes);
        ASSERT_TRUE(decoded) << *bytes;
        EXPECT_EQ(decoded->show, request.show);
        EXPECT_EQ(decoded->configDir, request.configDir);
        EXPECT_EQ(decoded->args, request.args);
    }
}

TEST(ControlProtocol, AWordWithALineBreakCannotBeSent) {
    EXPECT_FALSE(EncodeRequest({false, "", {"set", "a=b\nend"}}));
    EXPECT_FALSE(EncodeRequest({false, "/x\n", {"list"}}));
}

TEST(ControlProtocol, GarbageIsNoRequest) {
    for (const std::string& bytes :
         std::vector<std::string>{"", "show", "showshow\n", "show\nshow\n", "hide\n", "ctl\n",
                                  "ctl\narg x\n", "ctl\nbogus\nend\n", "ctl\narg x\nend\nmore",
                                  "ctl\narg x\ndir /y\nend\n", std::string("sh\0ow\n", 6)}) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(DecodeRequest(bytes));
    }
    // A first line that is not ours is complete at once: the server does not wait for more.
    EXPECT_TRUE(RequestComplete("hide\n"));
    EXPECT_FALSE(RequestComplete("ctl\narg x\n"));
}

TEST(ControlProtocol, RepliesSurviveTheRoundTrip) {
    const ControlReply replies[] = {
        {false, 0, "profile 3 applied\n", ""},
        {false, 2, "", "bad value\nexit 0\nout 3\n"},
        {false, 1, std::string("a\0b", 3), "err 5\n"},
        {true, 0, "", ""},
        {false, 0, "", "", true},
    };
    for (const ControlReply& reply : replies) {
        const auto decoded = DecodeReply(EncodeReply(reply));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->busy, reply.busy);
        EXPECT_EQ(decoded->elsewhere, reply.elsewhere);
        EXPECT_EQ(decoded->status, reply.status);
        EXPECT_EQ(decoded->out, reply.out);
        EXPECT_EQ(decoded->err, reply.err);
    }
}

TEST(ControlProtocol, ATruncatedOrPaddedReplyIsRefused) {
    const std::string whole = EncodeReply({false, 0, "hello", "x"});
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_FALSE(DecodeReply(whole.substr(0, cut))) << cut;
    }
    EXPECT_FALSE(DecodeReply(whole + "!"));
    EXPECT_FALSE(DecodeReply("busy\nexit 0\nout 0\nerr 0\n"));
    EXPECT_FALSE(DecodeReply("exit x\nout 0\nerr 0\n"));
    EXPECT_FALSE(DecodeReply("exit 0\nout 99999999999999999999\n"));
}

}  // namespace
}  // namespace zel::control
