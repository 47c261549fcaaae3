#include "app/session/startup_sequence.h"

#include <thread>

#include "text/catalog.h"
#include "text/console_text.h"

namespace zel::app {

MouseAtStart ReportMouseAtStart(const device::DiscoveryResult& discovery, std::int32_t languageFlag,
                                platform::MessageSink& messages, std::string_view caption) {
    if (!discovery.refusedNode.empty()) {
        messages.ShowMessage(text::Message(text::TextId::kAccessRefused, languageFlag,
                                           {{"{node}", discovery.refusedNode}}),
                             caption);
        return MouseAtStart::AccessRefused;
    }
    if (!discovery.found) {
        messages.ShowMessage(text::Message(text::TextId::kNoMouse, languageFlag), caption);
        return MouseAtStart::Missing;
    }
    return MouseAtStart::Found;
}

void WaitForMouseToSettle() {
    std::this_thread::sleep_for(kSettleTime);
}

platform::Result<void> MouseProblem(const device::DeviceLink& link) {
    if (link.found && link.IsWriteOpen()) {
        return platform::Ok();
    }
    return platform::Error{platform::ErrorCode::kUnavailable,
                           std::string(text::console::kNoConnectionToMouse)};
}

}  // namespace zel::app
