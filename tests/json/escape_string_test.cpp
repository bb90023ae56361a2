// escape_string: every escape decoded, failures keeping what was decoded; and the byte classes
// it reads hexadecimal digits with.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "guardedtext.h"
#include "json/lcdjson.h"

namespace {

TEST(EscapeString, DecodesEveryEscapeOrFailsKeepingWhatWasDecoded) {
    std::string out = "old contents";
    const std::string raw = "\\\"\\\\\\/\\b\\f\\n\\r\\tx\\u00e9\\u20AC\\u0041\\uD83D\\uDE00";
    ASSERT_TRUE(lcdjson::escape_string(out, raw.data(), raw.size()));
    EXPECT_EQ(out,
              "\"\\/\b\f\n\r\tx\xC3\xA9\xE2\x82\xAC"
              "A\xED\xA0\xBD\xED\xB8\x80");  // surrogates one by one
    // Either side of each UTF-8 length: one, two and three bytes.
    const std::string bounds = "\\u007F\\u0080\\u07FF\\u0800\\uFFFF";
    ASSERT_TRUE(lcdjson::escape_string(out, bounds.data(), bounds.size()));
    EXPECT_EQ(out, "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
    ASSERT_TRUE(lcdjson::escape_string(out, "", 0));
    EXPECT_EQ(out, "");
    // Each bad token ends right before an unreadable page: nothing past its size is read (a
    // backslash as its last byte escapes nothing past it).
    ocsm_test::GuardedText guarded(16);
    ASSERT_TRUE(guarded.ready());
    for (const std::string bad :
         {"ab\\x", "ab\\u0000", "ab\\u12", "ab\\u00e", "ab\\u12g4", "ab\\"}) {
        EXPECT_FALSE(lcdjson::escape_string(out, guarded.place(bad.data(), bad.size()), bad.size()))
            << bad;
        EXPECT_EQ(out, "ab") << bad;
    }
}

TEST(CharTable, HexDigitsBlanksAndOthers) {
    ASSERT_EQ(103u, sizeof(lcdjson::detail::char_table));
    for (int c = 0; c < 103; ++c) {
        int expected = std::isxdigit(c) ? std::stoi(std::string(1, char(c)), nullptr, 16) : 16;
        if (c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ') expected = 17;
        EXPECT_EQ(expected, lcdjson::detail::char_table[c]) << c;
    }
}

}  // namespace
