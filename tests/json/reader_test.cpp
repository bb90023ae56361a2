// The reader: token kinds, line and column counting, numbers, strings, comments and the error
// texts that other firmware parses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

// All tokens of a text (of `size` bytes at most) up to the end token, or the error text. The end
// token must stay once reached.
std::string scan(const std::string& text, uint64_t size = UINT64_MAX) {
    reader rd(text.c_str(), size);
    std::string out;
    try {
        for (;;) {
            rd.next();
            if (!out.empty()) out += ' ';
            out += describe(rd);
            if (rd.token_kind != lcdjson::tk_end) continue;
            rd.next();
            return rd.token_kind == lcdjson::tk_end && rd.current() == '\0' ? out : out + " moved";
        }
    } catch (const lcdjson::exception& e) {
        return out + (out.empty() ? "" : " ") + e.what();
    }
}

// Every token of a text, or the tokens up to the error and its text.
TEST(ReaderScan, TokensNumbersStringsCommentsAndErrors) {
    struct Case {
        std::string text;
        const char* expected;
        uint64_t size = UINT64_MAX;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"{\"a\" : [1, -2, 3.5, true]}", "p:{ s:a p:: p:[ u:1 p:, i:-2 p:, r:3.5 p:, s:true p:] p:} end"},
        {" \t\r\n ", "end"},
        // unquoted words end at blanks and punctuation only; one running into the end fails
        {"null,true]", "s:null p:, s:true p:] end"}, {"+5 .5 ", "s:+5 s:.5 end"},
        {"a\"b/c\\d\x01\xC3\xA9 ", "s:a\"b/c\\d\x01\xC3\xA9 end"},
        {"true", "error at line :0 col :4 msg:not a valid string!"},
        // columns count bytes: the euro sign takes columns 1 to 3, x is 6, the NUL 7
        {"\"\xE2\x82\xAC\" x", "s:\xE2\x82\xAC error at line :0 col :7 msg:not a valid string!"},
        // the quote is line 1, column 1 (a carriage return leaves the column); the NUL is 2
        {"\r\n\"", "error at line :1 col :2 msg:not a valid quote string!"},
        {"\"a\nb\"", "error at line :1 col :0 msg:not a valid quote string!"},
        // integers, signs and wrap-around
        {"0 007 42", "u:0 u:7 u:42 end"}, {"-0", "i:-0 end"}, {"- 3", "i:-0 u:3 end"},
        {"18446744073709551615 18446744073709551617", "u:18446744073709551615 u:1 end"},
        // reals by fraction steps and repeated multiplication: 1 x 0.1 x 0.1, not the double
        // nearest to 0.01; exponent digits accumulate in 32 bits
        {"1.5e2 5. -.5 2.5E1", "r:150 r:5 r:-0.5 r:25 end"}, {"1E-2", "r:0.010000000000000002 end"},
        {"1e999999 1e-999999", "r:inf r:0 end"}, {"1e4294967297 3e2147483648", "r:10 r:3 end"},
        {"-9223372036854775808.0", "r:--9.2233720368547758e+18 end"},  // converted as signed
        {"1.2.3", "error at line :0 col :3 msg:not a valid number!"},
        // a lone carriage return leaves the column: the second full stop is column 4
        {" \r1.2.3", "error at line :0 col :4 msg:not a valid number!"},
        // a number ends at the first byte that cannot continue it
        {"1e+5 ", "r:1 s:+5 end"}, {"12ab 0x10 ", "u:12 s:ab u:0 s:x10 end"},
        {"1e5.5 1e 1-2", "r:100000 s:.5 r:1 u:1 i:-2 end"},
        // quoted strings keep raw bytes and escaped pairs, a backslash and line feed too
        {"\"a\tb\r\x01\"", "s:a\tb\r\x01 end"}, {"\"\\\"x\\\\\"", "s:\\\"x\\\\ end"}, {"\"\"", "s: end"},
        {"\"a\\\nb\" x", "s:a\\\nb error at line :1 col :5 msg:not a valid string!"},
        {"\"", "error at line :0 col :1 msg:not a valid quote string!"},
        {"\"ab\\", "error at line :0 col :4 msg:not a valid quote string!"},
        {std::string("\"a\0b\"", 5), "error at line :0 col :2 msg:not a valid quote string!"},
        // comments; the opening asterisk cannot close one; running into the end gives the end
        {"// note\n5", "u:5 end"}, {"/* a * b */ 5 /**/7 /***/8 1/**/2", "u:5 u:7 u:8 u:1 u:2 end"},
        {"[// x\n1/* y\n */]", "p:[ u:1 p:] end"}, {"ab/c ", "s:ab/c end"}, {"/*/ 7 */8", "u:8 end"},
        {"5 // trailing", "u:5 end"}, {"5 /* open", "u:5 end"},
        {"/x", "error at line :0 col :1 msg:not a comment!"},
        {"1 /", "u:1 error at line :0 col :3 msg:not a comment!"},
        // a size ends the text before its NUL; cut strings and words fail there
        {"[1,2]", "p:[ u:1 p:, end", 3},
        {"\"ab\"", "error at line :0 col :3 msg:not a valid quote string!", 3},
        {"abc ", "error at line :0 col :2 msg:not a valid string!", 2},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(scan(c.text, c.size), c.expected) << c.text;
    reader none(nullptr, 0);  // no text at all
    none.next();
    EXPECT_EQ(describe(none) + none.current(), std::string("end") + '\0');
}

}  // namespace
