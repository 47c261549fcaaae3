#include "platform/message_sink.h"

#include <gtest/gtest.h>

namespace zel::platform {
namespace {

TEST(RecordingMessageSink, KeepsMessagesInOrder) {
    RecordingMessageSink sink;
    MessageSink& asBase = sink;
    asBase.ShowMessage("first");
    asBase.ShowMessage("second", "caption");
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], "first");
    EXPECT_EQ(sink.messages[1], "second");
}

}  // namespace
}  // namespace zel::platform
