// skip: passing over values of any shape, including pathological nesting.
#include <gtest/gtest.h>

#include <string>

#include "json/lcdjson.h"
#include "protomodel/protomodel.h"

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
    struct Case {
        const char* text;
        std::string expected;
    };
    // clang-format off
    for (const Case& c : {Case{"\"a\" 9", "9"}, {"-1.5e3 9", "9"}, {"{} 9", "9"}, {"[,] 9", "9"},
             {"", "end"}, {"[1 2] 9", "9"}, {"{\"a\":} 9", "9"},  // missing commas and values
             {"[ {\"a\":[1,{}], 2:3 \"b\":{}}, \"x\", [] ] 9", "9"},
             {", 9", ","}, {"} 9", "}"}, {"] 9", "]"},  // lone punctuation stays current
             // strings starting with punctuation act as that punctuation
             {"[\"]x\", 1] 9", ","}, {"{\"a\":1 \"}\" 2} 9", "2"},
             // cut-off or malformed containers; a lone colon or brace in an array fails at once
             {"[1,\n[2", invalid_at(1, 3)}, {"[1, 2", invalid_at(0, 5)}, {"{\"a\":1", invalid_at(0, 6)},
             {"{\"a\" 1}", invalid_at(0, 6)}, {"{[:1}", invalid_at(0, 2)}, {"{,}", invalid_at(0, 2)},
             {"{\"a\":[}", invalid_at(0, 7)}, {"[:]", invalid_at(0, 2)}, {"[}]", invalid_at(0, 2)},
             {"[1 :]", invalid_at(0, 4)}, {"[[1] }]", invalid_at(0, 6)}}) {
        // clang-format on
        EXPECT_EQ(skip_first(c.text), c.expected) << c.text;
    }
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
