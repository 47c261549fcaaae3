// IniDocument: the lines of one INI file, classified once when parsed, so that lookups need no
// re-parsing and writes touch only the line they change.

#include <utility>

#include "settings/ini_case_fold.h"
#include "settings/ini_encoding.h"
#include "settings/ini_file.h"
#include "settings/ini_file_io.h"
#include "settings/unicode_text.h"

namespace zel::ini {

using detail::Encoding;

namespace {

enum class LineBreak { kNone, kCr, kLf, kCrLf };
enum class LineKind { kBlank, kComment, kSection, kKey };

constexpr std::size_t kNoValue = std::string_view::npos;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Names given by the program are trimmed of spaces only, as Windows does.
std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view BreakText(LineBreak lineBreak) {
    switch (lineBreak) {
        case LineBreak::kCr:
            return "\r";
        case LineBreak::kLf:
            return "\n";
        case LineBreak::kCrLf:
            return "\r\n";
        case LineBreak::kNone:
            break;
    }
    return {};
}

struct Line {
    std::string text;  // UTF-8, without the line break
    std::string raw;   // the file's bytes, kept only when re-encoding text would differ
    bool hasRaw = false;
    LineBreak lineBreak = LineBreak::kNone;
    LineKind kind = LineKind::kBlank;
    std::string foldedName;  // section or key name, case-folded
    std::size_t nameBegin = 0;
    std::size_t nameLength = 0;
    std::size_t valueBegin = kNoValue;  // kNoValue: a key line without '='
    std::size_t valueLength = 0;

    std::string_view Name() const { return std::string_view(text).substr(nameBegin, nameLength); }
    std::string_view Value() const {
        if (valueBegin == kNoValue) {
            return {};
        }
        return std::string_view(text).substr(valueBegin, valueLength);
    }

    void SetText(std::string newText) {
        text = std::move(newText);
        raw.clear();
        hasRaw = false;
        Classify();
    }

    void Classify() {
        const std::string_view view(text);
        std::size_t first = 0;
        while (first < view.size() && IsBlank(view[first])) {
            ++first;
        }
        foldedName.clear();
        valueBegin = kNoValue;
        valueLength = 0;
        if (first == view.size()) {
            kind = LineKind::kBlank;
            return;
        }
        if (view[first] == ';') {
            kind = LineKind::kComment;
            return;
        }
        std::string_view name;
        if (view[first] == '[') {
            kind = LineKind::kSection;
            const std::size_t close = view.find(']', first + 1);
            const std::size_t end = close == std::string_view::npos ? view.size() : close;
            name = TrimBlanks(view.substr(first + 1, end - first - 1));
        } else {
            kind = LineKind::kKey;
            const std::size_t equals = view.find('=', first);
            const std::size_t end = equals == std::string_view::npos ? view.size() : equals;
            name = TrimBlanks(view.substr(first, end - first));
            if (equals != std::string_view::npos) {
                const std::string_view value = TrimBlanks(view.substr(equals + 1));
                valueBegin = value.empty() ? equals + 1 : value.data() - view.data();
                valueLength = value.size();
            }
        }
        nameBegin = name.empty() ? first : name.data() - view.data();
        nameLength = name.size();
        foldedName = detail::FoldCase(name);
    }
};

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool IsAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

struct IniDocument::Impl {
    Encoding encoding = Encoding::kUtf8;
    LineBreak newLineBreak = LineBreak::kCrLf;  // for lines this document adds
    std::vector<Line> lines;
    std::string danglingByte;  // the odd last byte of a UTF-16 file, kept until a change

    void AddLine(std::string_view raw, LineBreak lineBreak) {
        Line& line = lines.emplace_back();
        if (encoding == Encoding::kUtf8) {
            line.text.assign(raw);  // detection has already validated the whole file
        } else {
            bool lossless = true;
            line.text = detail::DecodeLine(raw, encoding, lossless);
            if (!lossless) {
                line.raw.assign(raw);
                line.hasRaw = true;
            }
        }
        line.lineBreak = lineBreak;
        line.Classify();
    }

    void SplitBytes(std::string_view body) {
        LineBreak firstBreak = LineBreak::kNone;
        auto add = [&](std::string_view raw, LineBreak lineBreak) {
            if (firstBreak == LineBreak::kNone) {
                firstBreak = lineBreak;
            }
            AddLine(raw, lineBreak);
        };
        if (encoding == Encoding::kUtf16LeBom) {
            if (body.size() % 2 != 0) {
                danglingByte.assign(body.substr(body.size() - 1));
                body.remove_suffix(1);
            }
            auto unitAt = [&](std::size_t byteIndex) {
                return static_cast<unsigned>(
                    static_cast<unsigned char>(body[byteIndex]) |
                    (static_cast<unsigned char>(body[byteIndex + 1]) << 8));
            };
            std::size_t start = 0;
            std::size_t i = 0;
            while (i < body.size()) {
                const unsigned unit = unitAt(i);
                if (unit != '\r' && unit != '\n') {
                    i += 2;
                    continue;
                }
                LineBreak lineBreak = unit == '\n' ? LineBreak::kLf : LineBreak::kCr;
                std::size_t next = i + 2;
                if (unit == '\r' && next < body.size() && unitAt(next) == '\n') {
                    lineBreak = LineBreak::kCrLf;
                    next += 2;
                }
                add(body.substr(start, i - start), lineBreak);
                start = i = next;
            }
            if (start < body.size()) {
                AddLine(body.substr(start), LineBreak::kNone);
            }
        } else {
            std::size_t start = 0;
            while (start < body.size()) {
                std::size_t pos = start;
                while (pos < body.size() && body[pos] != '\r' && body[pos] != '\n') {
                    ++pos;
                }
                if (pos == body.size()) {
                    AddLine(body.substr(start), LineBreak::kNone);
                    break;
                }
                LineBreak lineBreak = body[pos] == '\n' ? LineBreak::kLf : LineBreak::kCr;
                std::size_t next = pos + 1;
                if (body[pos] == '\r' && next < body.size() && body[next] == '\n') {
                    lineBreak = LineBreak::kCrLf;
                    ++next;
                }
                add(body.substr(start, pos - start), lineBreak);
                start = next;
            }
        }
        if (firstBreak != LineBreak::kNone) {
            newLineBreak = firstBreak;
        }
    }

    // Index of the first section header with this folded name, or lines.size().
    std::size_t FindSection(std::string_view foldedSection) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == LineKind::kSection && lines[i].foldedName == foldedSection) {
                return i;
            }
        }
        return lines.size();
    }

    // The line after the last line of the section whose header is at index header.
    std::size_t SectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != LineKind::kSection) {
            ++i;
        }
        return i;
    }

    std::string SerializeAs(Encoding target) const {
        std::string out(detail::ByteOrderMark(target));
        for (const Line& line : lines) {
            if (line.hasRaw && target == encoding) {
                out.append(line.raw);
            } else {
                detail::EncodeText(line.text, target, out);
            }
            detail::EncodeText(BreakText(line.lineBreak), target, out);
        }
        if (target == encoding) {
            out.append(danglingByte);
        }
        return out;
    }

    Line MakeLine(std::string text) const {
        Line line;
        line.lineBreak = newLineBreak;
        line.SetText(std::move(text));
        return line;
    }
};

IniDocument::IniDocument() : impl_(std::make_unique<Impl>()) {}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;
IniDocument::IniDocument(const IniDocument& other)
    : impl_(other.impl_ ? std::make_unique<Impl>(*other.impl_) : std::make_unique<Impl>()) {}
IniDocument& IniDocument::operator=(const IniDocument& other) {
    if (this != &other) {
        IniDocument copy(other);
        *this = std::move(copy);
    }
    return *this;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument document;
    Impl& impl = *document.impl_;
    const detail::DetectedEncoding detected = detail::DetectEncoding(bytes);
    impl.encoding = detected.encoding;
    bytes.remove_prefix(detected.bomSize);
    impl.lines.reserve(bytes.size() / 16 + 1);
    impl.SplitBytes(bytes);
    return document;
}

IniDocument IniDocument::Load(const std::filesystem::path& file) {
    std::string bytes;
    if (detail::ReadWholeFile(file, bytes) != detail::ReadResult::kRead) {
        return IniDocument();
    }
    return Parse(bytes);
}

std::string IniDocument::Get(std::string_view section, std::string_view key,
                             std::size_t bufferSize) const {
    if (!impl_ || bufferSize == 0) {
        return {};
    }
    const Impl& impl = *impl_;
    const std::size_t header = impl.FindSection(detail::FoldCase(TrimSpaces(section)));
    if (header == impl.lines.size()) {
        return {};
    }
    const std::string foldedKey = detail::FoldCase(TrimSpaces(key));
    const std::size_t end = impl.SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = impl.lines[i];
        if (line.kind != LineKind::kKey || line.foldedName != foldedKey) {
            continue;
        }
        std::string_view value = line.Value();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value.substr(0, text::PrefixBytes(value, bufferSize - 1)));
    }
    return {};
}

bool IniDocument::HasSection(std::string_view section) const {
    return impl_ &&
           impl_->FindSection(detail::FoldCase(TrimSpaces(section))) != impl_->lines.size();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimSpaces(section);
    key = TrimSpaces(key);
    const std::string_view keyStart = TrimBlanks(key);
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        (!keyStart.empty() && (keyStart.front() == ';' || keyStart.front() == '[')) ||
        !text::IsValidUtf8(section) || !text::IsValidUtf8(key) || !text::IsValidUtf8(value)) {
        return false;
    }
    if (!impl_) {
        impl_ = std::make_unique<Impl>();
    }
    Impl& impl = *impl_;

    if (!detail::IsRepresentable(section, impl.encoding) ||
        !detail::IsRepresentable(key, impl.encoding) ||
        !detail::IsRepresentable(value, impl.encoding)) {
        // Only Windows-1252 can fail; its lines decode losslessly, so they re-encode as is.
        impl.encoding = Encoding::kUtf16LeBom;
    }

    // Like Windows, a written file ends with a line break; a UTF-16 file's stray odd byte
    // would misalign everything written after it, so it goes.
    impl.danglingByte.clear();
    if (!impl.lines.empty() && impl.lines.back().lineBreak == LineBreak::kNone) {
        impl.lines.back().lineBreak = impl.newLineBreak;
    }

    std::string keyLine;
    const std::size_t header = impl.FindSection(detail::FoldCase(section));
    if (header == impl.lines.size()) {
        std::string headerText = "[";
        headerText.append(section).append("]");
        impl.lines.push_back(impl.MakeLine(std::move(headerText)));
        keyLine.append(key).append("=").append(value);
        impl.lines.push_back(impl.MakeLine(std::move(keyLine)));
        return true;
    }

    const std::string foldedKey = detail::FoldCase(key);
    const std::size_t end = impl.SectionEnd(header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i) {
        Line& line = impl.lines[i];
        if (line.kind != LineKind::kKey) {
            continue;
        }
        if (line.foldedName == foldedKey) {
            keyLine.append(line.Name()).append("=").append(value);
            line.SetText(std::move(keyLine));
            return true;
        }
        insertAt = i + 1;
    }
    keyLine.append(key).append("=").append(value);
    impl.lines.insert(impl.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      impl.MakeLine(std::move(keyLine)));
    return true;
}

std::string IniDocument::Serialize() const {
    if (!impl_) {
        return {};
    }
    const Impl& impl = *impl_;
    std::string out = impl.SerializeAs(impl.encoding);
    // Windows-1252 text changed by Set may happen to form valid UTF-8 (say "Ã©" is C3 A9),
    // and would then read back as other characters. Such a document is written as UTF-16LE,
    // which both systems read correctly. (The first line is never rewritten, so no change can
    // make a document start with a byte order mark.)
    if (impl.encoding == Encoding::kWindows1252 && !IsAscii(out) && text::IsValidUtf8(out)) {
        return impl.SerializeAs(Encoding::kUtf16LeBom);
    }
    return out;
}

}  // namespace zel::ini
