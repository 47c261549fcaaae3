#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel::platform {

// Where the program's user-visible messages go: a message box in the window, standard error
// in headless mode, a recorder in tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(std::string_view text, std::string_view caption = {}) = 0;
};

class StderrMessageSink final : public MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view caption = {}) override;
};

// Keeps every message, for tests.
class RecordingMessageSink final : public MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view /*caption*/ = {}) override {
        messages.emplace_back(text);
    }
    std::vector<std::string> messages;
};

}  // namespace zel::platform
