#include "text/catalog.h"

#include "platform/edition.h"

namespace zel::text {

std::string_view Text(TextId id, std::int64_t languageFlag) {
    return platform::IsEnglishEdition(languageFlag) ? EnglishText(id) : SpanishText(id);
}

std::string FillText(std::string_view pattern, std::initializer_list<Placeholder> values) {
    std::string text;
    text.reserve(pattern.size());
    std::size_t at = 0;
    while (at < pattern.size()) {
        const Placeholder* match = nullptr;
        if (pattern[at] == '{') {
            for (const Placeholder& value : values) {
                if (!value.first.empty() && pattern.substr(at).starts_with(value.first)) {
                    match = &value;
                    break;
                }
            }
        }
        if (match != nullptr) {
            text += match->second;
            at += match->first.size();
        } else {
            text += pattern[at];
            ++at;
        }
    }
    return text;
}

std::string Message(TextId id, std::int64_t languageFlag,
                    std::initializer_list<Placeholder> values) {
    return FillText(Text(id, languageFlag), values);
}

}  // namespace zel::text
