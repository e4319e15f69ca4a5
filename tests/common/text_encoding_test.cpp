#include "common/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

struct CodePageCase {
    std::string utf8;
    std::string windows1252;
};

TEST(TextEncodingTest, Windows1252RoundTripsEveryCharacterOfTheCodePage) {
    const std::vector<CodePageCase> cases = {
        {"", ""},
        {"Caixa de Sa\u00edda", "Caixa de Sa\xED" "da"},
        {"a\u00e7\u00e3o \u00e9", "a\xE7\xE3o \xE9"},
        {"\u20ac \u0178 \u00ff", "\x80 \x9F \xFF"},
        // The bytes the code page leaves undefined travel as the control characters of the same number.
        {"\u0081\u008d\u008f\u0090\u009d", "\x81\x8D\x8F\x90\x9D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToWindows1252(c.utf8), c.windows1252) << c.utf8;
        EXPECT_EQ(windows1252ToUtf8(c.windows1252), c.utf8) << c.utf8;
    }
}

TEST(TextEncodingTest, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
    const std::vector<CodePageCase> cases = {
        {"\u03a9", "?"},                           // a character outside the code page
        {"\xc3\xa7\U0001f600\xc3\xa7", "\xE7?\xE7"},  // one "?" for a four-byte character
        {"a\xff" "b", "a?b"},                      // a byte that never occurs in UTF-8
        {"a\xc3", "a?"},                           // a sequence cut off at the end
        {"\xc0\x80", "??"},                        // overlong form
        {"\xed\xa0\x80", "???"},                   // an encoded surrogate
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToWindows1252(c.utf8), c.windows1252) << testing::PrintToString(c.utf8);
    }
}

TEST(TextEncodingTest, LongTextsConvertCompletelyAcrossSubstitutions) {
    std::string utf8;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        utf8 += "\u00e7\u03a9";
        expected += "\xE7?";
    }
    EXPECT_EQ(utf8ToWindows1252(utf8), expected);
    const std::string decoded = windows1252ToUtf8(std::string(10000, '\xE3'));
    EXPECT_EQ(decoded.size(), 20000u);
    EXPECT_EQ(decoded.substr(19998), "\u00e3");
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
};

TEST(TextEncodingTest, DecodeTextFollowsTheByteOrderMark) {
    using namespace std::string_literals;
    const std::vector<DecodeCase> cases = {
        {"empty", "", ""},
        {"Windows-1252", "a\xE7\xE3o \x80", "a\u00e7\u00e3o \u20ac"},
        {"UTF-8 without mark is read as the code page", "\xC3\xA7", "\u00c3\u00a7"},
        {"UTF-8 mark", "\xEF\xBB\xBF" "a\xC3\xA7\xC3\xA3o", "a\u00e7\u00e3o"},
        {"UTF-8 mark only", "\xEF\xBB\xBF", ""},
        {"UTF-8 mark, invalid byte", "\xEF\xBB\xBF" "a\xFF", "a\ufffd"},
        {"UTF-16 LE mark", "\xFF\xFE" "a\0\xE7\0\xAC\x20"s, "a\u00e7\u20ac"},
        {"UTF-16 BE mark", "\xFE\xFF" "\0a\0\xE7\x20\xAC"s, "a\u00e7\u20ac"},
        {"UTF-16 LE surrogate pair", "\xFF\xFE" "\x3D\xD8\x00\xDE"s, "\U0001f600"},
        {"UTF-16 LE lone surrogate", "\xFF\xFE" "\x00\xDE" "a\0"s, "\ufffd" "a"},
        {"UTF-16 LE odd last byte", "\xFF\xFE" "a\0b"s, "a\ufffd"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.bytes), c.utf8) << c.name;
    }
}

struct SplitCase {
    std::string text;
    std::vector<std::string> lines;
};

TEST(TextEncodingTest, SplitLinesAcceptsEveryLineEnd) {
    const std::vector<SplitCase> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"\n", {""}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\r\n", {"", ""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitLines(c.text), c.lines) << testing::PrintToString(c.text);
    }
}

}  // namespace
}  // namespace velmora
