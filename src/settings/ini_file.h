#pragma once

// INI files in the Windows private-profile layout, read and written with the same rules as
// GetPrivateProfileStringW / WritePrivateProfileStringW, so files written on either system read
// the same on the other. Strings are UTF-8 in memory whatever the file's own encoding.
//
// Reading: names match without regard to case, blanks around names and values are ignored,
// one outer pair of matching quotes is stripped, the first matching section and within it the
// first matching key win, a line whose first non-blank character is ';' is a comment.
// Encodings: FF FE is UTF-16LE, EF BB BF is UTF-8, other valid UTF-8 is UTF-8, anything else
// Windows-1252. Lines end at CR, LF or CRLF.
// Writing keeps every other line byte for byte, and the file's encoding and line breaks.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_result.h"

namespace zel::ini {

inline constexpr std::size_t kDefaultBufferSize = 260;
// Every INI file the program reads (config.ini, the macro files, the layouts, a profile or macro
// file the user imports) is a few kB; anything over this is refused unread, so a huge file costs
// neither time nor memory.
inline constexpr std::size_t kMaxChosenFileBytes = 1024 * 1024;

// A parsed INI file that remembers its encoding, line endings and every line, so that writing
// a key changes only that key's line.
class IniDocument {
public:
    IniDocument();
    ~IniDocument();
    IniDocument(IniDocument&&) noexcept;
    IniDocument& operator=(IniDocument&&) noexcept;
    IniDocument(const IniDocument&);
    IniDocument& operator=(const IniDocument&);

    // A missing or unreadable file (or one over kMaxChosenFileBytes) gives an empty document.
    static IniDocument Load(const std::filesystem::path& file);
    static IniDocument Parse(std::string_view bytes);
    // A file the user chose to import: a missing, unreadable or non-regular file, or one over
    // kMaxChosenFileBytes, is refused with its reason and `document` is left alone.
    static FileResult LoadChosen(const std::filesystem::path& file, IniDocument& document);
    // A file of the program's own (config.ini): a missing file is an empty document; one that
    // exists but cannot be read (no permission, not a regular file, over kMaxChosenFileBytes)
    // is refused with its reason and `document` is left alone.
    static FileResult LoadExisting(const std::filesystem::path& file, IniDocument& document);

    // The value of the first matching key of the first matching section, cut to
    // bufferSize - 1 characters (code points); empty when the section or key is missing.
    std::string Get(std::string_view section, std::string_view key,
                    std::size_t bufferSize = kDefaultBufferSize) const;
    bool HasSection(std::string_view section) const;

    // Replaces the key in place, or adds it after the last key of its section, or appends the
    // section at the end. Refuses (returns false, document unchanged) what would not read back
    // as written: a line break anywhere, ']' in the section name, '=' in the key name, a key
    // name starting with ';' or '[', or text that is not UTF-8. A Windows-1252 document that
    // is given a character outside that code page becomes UTF-16LE (which Windows reads too)
    // rather than losing the character.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes in its own encoding and line endings (a new document: UTF-8, CRLF).
    // For a document that was not changed these are the bytes it was parsed from.
    std::string Serialize() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// GetPrivateProfileStringW with an empty default.
std::string ReadString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::size_t bufferSize = kDefaultBufferSize);

// WritePrivateProfileStringW. The file is replaced atomically under its lock; false when it
// could not be written or the write was refused (see IniDocument::Set), and then it is
// unchanged.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

// Removes what writes of `file` by processes that were killed left behind (their temporary
// files beside it). Writers that still run keep theirs. For the program's start.
void RemoveStaleWriteTemporaries(const std::filesystem::path& file);

// Several writes to one file committed as one atomic replacement: under the file's lock the
// current file is read again, the writes are applied in order and the result replaces it.
// If any write is refused, Commit writes nothing and returns false; CommitWithReason says why.
class IniWriteBatch {
public:
    explicit IniWriteBatch(std::filesystem::path file);
    void Write(std::string_view section, std::string_view key, std::string_view value);
    // Applies the writes in order to a document in memory, as Commit applies them to the file's
    // content; false, and `document` unchanged, when any is refused.
    bool ApplyTo(IniDocument& document) const;
    bool Commit();
    FileResult CommitWithReason();

    const std::filesystem::path& file() const { return file_; }
    std::size_t size() const { return writes_.size(); }

private:
    struct PendingWrite {
        std::string section;
        std::string key;
        std::string value;
    };
    std::filesystem::path file_;
    std::vector<PendingWrite> writes_;
};

}  // namespace zel::ini
