#include "app/startup_sequence.h"

#include <thread>

#include "platform/edition.h"

namespace zel::app {

namespace {
constexpr const char* kMouseName = "KV270 Gaming Mouse";

// "Please plug-in【KV270 Gaming Mouse】USB Mouse", in the edition's language.
std::string NoMouseMessage(std::int32_t languageFlag) {
    if (platform::IsEnglishEdition(languageFlag)) {
        return std::string("Please plug-in【") + kMouseName + "】USB Mouse";
    }
    return std::string("Por favor inserte el【") + kMouseName + "】";
}

}  // namespace

MouseAtStart ReportMouseAtStart(const device::DiscoveryResult& discovery, std::int32_t languageFlag,
                                platform::MessageSink& messages, std::string_view caption) {
    if (!discovery.refusedNode.empty()) {
        messages.ShowMessage(device::AccessRefusedMessage(discovery.refusedNode, languageFlag),
                             caption);
        return MouseAtStart::AccessRefused;
    }
    if (!discovery.found) {
        messages.ShowMessage(NoMouseMessage(languageFlag), caption);
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
                           "ZEL_GMouse has no connection to the mouse"};
}

}  // namespace zel::app
