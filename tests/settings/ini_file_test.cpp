#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ini_test_files.h"

namespace zel::ini {
namespace {

using zel::testing::EndedProcess;
using zel::testing::ReadBytes;
using zel::testing::TempFolder;
using zel::testing::Utf16LeFromLatin1;
using zel::testing::WriteBytes;

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size()) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Reading: the cases that pin down how Windows reads private-profile files.

const std::string kFileF =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";
const std::string kFileD = "[S]\r\nK=V\r\n[S2]\r\nK2=V2\r\n";

struct ReadCase {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file at all
    std::string section;
    std::string key;
    std::size_t bufferSize;
    std::string expected;
};

std::vector<ReadCase> ReadCases() {
    const std::size_t d = kDefaultBufferSize;
    return {
        {"plain", kFileF, "section1", "name1", d, "val1"},
        {"key case", kFileF, "section1", "NaMe1", d, "val1"},
        {"section case", kFileF, "SECTION1", "name1", d, "val1"},
        {"quotes stripped", kFileF, "section1", "name2", d, "val2"},
        {"cut to 3", kFileF, "section1", "name1", 4, "val"},
        {"cut to 4", kFileF, "section1", "name1", 5, "val1"},
        {"buffer 1", kFileF, "section1", "name1", 1, ""},
        {"buffer 0", kFileF, "section1", "name1", 0, ""},
        {"key without =", kFileF, "section1", "name3", d, ""},
        {"last key", kFileF, "section1", "name4", d, "a"},
        {"missing key", kFileF, "section1", "notakey", d, ""},
        {"missing section", kFileF, "notasection", "name1", d, ""},
        {"key of other section", kFileF, "section2", "name1", d, ""},
        {"no file", std::nullopt, "section1", "name1", d, ""},
        {"empty file", "", "section1", "name1", d, ""},
        {"first key wins", "[S]\r\nK=V1\r\nK=V2", "S", "K", d, "V1"},
        {"first section wins", "[S]\r\n[S]\r\nK=V", "S", "K", d, ""},
        {"first section wins, later keys", "[S]\r\nA=1\r\n[T]\r\n[s]\r\nK=V\r\n", "S", "K", d, ""},
        {"blanks around name and value", "[S]\r\n\tK\t=\tV\t\r\n", "S", "K", d, "V"},
        {"vertical tab is blank", "[S]\r\n\vK \v= \vV\v\r\n", "S", "K", d, "V"},
        {"blanks in header", " [ x ]\r\nK=V\r\n", "x", "K", d, "V"},
        {"spaces of given names ignored", "[x]\r\nK=V\r\n", "  x ", " K  ", d, "V"},
        {"quotes after trimming", "[S]\r\nK=  \"   V   \"  ", "S", "K", d, "   V   "},
        {"single quotes, inner kept", "[S]\r\nK='\"V\"'", "S", "K", d, "\"V\""},
        {"mismatched quotes kept", "[S]\r\nK=\"V'", "S", "K", d, "\"V'"},
        {"lone quote kept", "[S]\r\nK=\"", "S", "K", d, "\""},
        {"empty quotes", "[S]\r\nK=\"\"", "S", "K", d, ""},
        {"quotes stripped before cut", "[S]\r\nK=\"abcdef\"", "S", "K", 4, "abc"},
        {"comment line", "[S]\r\n ;K=V\r\nL=;v\r\n", "S", "K", d, ""},
        {"semicolon inside value", "[S]\r\n ;K=V\r\nL=;v\r\n", "S", "L", d, ";v"},
        {"hash is no comment", "[S]\r\n#K=V\r\n", "S", "#K", d, "V"},
        {"no inline comment", "[S]\r\nK=V ; note\r\n", "S", "K", d, "V ; note"},
        {"text after ] ignored", "[S]x]\r\nK=V", "S", "K", d, "V"},
        {"header without ]", "[S   \r\nK=V", "S", "K", d, "V"},
        {"S] is no header", "S]\r\nK=V", "S", "K", d, ""},
        {"value split at first =", "[S]\r\nK=a=b\r\n", "S", "K", d, "a=b"},
        {"empty key name", "[S]\r\n=v\r\n", "S", "", d, "v"},
        {"lines before first section", "K=V\r\n[S]\r\n", "S", "K", d, ""},
        {"value keeps case", "[S]\r\nK=MiXeD\r\n", "s", "k", d, "MiXeD"},
        {"cut", "[S]\r\nK=TestValue\r\n", "S", "K", 5, "Test"},
        {"UTF-16LE", Utf16LeFromLatin1(kFileD), "S", "K", d, "V"},
        {"UTF-16LE second section", Utf16LeFromLatin1(kFileD), "s2", "k2", d, "V2"},
        {"UTF-8 with BOM", "\xEF\xBB\xBF[S]\r\nK=V\r\n", "S", "K", d, "V"},
        {"UTF-8 value", "[S]\r\nK=caf\xC3\xA9\r\n", "S", "K", d, "caf\xC3\xA9"},
        {"cut counts characters", "[S]\r\nK=\xC3\xA9\xC3\xA9\xC3\xA9\r\n", "S", "K", 3,
         "\xC3\xA9\xC3\xA9"},
        {"cut keeps 4-byte character whole", "[S]\r\nK=a\xF0\x9F\x98\x80z\r\n", "S", "K", 3,
         "a\xF0\x9F\x98\x80"},
        {"Windows-1252", "[S]\r\nK=caf\xE9 \x80\x9F\x81\r\n", "S", "K", d,
         "caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8\xC2\x81"},
        {"Windows-1252 cut counts characters", "[S]\r\nK=\x80\x80\x80\r\n", "S", "K", 3,
         "\xE2\x82\xAC\xE2\x82\xAC"},
        {"Latin-1 name case", "[\xC3\x89T\xC3\x89]\r\nK=V\r\n", "\xC3\xA9t\xC3\xA9", "k", d, "V"},
        {"Cyrillic name case", "[\xD0\x9F]\r\nK=V\r\n", "\xD0\xBF", "K", d, "V"},
    };
}

class IniReadTable : public ::testing::TestWithParam<std::string_view> {};

// Every case with CRLF as written, and again with every CRLF turned into CR alone and LF alone.
TEST_P(IniReadTable, ReadsLikeWindows) {
    const std::string_view lineBreak = GetParam();
    TempFolder folder;
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.name);
        const bool utf16 = c.file && c.file->starts_with("\xFF\xFE");
        std::optional<std::string> file = c.file;
        if (file && !utf16) {
            file = ReplaceAll(*file, "\r\n", lineBreak);
        } else if (file && lineBreak != "\r\n") {
            file =
                ReplaceAll(*file, std::string("\r\0\n\0", 4), Utf16LeFromLatin1(lineBreak, false));
        }
        const IniDocument document = IniDocument::Parse(file.value_or(""));
        EXPECT_EQ(document.Get(c.section, c.key, c.bufferSize), c.expected);

        const auto path = folder / "case.ini";
        std::filesystem::remove(path);
        if (file) {
            WriteBytes(path, *file);
        }
        EXPECT_EQ(ReadString(path, c.section, c.key, c.bufferSize), c.expected);
        EXPECT_EQ(IniDocument::Load(path).Get(c.section, c.key, c.bufferSize), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, IniReadTable, ::testing::Values("\r\n", "\r", "\n"),
                         [](const auto& info) {
                             return info.param == "\r\n" ? std::string("CRLF")
                                    : info.param == "\r" ? std::string("CR")
                                                         : std::string("LF");
                         });

TEST(IniDocument, HasSectionIgnoresCaseAndFindsEmptySections) {
    const IniDocument document = IniDocument::Parse(kFileF);
    EXPECT_TRUE(document.HasSection("SECTION2"));
    EXPECT_TRUE(document.HasSection(" section1 "));
    EXPECT_FALSE(document.HasSection("section3"));
    EXPECT_FALSE(IniDocument().HasSection(""));
}

// ---------------------------------------------------------------------------------------------
// Writing: the same cases through a parsed document, through one file write per call, and
// through one batch, which must all give the same bytes.

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

struct WriteCase {
    const char* name;
    std::optional<std::string> before;
    std::vector<Write> writes;
    std::string after;
};

std::vector<WriteCase> WriteCases() {
    return {
        {"new file, empty value", std::nullopt, {{"App", "key", ""}}, "[App]\r\nkey=\r\n"},
        {"new file, sections in order",
         std::nullopt,
         {{"App1", "key1", "string1"},
          {"App1", "key2", "string2"},
          {"App1", "key3", "string3"},
          {"App2", "key4", "string4"},
          {"App3", "key5", "string5"}},
         "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
         "[App3]\r\nkey5=string5\r\n"},
        {"new keys after the last key",
         "[S]\r\nb=value\r\na=value\r\n",
         {{"S", "z", ""}, {"S", "b", ""}, {"S", "y", ""}, {"S", "a", ""}},
         "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
        {"comments stay where they are",
         ";c0\r\n[S]\r\n;c1\r\nb=v\r\n;c2\r\na=v\r\n",
         {{"S", "z", ""}, {"S", "y", ""}, {"S", "a", ""}, {"S", "b", ""}},
         ";c0\r\n[S]\r\n;c1\r\nb=\r\n;c2\r\na=\r\nz=\r\ny=\r\n"},
        {"trailing comment stays below new key",
         "[S]\r\na=v\r\n;end\r\n\r\n[T]\r\n",
         {{"S", "b", "1"}},
         "[S]\r\na=v\r\nb=1\r\n;end\r\n\r\n[T]\r\n"},
        {"section without keys",
         "[S]\r\n;only a comment\r\n[T]\r\nk=v\r\n",
         {{"S", "a", "1"}},
         "[S]\r\na=1\r\n;only a comment\r\n[T]\r\nk=v\r\n"},
        {"replace keeps spelling, adds final break",
         "[Sec]\r\nKey=V",
         {{"SEC", "KEY", "V2"}},
         "[Sec]\r\nKey=V2\r\n"},
        {"replace drops blanks around =",
         "[S]\r\n\tK\t=\tV\t\r\nL = x\r\n",
         {{"s", "k", "W"}},
         "[S]\r\nK=W\r\nL = x\r\n"},
        {"replace key without =", "[S]\r\nname3\r\n", {{"S", "NAME3", "x"}}, "[S]\r\nname3=x\r\n"},
        {"text before first section",
         "Data before first section",
         {{"section1", "key1", "string1"}},
         "Data before first section\r\n[section1]\r\nkey1=string1\r\n"},
        {"new section after other sections",
         "[A]\r\nk=1\r\n\r\n;tail\r\n",
         {{"B", "k", "2"}},
         "[A]\r\nk=1\r\n\r\n;tail\r\n[B]\r\nk=2\r\n"},
        {"only first duplicate section is written",
         "[S]\r\nA=1\r\n[S]\r\nA=2\r\n",
         {{"S", "A", "3"}, {"S", "B", "4"}},
         "[S]\r\nA=3\r\nB=4\r\n[S]\r\nA=2\r\n"},
        {"only first duplicate key is written",
         "[S]\r\nA=1\r\nA=2\r\n",
         {{"S", "a", "3"}},
         "[S]\r\nA=3\r\nA=2\r\n"},
        {"LF file stays LF", "[S]\nK=V\n", {{"S", "K", "W"}, {"S", "L", "X"}}, "[S]\nK=W\nL=X\n"},
        {"CR file stays CR",
         "[S]\rK=V\r",
         {{"S", "L", "X"}, {"T", "M", "Y"}},
         "[S]\rK=V\rL=X\r[T]\rM=Y\r"},
        {"mixed breaks: new lines use the first",
         "[S]\nK=V\r\n",
         {{"S", "L", "X"}},
         "[S]\nK=V\r\nL=X\n"},
        {"value written as given", std::nullopt, {{"S", "K", " \"q\" "}}, "[S]\r\nK= \"q\" \r\n"},
        {"UTF-8 BOM kept",
         "\xEF\xBB\xBF[S]\r\n",
         {{"S", "K", "\xC3\xA9"}},
         "\xEF\xBB\xBF[S]\r\nK=\xC3\xA9\r\n"},
        {"Windows-1252 kept",
         "[S]\r\nA=caf\xE9\r\n",
         {{"S", "B", "\xE2\x82\xAC\xC3\xBF"}},
         "[S]\r\nA=caf\xE9\r\nB=\x80\xFF\r\n"},
        {"Windows-1252 becomes UTF-16LE for other characters",
         "[S]\r\nA=\xE9\r\n",
         {{"S", "B", "\xE2\x84\x96"}},  // NUMERO SIGN, not in the code page
         Utf16LeFromLatin1("[S]\r\nA=\xE9\r\nB=") + std::string("\x16\x21\r\0\n\0", 6)},
        {"Windows-1252 that would read as UTF-8 becomes UTF-16LE",
         "[S]\r\nA=\xE9\r\n",
         {{"S", "A", "\xC3\x83\xC2\xA9"}},  // "Ã©": the bytes C3 A9 would read as UTF-8
         Utf16LeFromLatin1("[S]\r\nA=\xC3\xA9\r\n")},
    };
}

TEST(IniWriteTable, DocumentFileAndBatchAgree) {
    TempFolder folder;
    for (const WriteCase& c : WriteCases()) {
        SCOPED_TRACE(c.name);
        IniDocument document = IniDocument::Parse(c.before.value_or(""));
        for (const Write& w : c.writes) {
            EXPECT_TRUE(document.Set(w.section, w.key, w.value));
        }
        EXPECT_EQ(document.Serialize(), c.after);

        const auto single = folder / "single.ini";
        const auto batched = folder / "batched.ini";
        std::filesystem::remove(single);
        std::filesystem::remove(batched);
        if (c.before) {
            WriteBytes(single, *c.before);
            WriteBytes(batched, *c.before);
        }
        IniWriteBatch batch(batched);
        for (const Write& w : c.writes) {
            EXPECT_TRUE(WriteString(single, w.section, w.key, w.value));
            batch.Write(w.section, w.key, w.value);
        }
        EXPECT_TRUE(batch.Commit());
        EXPECT_EQ(ReadBytes(single), c.after);
        EXPECT_EQ(ReadBytes(batched), c.after);
        // What was written reads back (values whose blanks or quotes reading strips aside).
        const IniDocument written = IniDocument::Parse(c.after);
        for (const Write& w : c.writes) {
            std::string last;
            for (const Write& x : c.writes) {
                if (x.section == w.section && x.key == w.key) {
                    last = x.value;
                }
            }
            if (last.find_first_of(" \"'") == std::string::npos) {
                EXPECT_EQ(written.Get(w.section, w.key), last) << w.section << "/" << w.key;
            }
        }
    }
}

// An unchanged document gives back the bytes it was parsed from, whatever they are.
TEST(IniDocument, SerializeOfUnchangedDocumentIsIdentity) {
    const std::vector<std::string> inputs = {
        "",
        kFileF,
        ReplaceAll(kFileF, "\r\n", "\r"),
        "no final break",
        "\r\n\r\n\n\r",
        Utf16LeFromLatin1(kFileD),
        Utf16LeFromLatin1(kFileD) + "x",          // odd length
        std::string("\xFF\xFE\x00\xD8[\0", 6),    // lone surrogate
        "\xEF\xBB\xBF[S]\r\nK=\xFF\xFE\r\n",      // UTF-8 BOM with invalid bytes
        "[S]\r\nK=\x81\x8D\x8F\x90\x9D\xFF\r\n",  // Windows-1252, undefined bytes too
        std::string("[S]\0\r\nK=\0V\r\n", 13),
    };
    for (const std::string& input : inputs) {
        EXPECT_EQ(IniDocument::Parse(input).Serialize(), input);
    }
}

TEST(IniDocument, Utf16RoundTripKeepsEncodingAndCharacters) {
    TempFolder folder;
    const auto path = folder / "wide.ini";
    WriteBytes(path, Utf16LeFromLatin1(kFileD));
    const std::string text = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xE4\xB8\xAD";  // é € 😀 中
    ASSERT_TRUE(WriteString(path, "S2", "Name", text));
    ASSERT_TRUE(WriteString(path, "s", "k", "W"));

    const std::string bytes = ReadBytes(path);
    const std::string expected =
        Utf16LeFromLatin1("[S]\r\nK=W\r\n[S2]\r\nK2=V2\r\nName=") +
        std::string("\xE9\x00\xAC\x20\x3D\xD8\x00\xDE\x20\x00\x2D\x4E\r\0\n\0", 16);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(ReadString(path, "S2", "name"), text);
    EXPECT_EQ(ReadString(path, "S2", "name", 4), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(IniDocument, RefusesWritesThatWouldBreakTheFile) {
    const std::string before = "[S]\r\nK=V\r\n";
    const std::vector<Write> refused = {
        {"S", "K", "two\r\nlines"}, {"S", "K", "cr\r"}, {"S", "K", "lf\n"},
        {"S\n", "K", "v"},          {"S", "K\r", "v"},  {"a]b", "K", "v"},
        {"S", "a=b", "v"},          {"S", ";K", "v"},   {"S", " \t[K", "v"},
        {"S", "K", "\xFF"},         {"\xC3", "K", "v"}, {"S", "\xED\xA0\x80", "v"},
    };
    TempFolder folder;
    const auto path = folder / "refuse.ini";
    WriteBytes(path, before);
    for (const Write& w : refused) {
        SCOPED_TRACE(w.section + "/" + w.key + "/" + w.value);
        IniDocument document = IniDocument::Parse(before);
        EXPECT_FALSE(document.Set(w.section, w.key, w.value));
        EXPECT_EQ(document.Serialize(), before);
        EXPECT_FALSE(WriteString(path, w.section, w.key, w.value));
        EXPECT_EQ(ReadBytes(path), before);

        IniWriteBatch batch(path);
        batch.Write("S", "Good", "1");
        batch.Write(w.section, w.key, w.value);
        EXPECT_FALSE(batch.Commit());
        EXPECT_EQ(ReadBytes(path), before);
    }
}

// ---------------------------------------------------------------------------------------------
// Bad input never crashes and still gives sensible answers.

TEST(IniDocument, SurvivesHostileInput) {
    std::mt19937 random(12345);
    std::string garbage(200000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random() & 0xFF);
    }
    const std::string longValue(100000, 'x');
    const std::string longLine = "[S]\r\nK=" + longValue + "\r\n" + std::string(100000, '[');
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"binary garbage", garbage},
        {"garbage after BOM", "\xFF\xFE" + garbage},
        {"garbage after UTF-8 BOM", "\xEF\xBB\xBF" + garbage},
        {"100000-character lines", longLine},
        {"odd UTF-16", Utf16LeFromLatin1("[S]\r\nK=V") + "\x01"},
        {"only a BOM", "\xFF\xFE"},
        {"only brackets", "[[[]]]]]===;;;\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniDocument document = IniDocument::Parse(c.bytes);
        (void)document.Get("S", "K");
        EXPECT_EQ(document.Serialize(), c.bytes);
        ASSERT_TRUE(document.Set("S", "K", "new"));
        ASSERT_TRUE(document.Set("Other", "X", "1"));
        const IniDocument again = IniDocument::Parse(document.Serialize());
        EXPECT_EQ(again.Get("S", "K"), "new");
        EXPECT_EQ(again.Get("other", "x"), "1");
    }
    const IniDocument longDocument = IniDocument::Parse(longLine);
    EXPECT_EQ(longDocument.Get("S", "K"), longValue.substr(0, kDefaultBufferSize - 1));
    EXPECT_EQ(longDocument.Get("S", "K", longValue.size() + 1), longValue);

    IniDocument odd = IniDocument::Parse(Utf16LeFromLatin1("[S]\r\nK=V") + "\x01");
    EXPECT_EQ(odd.Get("S", "K"), "V");  // a stray last byte is no character
    ASSERT_TRUE(odd.Set("S", "L", "2"));
    const std::string rewritten = odd.Serialize();
    EXPECT_EQ(rewritten.size() % 2, 0u);
    EXPECT_EQ(IniDocument::Parse(rewritten).Get("S", "L"), "2");
}

TEST(IniDocument, CopiesAndMovesAreIndependent) {
    IniDocument original = IniDocument::Parse(kFileD);
    IniDocument copy = original;
    ASSERT_TRUE(copy.Set("S", "K", "changed"));
    EXPECT_EQ(original.Get("S", "K"), "V");
    IniDocument moved = std::move(copy);
    EXPECT_EQ(moved.Get("S", "K"), "changed");
    copy = original;  // a moved-from document can be assigned again
    EXPECT_EQ(copy.Get("S", "K"), "V");
}

// ---------------------------------------------------------------------------------------------
// Concurrency and failure.

TEST(IniFileConcurrency, TwoThreadsWritingDifferentKeysLoseNothing) {
    TempFolder folder;
    const auto path = folder / "shared.ini";
    WriteBytes(path, "[Keep]\r\nx=1\r\n");
    constexpr int kWrites = 200;
    auto writer = [&](const char* prefix) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_TRUE(
                WriteString(path, "Config1", prefix + std::to_string(i), std::to_string(i * 7)));
        }
    };
    std::thread first(writer, "A");
    std::thread second(writer, "B");
    first.join();
    second.join();
    const IniDocument result = IniDocument::Load(path);
    EXPECT_EQ(result.Get("Keep", "x"), "1");
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(result.Get("Config1", "A" + std::to_string(i)), std::to_string(i * 7));
        EXPECT_EQ(result.Get("Config1", "B" + std::to_string(i)), std::to_string(i * 7));
    }
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Another process that uses this layer is serialised by the folder lock, not by the mutex.
TEST(IniFileConcurrency, TwoProcessesWritingDifferentKeysLoseNothing) {
    TempFolder folder;
    const auto path = folder / "shared.ini";
    constexpr int kWrites = 100;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const char* prefix = child == 0 ? "Child" : "Parent";
    bool allWritten = true;
    for (int i = 0; i < kWrites; ++i) {
        allWritten = WriteString(path, "S", prefix + std::to_string(i), "v") && allWritten;
    }
    if (child == 0) {
        ::_exit(allWritten ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(allWritten);
    const IniDocument result = IniDocument::Load(path);
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(result.Get("S", "Child" + std::to_string(i)), "v");
        EXPECT_EQ(result.Get("S", "Parent" + std::to_string(i)), "v");
    }
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

// The write fails halfway (the file system refuses more bytes than a limit): the old file
// stays and no temporary file is left. Runs in a child process so the limit stays there.
TEST(IniFileFailure, FailedWriteLeavesFileUnchanged) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    const std::string before = "[S]\r\nK=V\r\n";
    WriteBytes(path, before);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = WriteString(path, "S", "K", std::string(1000, 'x'));
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported failure";
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(IniFileFailure, MissingFolderOrNonFileFails) {
    TempFolder folder;
    EXPECT_FALSE(WriteString(folder / "no-such-folder" / "x.ini", "S", "K", "V"));
    EXPECT_FALSE(std::filesystem::exists(folder / "no-such-folder"));
    std::filesystem::create_directory(folder / "dir.ini");
    EXPECT_FALSE(WriteString(folder / "dir.ini", "S", "K", "V"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "dir.ini"));
    EXPECT_EQ(ReadString(folder / "dir.ini", "S", "K"), "");
}

// Runs a write as an unprivileged user (in a child process when we are root, whom permission
// checks do not stop) and returns whether it reported success.
bool WriteWithoutPrivileges(const std::filesystem::path& path, const std::string& value) {
    if (::geteuid() != 0) {
        return WriteString(path, "S", "K", value);
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(2);
        }
        ::_exit(WriteString(path, "S", "K", value) ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 2) {
        ADD_FAILURE() << "could not run the write unprivileged";
        return true;
    }
    return WEXITSTATUS(status) == 1;
}

TEST(IniFileFailure, ReadOnlyFolderOrUnreadableFileFails) {
    using std::filesystem::perms;
    TempFolder folder;
    const auto path = folder / "config.ini";
    const std::string before = "[S]\r\nK=V\r\n";
    WriteBytes(path, before);

    // The folder refuses the temporary file.
    std::filesystem::permissions(
        path, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    std::filesystem::permissions(folder.path(), perms::owner_read | perms::owner_exec |
                                                    perms::group_read | perms::group_exec |
                                                    perms::others_read | perms::others_exec);
    EXPECT_FALSE(WriteWithoutPrivileges(path, "W"));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);

    // The folder is writable but the file cannot be read: replacing it would lose its content.
    std::filesystem::permissions(folder.path(), perms::all);
    std::filesystem::permissions(path, perms::owner_write);
    EXPECT_FALSE(WriteWithoutPrivileges(path, "W"));
    std::filesystem::permissions(path, perms::owner_read);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

// A file write-protected for the running user is never replaced, although the rename would
// succeed in its writable folder. For root, whom permissions do not stop, that is a file
// without any write bit.
TEST(IniFileFailure, WriteProtectedFileIsNeverReplaced) {
    using std::filesystem::perms;
    TempFolder folder;
    const auto path = folder / "config.ini";
    const std::string before = "[S]\r\nK=V\r\n";
    WriteBytes(path, before);
    std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
    EXPECT_FALSE(WriteString(path, "S", "K", "W"));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);

    // Writable by its owner only, in a folder anybody may write: another user leaves it alone.
    std::filesystem::permissions(path, perms::owner_write, std::filesystem::perm_options::add);
    std::filesystem::permissions(folder.path(), perms::all);
    if (::geteuid() == 0) {
        EXPECT_FALSE(WriteWithoutPrivileges(path, "W"));
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(EntriesIn(folder.path()), 1u);
    }
    EXPECT_TRUE(WriteString(path, "S", "K", "W")) << "its owner may write it";
    EXPECT_EQ(ReadBytes(path), "[S]\r\nK=W\r\n");
}

// A FIFO in the file's place: reading and writing give up at once instead of waiting for a
// writer, and the FIFO stays. Run in a child that an alarm ends, so a hang fails the test.
TEST(IniFileFailure, AFifoInTheFilesPlaceNeitherBlocksNorIsReplaced) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        const bool read =
            ReadString(path, "S", "K").empty() && !IniDocument::Load(path).HasSection("S");
        const bool refused = !WriteString(path, "S", "K", "V");
        ::_exit(read && refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child hung on the FIFO";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

// The result of one write of a larger value, run by `run` (in a child when it must change
// users or mounts), as the problem it reported.
FileProblem ProblemOfChildWrite(const std::function<void()>& prepare,
                                const std::filesystem::path& path) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        prepare();
        IniWriteBatch batch(path);
        batch.Write("S", "K", std::string(64 * 1024, 'x'));
        ::_exit(static_cast<int>(batch.CommitWithReason().problem));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "the writing child did not end normally";
        return FileProblem::kNone;
    }
    return static_cast<FileProblem>(WEXITSTATUS(status));
}

// A failed write says why, so that the user's message can name what to fix.
TEST(IniFileFailure, AFailedWriteNamesItsCause) {
    using std::filesystem::perms;
    TempFolder folder;
    auto problemOf = [](const std::filesystem::path& path) {
        IniWriteBatch batch(path);
        batch.Write("S", "K", "V");
        return batch.CommitWithReason();
    };
    EXPECT_EQ(problemOf(folder / "none" / "x.ini").problem, FileProblem::kNoFolder);
    std::filesystem::create_directory(folder / "dir.ini");
    EXPECT_EQ(problemOf(folder / "dir.ini").problem, FileProblem::kFolder);
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
    EXPECT_EQ(problemOf(folder / "fifo.ini").problem, FileProblem::kNotRegularFile);
    WriteBytes(folder / "kept.ini", "[S]\r\nK=1\r\n");
    std::filesystem::permissions(folder / "kept.ini", perms::owner_read);
    const FileResult kept = problemOf(folder / "kept.ini");
    EXPECT_EQ(kept.problem, FileProblem::kWriteProtected);
    EXPECT_EQ(kept.reason, "the file is write-protected");
    EXPECT_TRUE(problemOf(folder / "new.ini").ok());

    // A folder the user may not write, as an ordinary user (who may reach it).
    std::filesystem::permissions(folder.path(), perms::others_read | perms::others_exec,
                                 std::filesystem::perm_options::add);
    const auto locked = folder / "locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, perms::owner_read | perms::owner_exec | perms::group_read |
                                             perms::group_exec | perms::others_read |
                                             perms::others_exec);
    auto asNobody = [] {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(static_cast<int>(FileProblem::kNone));
        }
    };
    EXPECT_EQ(ProblemOfChildWrite(asNobody, locked / "x.ini"), FileProblem::kReadOnlyFolder);
    EXPECT_EQ(FileProblemText(FileProblem::kReadOnlyFolder, 0), "la carpeta es de solo lectura");
}

// A full disk: a tiny tmpfs, mounted in a mount namespace of the writing child only.
TEST(IniFileFailure, AFullDiskIsNamed) {
    TempFolder folder;
    const auto small = folder / "small";
    std::filesystem::create_directory(small);
    const auto path = small / "config.ini";
    auto mountSmall = [small] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0) {
            ::_exit(100);  // no mounts here: the test cannot run
        }
    };
    const FileProblem problem = ProblemOfChildWrite(mountSmall, path);
    if (static_cast<int>(problem) == 100) {
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    }
    EXPECT_EQ(problem, FileProblem::kDiskFull);
}

// A file chosen for import: refused, unread, with the real reason.
TEST(IniChosenFile, RefusesWhatIsNoReadableSmallFileWithTheReason) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "folder.ini");
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
    std::filesystem::create_symlink("gone.ini", folder / "dangling.ini");
    WriteBytes(folder / "large.ini", "[Config7]\r\nK0=1\r\n");
    std::filesystem::resize_file(folder / "large.ini", kMaxChosenFileBytes + 1);
    WriteBytes(folder / "limit.ini", "[Config7]\r\nK0=1\r\n");
    std::filesystem::resize_file(folder / "limit.ini", kMaxChosenFileBytes);
    const struct {
        const char* name;
        FileProblem problem;
    } cases[] = {
        {"missing.ini", FileProblem::kMissing},     {"folder.ini", FileProblem::kFolder},
        {"fifo.ini", FileProblem::kNotRegularFile}, {"dangling.ini", FileProblem::kDanglingLink},
        {"large.ini", FileProblem::kTooLarge},      {"limit.ini", FileProblem::kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IniDocument document = IniDocument::Parse("[Before]\r\n");
        const FileResult result = IniDocument::LoadChosen(folder / c.name, document);
        EXPECT_EQ(result.problem, c.problem) << result.reason;
        EXPECT_EQ(result.reason, FileProblemText(c.problem));
        EXPECT_EQ(document.HasSection("Before"), !result.ok());
        EXPECT_EQ(document.HasSection("Config7"), result.ok());
    }
}

// The program's own files (config.ini) have the limit of imports: what is over it is neither
// read (Load gives an empty document, LoadExisting the reason) nor replaced by a write, which
// would otherwise empty it; a missing file is an empty document, not an error.
TEST(IniOwnFile, ReadsOnlyWhatIsAReadableSmallFileAndNeverReplacesTheRest) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "folder.ini");
    ASSERT_EQ(::mkfifo((folder / "fifo.ini").c_str(), 0644), 0);
    WriteBytes(folder / "large.ini", "[Config1]\r\nK0=1\r\n");
    std::filesystem::resize_file(folder / "large.ini", kMaxChosenFileBytes + 1);
    WriteBytes(folder / "limit.ini", "[Config1]\r\nK0=1\r\n");
    std::filesystem::resize_file(folder / "limit.ini", kMaxChosenFileBytes);
    const struct {
        const char* name;
        FileProblem problem;
        bool holdsProfile;
    } cases[] = {
        {"missing.ini", FileProblem::kNone, false},
        {"folder.ini", FileProblem::kFolder, false},
        {"fifo.ini", FileProblem::kNotRegularFile, false},
        {"large.ini", FileProblem::kTooLarge, false},
        {"limit.ini", FileProblem::kNone, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = folder / c.name;
        IniDocument document = IniDocument::Parse("[Before]\r\n");
        const FileResult result = IniDocument::LoadExisting(path, document);
        EXPECT_EQ(result.problem, c.problem) << result.reason;
        EXPECT_EQ(document.HasSection("Before"), !result.ok());
        EXPECT_EQ(document.HasSection("Config1"), c.holdsProfile);
        EXPECT_EQ(IniDocument::Load(path).HasSection("Config1"), c.holdsProfile);

        if (c.problem == FileProblem::kNone) {
            continue;
        }
        IniWriteBatch batch(path);
        batch.Write("Config1", "K0", "2");
        EXPECT_EQ(batch.CommitWithReason().problem, c.problem);
    }
    EXPECT_EQ(std::filesystem::file_size(folder / "large.ini"), kMaxChosenFileBytes + 1);
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "fifo.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "folder.ini"));
}

TEST(IniFileCrash, StaleTemporariesOfEndedWritersAreRemoved) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[S]\r\nK=V\r\n");
    const std::string dead = std::to_string(EndedProcess());
    const std::string alive = std::to_string(::getpid());
    const std::vector<std::string> names = {
        ".config.ini.tmp-" + dead + "-0-17", ".config.ini.tmp-" + alive + "-0-17",
        ".other.ini.tmp-" + dead + "-0-17", ".config.ini.tmp-x-0", "config.ini.tmp-" + dead + "-1"};
    for (const std::string& name : names) {
        WriteBytes(folder / name, "partial");
    }
    RemoveStaleWriteTemporaries(path);
    EXPECT_FALSE(std::filesystem::exists(folder / (".config.ini.tmp-" + dead + "-0-17")));
    EXPECT_TRUE(std::filesystem::exists(folder / (".config.ini.tmp-" + alive + "-0-17")))
        << "a writer that runs keeps its file";
    EXPECT_TRUE(std::filesystem::exists(folder / (".other.ini.tmp-" + dead + "-0-17")));
    EXPECT_TRUE(std::filesystem::exists(folder / ".config.ini.tmp-x-0"));
    EXPECT_TRUE(std::filesystem::exists(folder / ("config.ini.tmp-" + dead + "-1")));
    EXPECT_EQ(ReadBytes(path), "[S]\r\nK=V\r\n");
}

// kill -9 of a process in the middle of its saves: the file stays whole, and once the next run
// has started (and cleaned up) nothing of the killed writes is left beside it.
TEST(IniFileCrash, KilledWritersLeaveNothingBehind) {
    TempFolder folder;
    const auto path = folder / "config.ini";
    WriteBytes(path, "[S]\r\nK=0\r\n");
    std::mt19937 random(7);
    for (int kill = 0; kill < 40; ++kill) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned n = 1;; ++n) {
                WriteString(path, "S", "K", std::to_string(n) + std::string(4000, 'x'));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 4000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    EXPECT_EQ(ReadString(path, "S", "K", 5000).size() > 4000 || ReadString(path, "S", "K") == "0",
              true)
        << "the file is whole";
    RemoveStaleWriteTemporaries(path);
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(IniFileWrite, KeepsPermissionsAndSymbolicLinks) {
    TempFolder folder;
    const auto real = folder / "real.ini";
    const auto link = folder / "link.ini";
    WriteBytes(real, "[S]\r\nK=V\r\n");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink("real.ini", link);
    ASSERT_TRUE(WriteString(link, "S", "K", "W"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "[S]\r\nK=W\r\n");
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

// A link whose target does not exist yet is written through, as editors do: the target is
// created and the link stays a link, also at the end of a chain of links. Links that go round
// in a loop are refused and stay.
TEST(IniFileWrite, WritesThroughADanglingLinkAndKeepsTheLink) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_symlink("sub/target.ini", folder / "link.ini");
    ASSERT_TRUE(WriteString(folder / "link.ini", "S", "K", "V"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "sub" / "target.ini"), "[S]\r\nK=V\r\n");

    std::filesystem::create_symlink(folder / "second.ini", folder / "first.ini");
    std::filesystem::create_symlink("sub/end.ini", folder / "second.ini");
    ASSERT_TRUE(WriteString(folder / "first.ini", "S", "K", "W"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "first.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "second.ini"));
    EXPECT_EQ(ReadBytes(folder / "sub" / "end.ini"), "[S]\r\nK=W\r\n");

    std::filesystem::create_symlink("loop-b.ini", folder / "loop-a.ini");
    std::filesystem::create_symlink("loop-a.ini", folder / "loop-b.ini");
    EXPECT_FALSE(WriteString(folder / "loop-a.ini", "S", "K", "V"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "loop-a.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "loop-b.ini"));
}

TEST(IniFileWrite, UnchangedWriteAndEmptyBatchDoNotTouchTheFile) {
    TempFolder folder;
    const auto path = folder / "same.ini";
    WriteBytes(path, "[S]\nK=V\n");
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(path, past);
    EXPECT_TRUE(IniWriteBatch(path).Commit());
    IniWriteBatch batch(path);
    batch.Write("s", "k", "V");
    EXPECT_EQ(batch.size(), 1u);
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(batch.size(), 0u);
    EXPECT_EQ(std::filesystem::last_write_time(path), past);
    EXPECT_EQ(ReadBytes(path), "[S]\nK=V\n");
    EXPECT_TRUE(IniWriteBatch(folder / "new.ini").Commit());
    EXPECT_FALSE(std::filesystem::exists(folder / "new.ini"));
}

}  // namespace
}  // namespace zel::ini
