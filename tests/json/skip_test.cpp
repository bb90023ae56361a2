// skip: passing over values of any shape, including pathological nesting, and the plain scan that
// steps over a strict value at once.
#include <gtest/gtest.h>

#include <string>

#include "json/lcdjson.h"
#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

using lcdjson::reader;

// Skips the first value of text; returns the text of the token left current (or "end"),
// or the error text.
std::string skip_first(const std::string& text) {
    reader rd(text.c_str(), UINT64_MAX);
    try {
        rd.next();
        lcdjson::skip(rd);
        if (rd.token_kind == lcdjson::tk_end) return "end";
        return std::string(rd.token_text, rd.token_size);
    } catch (const lcdjson::exception& e) {
        return e.what();
    }
}

std::string invalid_at(int line, int column) {
    return "error at line :" + std::to_string(line) + " col :" + std::to_string(column) +
           " msg:invalid json document!";
}

TEST(Skip, ValuesOfAnyShapeAndWhatStaysCurrent) {
    for (const auto& c : ocsm_test::readCases("json/skip.tsv"))
        EXPECT_EQ(skip_first(c.at(0)), c.at(1)) << c[0];
}

// Where the plain scan stops in a text as decode reads it (its NUL readable), or "-" where it
// hands the value over.
std::string plain_end(const std::string& text) {
    const reader rd(text.c_str(), UINT64_MAX, text.size() + 1);
    const uint64_t end = lcdjson::detail::plain_value_end(rd, 0);
    return end == lcdjson::detail::kNotPlain ? "-" : std::to_string(end);
}

TEST(Skip, PlainScanTakesStrictValuesAndHandsOverTheRest) {
    for (const auto& c : ocsm_test::readCases("json/plain_scan.tsv"))
        EXPECT_EQ(plain_end(c.at(0)), c.at(1)) << c[0];
    // It holds 64 open levels; deeper values go token by token.
    EXPECT_EQ(plain_end(std::string(64, '[') + std::string(64, ']') + ","), "128");
    EXPECT_EQ(plain_end(std::string(65, '[') + std::string(65, ']') + ","), "-");
}

// Recursion would need one stack frame per level; ten million levels must neither overflow
// the stack nor take long.
TEST(Skip, DeepNestingIsPassedOverOrFailsCleanly) {
    constexpr size_t kDeep = 10 * 1000 * 1000;
    LCD::ProtoModel::s_RGB value;
    std::string error;
    EXPECT_FALSE(LCD::ProtoModel::decode("{\"x\":" + std::string(kDeep, '[') + "}", value, error));
    EXPECT_EQ(error, invalid_at(0, kDeep + 6));
    ASSERT_TRUE(LCD::ProtoModel::decode(
        "{\"x\":" + std::string(kDeep, '[') + std::string(kDeep, ']') + ",\"R\":5}", value, error))
        << error;
    EXPECT_EQ(5, value.R);

    std::string chain;
    chain.reserve(kDeep * 5 + 16);
    for (size_t i = 0; i < kDeep; ++i)
        chain += "{\"a\":";
    ASSERT_TRUE(LCD::ProtoModel::decode(
        "{\"x\":" + chain + "1" + std::string(kDeep, '}') + ",\"G\":7}", value, error))
        << error;
    EXPECT_EQ(7, value.G);
    EXPECT_FALSE(LCD::ProtoModel::decode("{\"x\":" + chain + "1", value, error));
    EXPECT_NE(error.find("msg:invalid json document!"), std::string::npos);
}

}  // namespace
