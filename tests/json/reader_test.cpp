// The reader: token kinds, line and column counting, numbers, strings, comments and the
// error texts that other firmware parses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "json/lcdjson.h"

namespace {

using lcdjson::reader;

// One token, compactly: kind letter, then text or value.
std::string describe(const reader& rd) {
    char value[64];
    switch (rd.token_kind) {
        case lcdjson::tk_string:
            return "s:" + std::string(rd.token_text, rd.token_size);
        case lcdjson::tk_signed:
            std::snprintf(value, sizeof(value), "i:-%llu",
                          static_cast<unsigned long long>(rd.token_value.u));
            return value;
        case lcdjson::tk_unsigned:
            std::snprintf(value, sizeof(value), "u:%llu",
                          static_cast<unsigned long long>(rd.token_value.u));
            return value;
        case lcdjson::tk_real:
            std::snprintf(value, sizeof(value), "r:%s%.17g", rd.token_negative ? "-" : "",
                          rd.token_value.d);
            return value;
        case lcdjson::tk_punct:
            return "p:" + std::string(1, rd.current());
        case lcdjson::tk_end:
            return "end";
    }
    return "?";
}

// All tokens of a text up to the end token, or the error text.
std::string scan(const std::string& text) {
    reader rd(text.c_str(), UINT64_MAX);
    std::string out;
    try {
        for (;;) {
            rd.next();
            if (!out.empty()) out += ' ';
            out += describe(rd);
            if (rd.token_kind == lcdjson::tk_end) return out;
        }
    } catch (const lcdjson::exception& e) {
        return out + (out.empty() ? "" : " ") + e.what();
    }
}

TEST(ReaderTokens, KindsHaveTheirFixedValues) {
    EXPECT_EQ(0u, lcdjson::tk_string);
    EXPECT_EQ(1u, lcdjson::tk_signed);
    EXPECT_EQ(2u, lcdjson::tk_unsigned);
    EXPECT_EQ(3u, lcdjson::tk_real);
    EXPECT_EQ(4u, lcdjson::tk_punct);
    EXPECT_EQ(5u, lcdjson::tk_end);
    EXPECT_EQ(4u, sizeof(lcdjson::token_type));
}

TEST(ReaderTokens, EachKindFromADocument) {
    EXPECT_EQ(scan("{\"a\" : [1, -2, 3.5, true]}"),
              "p:{ s:a p:: p:[ u:1 p:, i:-2 p:, r:3.5 p:, s:true p:] p:} end");
    EXPECT_EQ(scan(" \t\r\n "), "end");
}

TEST(ReaderTokens, EmptyOrNullTextIsTheEndAtOnce) {
    reader empty("", UINT64_MAX);
    EXPECT_TRUE(empty.at_end);
    empty.next();
    EXPECT_EQ(lcdjson::tk_end, empty.token_kind);
    EXPECT_EQ('\0', empty.current());
    EXPECT_EQ(1u, empty.token_size);

    reader none(nullptr, 0);
    EXPECT_TRUE(none.at_end);
    none.next();
    EXPECT_EQ(lcdjson::tk_end, none.token_kind);
    EXPECT_EQ('\0', none.current());
}

TEST(ReaderTokens, EndStaysOnceReached) {
    reader rd("5 ", UINT64_MAX);
    rd.next();
    rd.next();
    rd.next();
    EXPECT_EQ(lcdjson::tk_end, rd.token_kind);
    EXPECT_TRUE(rd.at_end);
}

TEST(ReaderTokens, SizeLimitEndsTheTextBeforeItsNul) {
    reader rd("[1,2]", 3);
    rd.next();
    rd.next();
    rd.next();
    EXPECT_EQ(describe(rd), "p:,");
    rd.next();
    EXPECT_EQ(lcdjson::tk_end, rd.token_kind);
    EXPECT_EQ('\0', rd.current());

    // strings and words cut off by the limit fail as if the text ended there
    reader quoted("\"ab\"", 3);
    EXPECT_THROW(quoted.next(), lcdjson::exception);
    EXPECT_EQ(3u, quoted.column);
    reader word("abc ", 2);
    EXPECT_THROW(word.next(), lcdjson::exception);
    EXPECT_EQ(2u, word.column);
}

TEST(ReaderTokens, UnquotedWordsEndAtBlanksAndPunctuationOnly) {
    EXPECT_EQ(scan("null,true]"), "s:null p:, s:true p:] end");
    EXPECT_EQ(scan("a\"b/c\\d\x01\xC3\xA9 "), "s:a\"b/c\\d\x01\xC3\xA9 end");
    EXPECT_EQ(scan("+5 .5 "), "s:+5 s:.5 end");
}

TEST(ReaderTokens, WordRunningIntoTheEndFails) {
    EXPECT_EQ(scan("true"), "error at line :0 col :4 msg:not a valid string!");
}

TEST(ReaderTokens, PunctuationTestsLookAtTheFirstByteOnly) {
    reader rd("\"]x\"", UINT64_MAX);
    rd.next();
    EXPECT_EQ(lcdjson::tk_string, rd.token_kind);
    EXPECT_EQ(']', rd.current());
}

// Counting rules: a byte is counted when the cursor arrives on it; the first byte is line 0,
// column 0; a carriage return leaves both counters; a line feed is column 0 of its new line.
TEST(ReaderCounters, CarriageReturnDoesNotMoveTheColumn) {
    reader rd("\r\n x", UINT64_MAX);
    EXPECT_EQ(0u, rd.line);
    EXPECT_EQ(0u, rd.column);
    rd.take();  // onto the line feed
    EXPECT_EQ(1u, rd.line);
    EXPECT_EQ(0u, rd.column);
    rd.take();  // onto the blank
    EXPECT_EQ(1u, rd.column);
    rd.take();  // onto x
    EXPECT_EQ(1u, rd.line);
    EXPECT_EQ(2u, rd.column);
}

TEST(ReaderCounters, ColumnsCountBytesNotCharacters) {
    // Opening quote column 0, the euro sign's three bytes columns 1 to 3, closing quote 4,
    // blank 5, x 6: the word runs into the NUL at column 7.
    EXPECT_EQ(scan("\"\xE2\x82\xAC\" x"),
              "s:\xE2\x82\xAC error at line :0 col :7 msg:not a valid string!");
}

TEST(ReaderCounters, ErrorsCarryTheCursorPosition) {
    // "\r\n\"": the quote is line 1, column 1; taking the opening quote reaches the NUL at
    // column 2.
    EXPECT_EQ(scan("\r\n\""), "error at line :1 col :2 msg:not a valid quote string!");
    // 1.2.3: 1 at column 0, the full stops at columns 1 and 3; the second one fails.
    EXPECT_EQ(scan("1.2.3"), "error at line :0 col :3 msg:not a valid number!");
    // "a<LF>: the raw line feed is column 0 of line 1.
    EXPECT_EQ(scan("\"a\nb\""), "error at line :1 col :0 msg:not a valid quote string!");
}

TEST(ReaderNumbers, IntegersSignsAndWrapAround) {
    EXPECT_EQ(scan("0 007 42"), "u:0 u:7 u:42 end");
    EXPECT_EQ(scan("-0"), "i:-0 end");
    EXPECT_EQ(scan("18446744073709551615 18446744073709551617"), "u:18446744073709551615 u:1 end");
    EXPECT_EQ(scan("-"), "i:-0 end");
    EXPECT_EQ(scan("- 3"), "i:-0 u:3 end");
}

TEST(ReaderNumbers, NegativeZeroKeepsItsSign) {
    reader rd("-0", UINT64_MAX);
    rd.next();
    EXPECT_EQ(lcdjson::tk_signed, rd.token_kind);
    EXPECT_TRUE(rd.token_negative);
    EXPECT_EQ(0u, rd.token_value.u);
    EXPECT_EQ(2u, rd.token_size);
}

TEST(ReaderNumbers, RealsByFractionStepsAndRepeatedMultiplication) {
    EXPECT_EQ(scan("1.5e2 5. -.5 2.5E1"), "r:150 r:5 r:-0.5 r:25 end");
    // 1 x 0.1 x 0.1, not the double nearest to 0.01
    EXPECT_EQ(scan("1E-2"), "r:0.010000000000000002 end");
    EXPECT_EQ(scan("1e999999 1e-999999"), "r:inf r:0 end");
    // exponent digits accumulate in 32 bits: 2^32 + 1 wraps to 1, 2^31 to a negative count
    EXPECT_EQ(scan("1e4294967297 3e2147483648"), "r:10 r:3 end");
}

TEST(ReaderNumbers, ANumberEndsAtTheFirstByteThatCannotContinueIt) {
    EXPECT_EQ(scan("1e+5 "), "r:1 s:+5 end");
    EXPECT_EQ(scan("12ab "), "u:12 s:ab end");
    EXPECT_EQ(scan("0x10 "), "u:0 s:x10 end");
    EXPECT_EQ(scan("1e5.5 "), "r:100000 s:.5 end");
    EXPECT_EQ(scan("1e "), "r:1 end");
    EXPECT_EQ(scan("1-2"), "u:1 i:-2 end");
}

TEST(ReaderNumbers, TokenTextCoversWhatWasScanned) {
    reader rd("1e+5 ", UINT64_MAX);
    rd.next();
    EXPECT_EQ(std::string(rd.token_text, rd.token_size), "1e");
    reader neg("-12.5]", UINT64_MAX);
    neg.next();
    EXPECT_EQ(std::string(neg.token_text, neg.token_size), "-12.5");
    EXPECT_TRUE(neg.token_negative);
    neg.next();
    EXPECT_FALSE(neg.token_negative);  // cleared for every token
}

TEST(ReaderNumbers, MagnitudeBeyondSignedRangeConvertsAsSigned) {
    // A signed magnitude is converted to double as a signed 64-bit integer.
    EXPECT_EQ(scan("-9223372036854775808.0"), "r:--9.2233720368547758e+18 end");
}

TEST(ReaderStrings, RawBytesAndEscapedPairsStayInTheToken) {
    EXPECT_EQ(scan("\"a\tb\r\x01\""), "s:a\tb\r\x01 end");
    EXPECT_EQ(scan("\"\\\"x\\\\\""), "s:\\\"x\\\\ end");
    EXPECT_EQ(scan("\"\""), "s: end");
    // a backslash before a line feed makes the pair part of the string
    reader rd("\"a\\\nb\"", UINT64_MAX);
    rd.next();
    EXPECT_EQ(std::string(rd.token_text, rd.token_size), "a\\\nb");
    EXPECT_EQ(1u, rd.line);
}

TEST(ReaderStrings, UnterminatedQuotedStringsFail) {
    EXPECT_EQ(scan("\""), "error at line :0 col :1 msg:not a valid quote string!");
    EXPECT_EQ(scan("\"abc"), "error at line :0 col :4 msg:not a valid quote string!");
    EXPECT_EQ(scan("\"ab\\"), "error at line :0 col :4 msg:not a valid quote string!");
    EXPECT_EQ(scan(std::string("\"a\0b\"", 5)),
              "error at line :0 col :2 msg:not a valid quote string!");
}

TEST(EscapeString, DecodesEveryEscape) {
    std::string out = "old contents";
    const std::string raw = "\\\"\\\\\\/\\b\\f\\n\\r\\tx";
    ASSERT_TRUE(lcdjson::escape_string(out, raw.data(), raw.size()));
    EXPECT_EQ(out, "\"\\/\b\f\n\r\tx");
    ASSERT_TRUE(lcdjson::escape_string(out, "", 0));
    EXPECT_EQ(out, "");
}

TEST(EscapeString, UnicodeEscapesBecomeUtf8OneByOne) {
    std::string out;
    const std::string raw = "a\\u00e9\\u20AC\\u0041\\uD83D\\uDE00";
    ASSERT_TRUE(lcdjson::escape_string(out, raw.data(), raw.size()));
    EXPECT_EQ(out,
              "a\xC3\xA9\xE2\x82\xAC"
              "A\xED\xA0\xBD\xED\xB8\x80");
}

TEST(EscapeString, InvalidEscapesFailKeepingWhatWasDecoded) {
    std::string out;
    for (const std::string raw : {"ab\\x", "ab\\u0000", "ab\\u12", "ab\\u12g4", "ab\\"}) {
        EXPECT_FALSE(lcdjson::escape_string(out, raw.data(), raw.size())) << raw;
        EXPECT_EQ(out, "ab") << raw;
    }
    // only the token's size counts, not the bytes after it
    const char* text = "\\u00e9";
    EXPECT_FALSE(lcdjson::escape_string(out, text, 5));
}

TEST(CharTable, DigitsBlanksAndOthers) {
    ASSERT_EQ(103u, sizeof(lcdjson::detail::char_table));
    for (int c = 0; c < 103; ++c) {
        int expected = 16;
        if (c >= '0' && c <= '9') expected = c - '0';
        if (c >= 'A' && c <= 'F') expected = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') expected = c - 'a' + 10;
        if (c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ') expected = 17;
        EXPECT_EQ(expected, lcdjson::detail::char_table[c]) << c;
    }
}

TEST(ReaderComments, LineAndBlockCommentsArePassedOver) {
    EXPECT_EQ(scan("// note\n5"), "u:5 end");
    EXPECT_EQ(scan("/* a * b */ 5"), "u:5 end");
    EXPECT_EQ(scan("/**/7 /***/8"), "u:7 u:8 end");
    EXPECT_EQ(scan("1/**/2"), "u:1 u:2 end");
    EXPECT_EQ(scan("[// x\n1/* y\n */]"), "p:[ u:1 p:] end");
    EXPECT_EQ(scan("ab/c "), "s:ab/c end");  // a slash inside a word is an ordinary byte
}

TEST(ReaderComments, TheOpeningAsteriskCannotCloseTheComment) {
    EXPECT_EQ(scan("/*/ 7 */8"), "u:8 end");
}

TEST(ReaderComments, CommentsRunningIntoTheEndGiveTheEnd) {
    EXPECT_EQ(scan("5 // trailing"), "u:5 end");
    EXPECT_EQ(scan("5 /* open"), "u:5 end");
    EXPECT_EQ(scan("/*"), "end");
}

TEST(ReaderComments, ASlashNotStartingACommentFails) {
    EXPECT_EQ(scan("/x"), "error at line :0 col :1 msg:not a comment!");
    EXPECT_EQ(scan("1 /"), "u:1 error at line :0 col :3 msg:not a comment!");
}

}  // namespace
