#include "platform/uevent_message.h"

namespace zel::platform {

std::optional<std::string_view> UeventMessage::Property(std::string_view key) const {
    for (const auto& [name, value] : properties) {
        if (name == key) {
            return std::string_view(value);
        }
    }
    return std::nullopt;
}

std::optional<UeventMessage> ParseKernelUevent(std::span<const char> datagram) {
    const std::string_view all(datagram.data(), datagram.size());
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find('\0', start);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        fields.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (fields.empty()) {
        return std::nullopt;
    }
    const std::string_view header = fields.front();
    const std::size_t at = header.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == header.size()) {
        return std::nullopt;
    }
    UeventMessage message;
    message.action = header.substr(0, at);
    message.devpath = header.substr(at + 1);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        if (equals == std::string_view::npos || equals == 0) {
            continue;
        }
        message.properties.emplace_back(fields[i].substr(0, equals), fields[i].substr(equals + 1));
    }
    const std::optional<std::string_view> action = message.Property("ACTION");
    if (action && *action != message.action) {
        return std::nullopt;
    }
    return message;
}

}  // namespace zel::platform
