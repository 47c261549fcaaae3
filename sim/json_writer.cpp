#include "sim/json_writer.h"

#include "platform/hex_text.h"

namespace zel::sim {

std::string JsonQuote(std::string_view value) {
    std::string out = "\"";
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u" + platform::HexNumber(byte, 4);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

void JsonObject::Key(std::string_view key) {
    if (!members_.empty()) {
        members_ += ',';
    }
    members_ += JsonQuote(key);
    members_ += ':';
}

JsonObject& JsonObject::AddString(std::string_view key, std::string_view value) {
    Key(key);
    members_ += JsonQuote(value);
    return *this;
}

JsonObject& JsonObject::AddInt(std::string_view key, std::int64_t value) {
    Key(key);
    members_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::AddBool(std::string_view key, bool value) {
    Key(key);
    members_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::AddIntArray(std::string_view key, std::span<const std::uint8_t> values) {
    Key(key);
    members_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        members_ += (i ? "," : "") + std::to_string(values[i]);
    }
    members_ += ']';
    return *this;
}

JsonObject& JsonObject::AddBoolArray(std::string_view key, std::span<const bool> values) {
    Key(key);
    members_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        members_ += i ? "," : "";
        members_ += values[i] ? "true" : "false";
    }
    members_ += ']';
    return *this;
}

JsonObject& JsonObject::Append(const JsonObject& other) {
    if (!other.members_.empty()) {
        members_ += members_.empty() ? "" : ",";
        members_ += other.members_;
    }
    return *this;
}

}  // namespace zel::sim
