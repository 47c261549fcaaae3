#include "platform/message_sink.h"

#include <cstdio>

namespace zel::platform {

void StderrMessageSink::ShowMessage(std::string_view text, std::string_view caption) {
    if (caption.empty()) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    } else {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
}

}  // namespace zel::platform
