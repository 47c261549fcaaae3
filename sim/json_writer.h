#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zel::sim {

// Builds one flat JSON object, member by member, in insertion order.
class JsonObject {
public:
    JsonObject& AddString(std::string_view key, std::string_view value);
    JsonObject& AddInt(std::string_view key, std::int64_t value);
    JsonObject& AddBool(std::string_view key, bool value);
    JsonObject& AddIntArray(std::string_view key, std::span<const std::uint8_t> values);
    JsonObject& AddBoolArray(std::string_view key, std::span<const bool> values);
    // Adds every member of other after this object's members.
    JsonObject& Append(const JsonObject& other);

    // The finished object, e.g. {"a":1,"b":"x"}.
    std::string Text() const { return "{" + members_ + "}"; }

private:
    void Key(std::string_view key);
    std::string members_;
};

// value as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view value);

}  // namespace zel::sim
