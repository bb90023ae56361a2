// The reader: token kinds, line and column counting, numbers, strings, comments and the error
// texts that other firmware parses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "guardedtext.h"
#include "json/lcdjson.h"
#include "testsupport.h"

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
        case lcdjson::tk_end:  // the NUL it stands on is its text
            return rd.token_size == 1 ? "end" : "end of size " + std::to_string(rd.token_size);
    }
    return "?";
}

// All tokens of a text (of `size` bytes at most) up to the end token, or the error text. The end
// token must stay once reached. With `readable` (the text and its NUL, as decode gives it) blanks
// and strings are scanned a word at a time.
std::string scan(const char* text, uint64_t size, uint64_t readable) {
    reader rd(text, size, readable);
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

// Every token of a text, or the tokens up to the error and its text: json/reader.tsv; byte by
// byte and a word at a time alike. A reader held to a size reads nothing past it: such a text is
// also read from right before a page that cannot be read.
TEST(ReaderScan, TokensNumbersStringsCommentsAndErrors) {
    for (const auto& c : ocsm_test::readCases("json/reader.tsv")) {
        const uint64_t size = c.size() > 2 ? std::stoull(c[2]) : UINT64_MAX;
        for (const uint64_t readable : {uint64_t{0}, uint64_t{c.at(0).size() + 1}})
            EXPECT_EQ(scan(c[0].c_str(), size, readable), c.at(1))
                << c[0] << " readable " << readable;
        if (size == UINT64_MAX) continue;
        ASSERT_LE(size, c[0].size()) << c[0] << ": a size cuts its text";
        ocsm_test::GuardedText guarded(size);
        ASSERT_TRUE(guarded.ready());
        for (const uint64_t readable : {uint64_t{0}, size})
            EXPECT_EQ(scan(guarded.place(c[0].data(), size), size, readable), c[1])
                << c[0] << " held, readable " << readable;
    }
    reader none(nullptr, 0);  // no text at all
    none.next();
    EXPECT_EQ(describe(none) + none.current(), std::string("end") + '\0');
}

// The bytes the word-wide scans may read: those readable, within the size; none without a text or
// a readable size. skip_blanks passes over blanks up to there.
TEST(ReaderScan, ReadableEndAndBlanks) {
    EXPECT_EQ(reader("abc", 0, 4).readable_end(), 4u);
    EXPECT_EQ(reader("abc", 2, 4).readable_end(), 2u);
    EXPECT_EQ(reader("abc", 0).readable_end(), 0u);
    EXPECT_EQ(reader(nullptr, 0, 4).readable_end(), 0u);

    const std::string text = "x" + std::string(20, ' ') + "\t\r\n y  ";
    const reader rd(text.c_str(), 0, text.size() + 1);
    EXPECT_EQ(rd.skip_blanks(0), 0u);
    EXPECT_EQ(rd.skip_blanks(1), 25u);
    EXPECT_EQ(rd.skip_blanks(26), 28u);  // the NUL
    const reader held(text.c_str(), text.size(), text.size());
    EXPECT_EQ(held.skip_blanks(26), 28u);                   // the readable end
    EXPECT_EQ(reader(text.c_str(), 0).skip_blanks(1), 1u);  // nothing readable
}

// parser_number on its own, for a caller that has taken the first digit: the rest of the number,
// up to the text's size when it has one; at the text's end (a NUL under the cursor) no number,
// whatever follows the NUL.
TEST(ReaderScan, ParserNumberStopsAtTheSize) {
    const struct {
        const char* text;
        uint64_t size;
        const char* expected;
    } cases[] = {{"12345,", 3, "u:123 3"},
                 {"12345,", 0, "u:12345 5"},
                 {"\0"
                  "45,",
                  0, "u:1 0"}};
    for (const auto& c : cases) {
        reader rd(c.text, c.size);
        rd.token_kind = lcdjson::tk_unsigned;
        rd.token_value.u = 1;
        rd.parser_number();
        EXPECT_EQ(describe(rd) + " " + std::to_string(rd.token_size), c.expected) << c.size;
    }
}

}  // namespace
